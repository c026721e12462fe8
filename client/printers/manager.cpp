#include "manager.h"

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "job_folders.h"
#include "text_convert.h"

C_manager::C_manager(C_localization& localization, DriverManagerFactory factory, DriverHandlerServices services)
    : m_localization(localization), m_factory(std::move(factory)), m_services(std::move(services)) {}

C_manager::~C_manager() { releasePrinters(); }

void C_manager::releasePrinters() {
    for (auto& entry : m_drivers) entry.second.reset();
    m_drivers.clear();
    m_catalog.reset();
    m_driverManager.Reset();
}

void C_manager::start() {
    loadLanguage();
    m_bindFailureLogged = !bindPrinters(true);
    purgeJobFolders();
}

C_manager::EngineCheck C_manager::checkEngine() {
    // A call to the engine lets window messages run: a check may not start inside one.
    if (m_checking) return EngineCheck::Deferred;
    m_checking = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_checking};

    if (m_driverManager && !m_engineLost) {
        if (engineAnswers()) return EngineCheck::Alive;
        m_engineLost = true;
    }
    for (const auto& entry : m_drivers) {
        if (!entry.second->hasWorkInHand()) continue;
        DebugLine() << "C_manager - binding to the print engine again waits for printer " << toAnsi(entry.first);
        return EngineCheck::Deferred;
    }
    size_t before = m_drivers.size();
    releasePrinters();
    if (!bindPrinters(!m_bindFailureLogged)) {
        m_bindFailureLogged = true;
        return EngineCheck::Unavailable;
    }
    m_bindFailureLogged = false;
    m_engineLost = false;
    DebugLine() << "C_manager - bound to the print engine again: " << m_drivers.size() << " printers (" << before
                << " before)";
    return EngineCheck::Rebound;
}

bool C_manager::engineAnswers() const {
    // Nothing bound, nothing to lose: the engine is not bothered.
    if (m_drivers.empty()) return true;
    // The driver object of a bound printer: the engine already holds it, so the call
    // only looks it up.
    ComPtr<IPrintDriver> driver;
    HRESULT hr = m_driverManager->getDriver(BStr(m_drivers.front().first).get(), driver.GetAddressOf());
    if (!isEngineGone(hr)) return true;
    DebugLine() << "C_manager - the print engine is gone (0x" << std::hex << hr << std::dec << "), binding again";
    return false;
}

void C_manager::loadLanguage() {
    auto failure = com::runCaught([&] { m_localization.loadLclzData(); });
    if (!failure) return;
    // A broken or missing language file must not keep the client from starting.
    DebugLine() << "C_manager - language " << m_localization.currLang()
                << " cannot be loaded, English is used: " << toAnsi(failure->description);
    m_localization.useEnglish();
}

bool C_manager::bindPrinters(bool logFailure) {
    std::vector<std::wstring> names;
    auto failure = com::runCaught([&] {
        m_driverManager = m_factory();
        names = enginePrinters(m_driverManager.Get());
    });
    if (failure) {
        m_engineProblem = failure->description;
        m_driverManager.Reset();
        if (logFailure) DebugLine() << "C_manager - the print engine cannot be used: " << toAnsi(failure->description);
        return false;
    }
    m_engineProblem.reset();
    m_catalog = std::make_unique<EnginePrinterCatalog>(m_driverManager);
    for (const std::wstring& name : names) {
        auto handler = std::make_unique<C_driverHandler>(m_localization, m_services);
        auto bound = com::runCaught([&] { handler->setDriver(engineDriver(m_driverManager.Get(), name)); });
        if (bound) {
            DebugLine() << "C_manager - printer " << toAnsi(name) << " cannot be bound: " << toAnsi(bound->description);
            continue;
        }
        std::wstring host;
        com::runCaught([&] { host = handler->KeloHost(); });
        DebugLine() << "C_manager - printer " << toAnsi(name) << " bound, host " << toAnsi(host);
        m_drivers.emplace_back(name, std::move(handler));
    }
    return true;
}

void C_manager::purgeJobFolders() {
    for (const auto& entry : m_drivers) {
        com::runCaught([&] {
            BStr jobsPath;
            com::check(engineDriver(m_driverManager.Get(), entry.first)->get_jobsPath(jobsPath.out()));
            int deleted = deleteJobFolders(jobsPath.str());
            if (deleted > 0)
                DebugLine() << "C_manager - " << deleted << " old job folders deleted for " << toAnsi(entry.first);
        });
    }
}

C_driverHandler* C_manager::driver(const std::wstring& printer) const {
    for (const auto& entry : m_drivers)
        if (entry.first == printer) return entry.second.get();
    return nullptr;
}
