#pragma once
// C_driverHandler: the client's side of one printer of the engine. It holds the
// printer's engine driver object, listens to its new-job event and owns the notifier
// that later work is deferred through. What happens to a job is the job workflow's.
#include <windows.h>

#include <memory>
#include <string>

#include "com/event_sink.h"
#include "engine_access.h"
#include "notifier.h"
#include "user_information.h"

class C_driverHandler {
public:
    C_driverHandler();
    ~C_driverHandler();
    C_driverHandler(const C_driverHandler&) = delete;
    C_driverHandler& operator=(const C_driverHandler&) = delete;

    // Binds the handler to the printer's engine driver and subscribes to its new-job
    // event. Throws _com_error when the subscription fails.
    void setDriver(ComPtr<IPrintDriver> driver);
    IPrintDriver* KeloDriver() const { return m_driver.Get(); }
    bool subscribed() const { return subscription_.active(); }

    const std::shared_ptr<C_userInformation>& userInformation() const { return userInformation_; }
    // The printer's server host: its driver data value "keloServerIp".
    std::wstring KeloHost() const;

    // A job reports its document complete: the work runs a moment later from the notifier.
    void jobChangeStat();

    // How many new-job events arrived (the job workflow takes them over later).
    int newJobEvents() const { return newJobEvents_; }

private:
    HRESULT onEvent(DISPID event, DISPPARAMS* params);
    void onNewPrintJob(IDispatch* newJob);
    void onNotify(Variant& ctx);

    ComPtr<IPrintDriver> m_driver;
    std::wstring printerName_;  // for the log, read when bound
    std::unique_ptr<Notifier> m_notify;
    com::Subscription subscription_;
    std::shared_ptr<C_userInformation> userInformation_;
    int newJobEvents_ = 0;
};
