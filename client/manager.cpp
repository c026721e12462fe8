#include "manager.h"

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "job_folders.h"
#include "text_convert.h"

C_manager::C_manager(C_localization& localization, DriverManagerFactory factory, DriverHandlerServices services)
    : localization_(localization), factory_(std::move(factory)), services_(std::move(services)) {}

C_manager::~C_manager() {
    for (auto& entry : drivers_) entry.second.reset();
    drivers_.clear();
    catalog_.reset();
    driverManager_.Reset();
}

void C_manager::start() {
    loadLanguage();
    bindPrinters();
    purgeJobFolders();
}

void C_manager::loadLanguage() {
    auto failure = com::runCaught([&] { localization_.loadLclzData(); });
    if (!failure) return;
    // A broken or missing language file must not keep the client from starting.
    DebugLine() << "C_manager - language " << localization_.currLang()
                << " cannot be loaded, English is used: " << toAnsi(failure->description);
    localization_.useEnglish();
}

void C_manager::bindPrinters() {
    std::vector<std::wstring> names;
    auto failure = com::runCaught([&] {
        driverManager_ = factory_();
        names = enginePrinters(driverManager_.Get());
    });
    if (failure) {
        engineProblem_ = failure->description;
        driverManager_.Reset();
        DebugLine() << "C_manager - the print engine cannot be used: " << toAnsi(failure->description);
        return;
    }
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
