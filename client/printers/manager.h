#pragma once
// C_manager: the client's binding to the print engine. At start it loads the client's
// language, asks the engine for its printers, binds one driver handler to each, and
// deletes job folders left from an earlier run. Without an engine the client keeps
// running without printers and the manager says why.
//
// The engine's process can end under the client (a crash, or killed); the next print
// job then starts a new engine that nobody listens to. checkEngine, called every few
// seconds, notices that and binds to the printers again.
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

    // What a look at the engine found and did.
    enum class EngineCheck {
        Alive,        // the engine answered (or nothing is bound that could be lost)
        Rebound,      // the engine was gone or never reached; the printers are bound again
        Deferred,     // the engine is gone, but a handler has work in hand: next time
        Unavailable,  // the engine is gone and cannot be started now: next time
    };
    // Asks the engine something cheap; when its process is gone, or it could never be
    // reached, releases the handlers and binds again as at start. Job folders are not
    // purged then: those of a new engine may already be in use. Replaces the handlers
    // and the printer catalog, so it is called only when none of their code is running
    // (from the main message loop, not from a nested one).
    EngineCheck checkEngine();

    // The handlers in the order the engine reported the printers.
    const std::vector<std::pair<std::wstring, std::unique_ptr<C_driverHandler>>>& drivers() const { return m_drivers; }
    C_driverHandler* driver(const std::wstring& printer) const;

    IDriverManager* driverManager() const { return m_driverManager.Get(); }
    // The engine's view for the settings dialog; null without an engine.
    PrinterCatalog* printerCatalog() const { return m_catalog.get(); }
    // Why the engine could not be used, when it could not.
    const std::optional<std::wstring>& engineProblem() const { return m_engineProblem; }

private:
    void loadLanguage();
    // False when the engine cannot be used; the reason is kept in engineProblem.
    bool bindPrinters(bool logFailure);
    void releasePrinters();
    bool engineAnswers() const;
    void purgeJobFolders();

    C_localization& m_localization;
    DriverManagerFactory m_factory;
    DriverHandlerServices m_services;
    ComPtr<IDriverManager> m_driverManager;
    std::unique_ptr<PrinterCatalog> m_catalog;
    std::vector<std::pair<std::wstring, std::unique_ptr<C_driverHandler>>> m_drivers;
    std::optional<std::wstring> m_engineProblem;
    bool m_checking = false;
    bool m_engineLost = false;         // noticed and logged; the rebind may wait
    bool m_bindFailureLogged = false;  // the retries stay quiet until one succeeds
};
