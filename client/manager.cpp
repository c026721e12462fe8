#include "manager.h"

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "job_folders.h"
#include "text_convert.h"

C_manager::C_manager(C_localization& localization, DriverManagerFactory factory, DriverHandlerServices services)
    : localization_(localization), factory_(std::move(factory)), services_(std::move(services)) {}

C_manager::~C_manager() { releasePrinters(); }

void C_manager::releasePrinters() {
    for (auto& entry : drivers_) entry.second.reset();
    drivers_.clear();
    catalog_.reset();
    driverManager_.Reset();
}

void C_manager::start() {
    loadLanguage();
    bindFailureLogged_ = !bindPrinters(true);
    purgeJobFolders();
}

C_manager::EngineCheck C_manager::checkEngine() {
    // A call to the engine lets window messages run: a check may not start inside one.
    if (checking_) return EngineCheck::Deferred;
    checking_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{checking_};

    if (driverManager_ && !engineLost_) {
        if (engineAnswers()) return EngineCheck::Alive;
        engineLost_ = true;
    }
    for (const auto& entry : drivers_) {
        if (!entry.second->hasWorkInHand()) continue;
        DebugLine() << "C_manager - binding to the print engine again waits for printer " << toAnsi(entry.first);
        return EngineCheck::Deferred;
    }
    size_t before = drivers_.size();
    releasePrinters();
    if (!bindPrinters(!bindFailureLogged_)) {
        bindFailureLogged_ = true;
        return EngineCheck::Unavailable;
    }
    bindFailureLogged_ = false;
    engineLost_ = false;
    DebugLine() << "C_manager - bound to the print engine again: " << drivers_.size() << " printers (" << before
                << " before)";
    return EngineCheck::Rebound;
}

bool C_manager::engineAnswers() const {
    // Nothing bound, nothing to lose: the engine is not bothered.
    if (drivers_.empty()) return true;
    // The driver object of a bound printer: the engine already holds it, so the call
    // only looks it up.
    ComPtr<IPrintDriver> driver;
    HRESULT hr = driverManager_->getDriver(BStr(drivers_.front().first).get(), driver.GetAddressOf());
    if (!isEngineGone(hr)) return true;
    DebugLine() << "C_manager - the print engine is gone (0x" << std::hex << hr << std::dec << "), binding again";
    return false;
}

void C_manager::loadLanguage() {
    auto failure = com::runCaught([&] { localization_.loadLclzData(); });
    if (!failure) return;
    // A broken or missing language file must not keep the client from starting.
    DebugLine() << "C_manager - language " << localization_.currLang()
                << " cannot be loaded, English is used: " << toAnsi(failure->description);
    localization_.useEnglish();
}

bool C_manager::bindPrinters(bool logFailure) {
    std::vector<std::wstring> names;
    auto failure = com::runCaught([&] {
        driverManager_ = factory_();
        names = enginePrinters(driverManager_.Get());
    });
    if (failure) {
        engineProblem_ = failure->description;
        driverManager_.Reset();
        if (logFailure)
            DebugLine() << "C_manager - the print engine cannot be used: " << toAnsi(failure->description);
        return false;
    }
    engineProblem_.reset();
    catalog_ = std::make_unique<EnginePrinterCatalog>(driverManager_);
    for (const std::wstring& name : names) {
        auto handler = std::make_unique<C_driverHandler>(localization_, services_);
        auto bound = com::runCaught([&] { handler->setDriver(engineDriver(driverManager_.Get(), name)); });
        if (bound) {
            DebugLine() << "C_manager - printer " << toAnsi(name) << " cannot be bound: " << toAnsi(bound->description);
            continue;
        }
        std::wstring host;
        com::runCaught([&] { host = handler->KeloHost(); });
        DebugLine() << "C_manager - printer " << toAnsi(name) << " bound, host " << toAnsi(host);
        drivers_.emplace_back(name, std::move(handler));
    }
    return true;
}

void C_manager::purgeJobFolders() {
    for (const auto& entry : drivers_) {
        com::runCaught([&] {
            BStr jobsPath;
            com::check(engineDriver(driverManager_.Get(), entry.first)->get_jobsPath(jobsPath.out()));
            int deleted = deleteJobFolders(jobsPath.str());
            if (deleted > 0) DebugLine() << "C_manager - " << deleted << " old job folders deleted for " << toAnsi(entry.first);
        });
    }
}

C_driverHandler* C_manager::driver(const std::wstring& printer) const {
    for (const auto& entry : drivers_)
        if (entry.first == printer) return entry.second.get();
    return nullptr;
}
