#pragma once
// C_driverHandler: the client's side of one printer of the engine. It listens to the
// printer's new jobs, makes sure the user is logged in to the provider before a job is
// accepted, keeps one job handler per accepted job, and has each complete job
// processed a moment later from its notifier, outside the engine's event.
//
// A new job that arrives while another job's login runs cannot wait for that login:
// the login's dialog runs further down this thread's stack and could not end before
// the later event returns. Such a job is kept aside (its events are heard already) and
// is taken on with the same login once that login is over, or dropped with it.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com/event_sink.h"
#include "engine_access.h"
#include "localization.h"
#include "notifier.h"
#include "user_information.h"
#include "web_access.h"

class C_jobHandler;
class frmLogin;

// What a driver handler takes from the rest of the system.
struct DriverHandlerServices {
    std::function<ComPtr<I_Web>()> createWeb = createWebComponent;
    // The installed version, sent at login and to the version check.
    std::function<std::wstring()> readClientVersion;
    // Asks for the login, prefilled with what is given; true when the user pressed OK.
    // Empty: the login dialog.
    std::function<bool(std::shared_ptr<C_userInformation>& login)> askLogin;
    // The handler's own message boxes. Empty: MessageBoxW.
    std::function<int(const std::wstring& text, const std::wstring& title, UINT type)> messageBox;
};
DriverHandlerServices defaultDriverHandlerServices();

class C_driverHandler {
public:
    explicit C_driverHandler(const C_localization& localization,
                             DriverHandlerServices services = defaultDriverHandlerServices());
    ~C_driverHandler();
    C_driverHandler(const C_driverHandler&) = delete;
    C_driverHandler& operator=(const C_driverHandler&) = delete;

    // Binds the handler to the printer's engine driver and subscribes to its new-job
    // event. Throws _com_error when the subscription fails.
    void setDriver(ComPtr<IPrintDriver> driver);
    IPrintDriver* KeloDriver() const { return m_driver.Get(); }
    bool subscribed() const { return m_subscription.active(); }

    const std::shared_ptr<C_userInformation>& userInformation() const { return m_userInformation; }
    // The printer's server host: its driver data value "keloServerIp".
    std::wstring KeloHost() const;

    // Runs the login dialog; OK makes what was typed the login.
    void updateUserInfo();
    // A job reports its document complete: the work runs a moment later from the notifier.
    void jobChangeStat();

    // How many new-job events arrived, and how many jobs are kept.
    int newJobEvents() const { return m_newJobEvents; }
    size_t jobCount() const { return m_jobs.size(); }
    // Whether a login is running.
    bool busy() const { return m_busy; }
    // Whether the handler has work in hand that must not be cut off: a login, jobs
    // waiting for it, jobs being processed or complete jobs not yet processed.
    bool hasWorkInHand() const;

private:
    HRESULT onEvent(DISPID event, DISPPARAMS* params);
    void m_driver_onNewPrintJob(IDispatch* newJob);
    void m_notify_onNotify(Variant& ctx);
    // Logs in when needed and takes the job on; errors are shown like a login error.
    void takeOn(const std::shared_ptr<C_jobHandler>& job);
    void takeOnWaitingJobs();
    bool ensureConnected(I_Web* server);
    enum class Login { Connected = 1, NotConnected = 2, TryAgain = 4 };
    Login connectServer(I_Web* server);
    void accept(const std::shared_ptr<C_jobHandler>& job, ComPtr<I_Web> server);
    void finishJob(const std::shared_ptr<C_jobHandler>& job);
    void showLoginProblem(const std::wstring& description);
    int messageBox(const std::wstring& text, const std::wstring& title, UINT type);

    const C_localization& m_localization;
    DriverHandlerServices m_services;
    ComPtr<IPrintDriver> m_driver;
    std::wstring m_printerName;  // for the log, read when bound
    std::unique_ptr<frmNotifier> m_notify;
    com::Subscription m_subscription;
    std::shared_ptr<C_userInformation> m_userInformation;
    std::vector<std::pair<long, std::shared_ptr<C_jobHandler>>> m_jobs;
    std::vector<std::shared_ptr<C_jobHandler>> m_waiting;  // arrived during another job's login
    frmLogin* m_loginDialog = nullptr;
    bool m_busy = false;
    bool m_notifying = false;
    int m_newJobEvents = 0;
};
