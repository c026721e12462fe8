#pragma once
// C_manager: the client's binding to the print engine. At start it loads the client's
// language, asks the engine for its printers, binds one driver handler to each, and
// deletes job folders left from an earlier run. Without an engine the client keeps
// running without printers and the manager says why.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver_handler.h"
#include "engine_access.h"
#include "localization.h"

class C_manager {
public:
    using DriverManagerFactory = std::function<ComPtr<IDriverManager>()>;

    explicit C_manager(C_localization& localization, DriverManagerFactory factory = createDriverManager,
                       DriverHandlerServices services = defaultDriverHandlerServices());
    // Releases every handler, and with them their engine bindings.
    ~C_manager();
    C_manager(const C_manager&) = delete;
    C_manager& operator=(const C_manager&) = delete;

    void start();

    // The handlers in the order the engine reported the printers.
    const std::vector<std::pair<std::wstring, std::unique_ptr<C_driverHandler>>>& drivers() const { return drivers_; }
    C_driverHandler* driver(const std::wstring& printer) const;

    IDriverManager* driverManager() const { return driverManager_.Get(); }
    // The engine's view for the settings dialog; null without an engine.
    PrinterCatalog* printerCatalog() const { return catalog_.get(); }
    // Why the engine could not be used, when it could not.
    const std::optional<std::wstring>& engineProblem() const { return engineProblem_; }

private:
    void loadLanguage();
    void bindPrinters();
    void purgeJobFolders();

    C_localization& localization_;
    DriverManagerFactory factory_;
    DriverHandlerServices services_;
    ComPtr<IDriverManager> driverManager_;
    std::unique_ptr<PrinterCatalog> catalog_;
    std::vector<std::pair<std::wstring, std::unique_ptr<C_driverHandler>>> drivers_;
    std::optional<std::wstring> engineProblem_;
};
