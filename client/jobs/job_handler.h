#pragma once
// C_jobHandler: one print job from the engine's announcement until its file is at the
// provider and the provider's order page is open in the browser. The engine reports
// the end of the document (onCloseDoc); the driver handler later runs processJob from
// the notifier's timer, outside any engine event.
#include <windows.h>

#include <memory>
#include <string>

#include "com/event_sink.h"
#include "engine_access.h"
#include "localization.h"
#include "user_information.h"
#include "web_wrapper.h"

class C_driverHandler;

class C_jobHandler {
public:
    enum Status : long { kBeingPrinted = 1, kAborted = 3, kComplete = 4 };

    explicit C_jobHandler(const C_localization& localization);
    ~C_jobHandler();
    C_jobHandler(const C_jobHandler&) = delete;
    C_jobHandler& operator=(const C_jobHandler&) = delete;

    // Binds the engine's job and listens to its events. Throws _com_error.
    void setJob(ComPtr<IPrintJob> job);
    IPrintJob* getJob() const { return m_job.Get(); }
    // The web component object connected for this job.
    void setServer(ComPtr<I_Web> server);
    void setParent(C_driverHandler* parent) { m_parent = parent; }
    C_driverHandler* parent() const { return m_parent; }
    // The login the job was accepted with; processJob falls back to it.
    void setAcceptedLogin(std::shared_ptr<C_userInformation> login) { m_acceptedLogin = std::move(login); }

    long status() const { return m_status; }
    long jobId() const { return m_jobId; }
    const std::wstring& jobFolder() const { return m_jobFolder; }

    // The end of the document as the engine reports it.
    void m_job_onCloseDoc(bool aborted, const std::wstring& path);
    // Uploads the job and opens the order page; any error is shown to the user. The job
    // folder is gone afterwards, whatever happened.
    void processJob(const std::shared_ptr<C_userInformation>& userInfo);
    // Opens the text with the default browser.
    static void runURLExternal(const std::wstring& commandLine);

private:
    HRESULT onEvent(DISPID event, DISPPARAMS* params);
    void process(const C_userInformation& login);
    void showUnexpectedError(HRESULT number, const std::wstring& description);
    // The job is at the provider, but no browser showed its order page: the user gets
    // the address.
    void showOrderPageNotOpened(const std::wstring& url);

    const C_localization& m_localization;
    ComPtr<IPrintJob> m_job;
    com::Subscription m_events;
    c_iWebWrapper m_server;
    C_driverHandler* m_parent = nullptr;
    std::shared_ptr<C_userInformation> m_acceptedLogin;
    long m_status = kBeingPrinted;
    long m_jobId = 0;
    std::wstring m_jobFolder;
};
