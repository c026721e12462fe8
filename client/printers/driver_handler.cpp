#include "driver_handler.h"

#include <algorithm>

#include "bstr.h"
#include "client_error.h"
#include "client_settings.h"
#include "com/guard.h"
#include "debug_log.h"
#include "engine_events.h"
#include "job_handler.h"
#include "loading_window.h"
#include "login_dialog.h"
#include "text_convert.h"
#include "version_check.h"
#include "windows_util.h"

namespace {

// Sets a flag for as long as it lives.
class FlagSetter {
public:
    explicit FlagSetter(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagSetter() { m_flag = false; }
    FlagSetter(const FlagSetter&) = delete;
    FlagSetter& operator=(const FlagSetter&) = delete;

private:
    bool& m_flag;
};

}  // namespace

DriverHandlerServices defaultDriverHandlerServices() {
    DriverHandlerServices services;
    services.readClientVersion = readClientVersion;
    return services;
}

C_driverHandler::C_driverHandler(const C_localization& localization, DriverHandlerServices services)
    : m_localization(localization),
      m_services(std::move(services)),
      m_notify(std::make_unique<frmNotifier>([this](Variant& ctx) { m_notify_onNotify(ctx); })) {}

C_driverHandler::~C_driverHandler() {
    m_subscription.end();
    m_waiting.clear();
    m_jobs.clear();
    m_userInformation.reset();
    m_driver.Reset();
}

void C_driverHandler::setDriver(ComPtr<IPrintDriver> driver) {
    m_subscription.end();
    m_driver = std::move(driver);
    m_printerName.clear();
    if (!m_driver) return;
    BStr name;
    if (SUCCEEDED(m_driver->get_printerName(name.out()))) m_printerName = name.str();
    auto sink = com::make<com::EventSink>(DIID__IPrintDriverEvents,
                                          [this](DISPID event, DISPPARAMS* params) { return onEvent(event, params); });
    com::check(m_subscription.begin(m_driver.Get(), DIID__IPrintDriverEvents, sink.Get()));
}

std::wstring C_driverHandler::KeloHost() const {
    if (!m_driver) return L"";
    Variant host;
    com::check(m_driver->getDriverData(BStr(L"keloServerIp").get(), host.out()));
    return host.toString();
}

bool C_driverHandler::hasWorkInHand() const {
    if (m_busy || m_notifying || !m_waiting.empty()) return true;
    return std::any_of(m_jobs.begin(), m_jobs.end(),
                       [](const auto& entry) { return entry.second->status() == C_jobHandler::kComplete; });
}

void C_driverHandler::jobChangeStat() { m_notify->issueCall(nullptr, 1); }

HRESULT C_driverHandler::onEvent(DISPID event, DISPPARAMS* params) {
    if (event != kOnNewPrintJob) return S_OK;
    const VARIANT* job = com::eventArgument(params, 0);
    m_driver_onNewPrintJob(job && job->vt == VT_DISPATCH ? job->pdispVal : nullptr);
    return S_OK;
}

void C_driverHandler::m_driver_onNewPrintJob(IDispatch* newJob) {
    ++m_newJobEvents;
    long jobId = 0;
    ComPtr<IPrintJob> job;
    if (newJob && SUCCEEDED(newJob->QueryInterface(IID_IPrintJob, reinterpret_cast<void**>(job.GetAddressOf()))))
        job->get_jobId(&jobId);
    DebugLine() << "C_driverHandler - new print job " << jobId << " on " << toAnsi(m_printerName);
    if (!job) return;
    auto handler = std::make_shared<C_jobHandler>(m_localization);
    handler->setParent(this);
    if (auto failure = com::runCaught([&] { handler->setJob(job); })) {
        DebugLine() << "C_driverHandler - job " << jobId << " cannot be followed: " << toAnsi(failure->description);
        if (!m_busy) m_userInformation.reset();
        showLoginProblem(failure->description);
        return;
    }
    if (m_busy) {
        DebugLine() << "C_driverHandler - job " << jobId << " waits for the login in progress";
        m_waiting.push_back(handler);
        if (m_loginDialog && m_loginDialog->hwnd()) bringToFront(m_loginDialog->hwnd());
        return;
    }
    takeOn(handler);
    takeOnWaitingJobs();
}

void C_driverHandler::takeOnWaitingJobs() {
    while (!m_waiting.empty()) {
        std::shared_ptr<C_jobHandler> job = m_waiting.front();
        m_waiting.erase(m_waiting.begin());
        if (!m_userInformation) {
            DebugLine() << "C_driverHandler - job " << job->jobId() << " dropped with the login it waited for";
            continue;
        }
        if (job->status() == C_jobHandler::kAborted) {
            DebugLine() << "C_driverHandler - job " << job->jobId() << " aborted while it waited, dropped";
            continue;
        }
        takeOn(job);
    }
}

void C_driverHandler::takeOn(const std::shared_ptr<C_jobHandler>& job) {
    // Errors outside the connection (the version check, taking the job on) are told
    // like a login error; the job is dropped and the login forgotten.
    auto failure = com::runCaught([&] {
        ComPtr<I_Web> server = m_services.createWeb();
        if (!ensureConnected(server.Get())) {
            DebugLine() << "C_driverHandler - job " << job->jobId() << " dropped: not logged in";
            return;
        }
        accept(job, server);
    });
    if (!failure) return;
    DebugLine() << "C_driverHandler - job " << job->jobId() << " dropped: 0x" << std::hex << failure->hr << " "
                << toAnsi(failure->description);
    m_userInformation.reset();
    showLoginProblem(failure->description);
}

bool C_driverHandler::ensureConnected(I_Web* server) {
    FlagSetter busy(m_busy);
    bool fresh = false;
    if (!m_userInformation) {
        fresh = true;
        updateUserInfo();
    }
    Login login;
    while ((login = connectServer(server)) == Login::TryAgain) updateUserInfo();
    if (login != Login::Connected) {
        m_userInformation.reset();
        return false;
    }
    if (fresh) {
        VersionCheckServices versionServices;
        versionServices.createWeb = m_services.createWeb;
        versionServices.installedVersion = m_services.readClientVersion;
        if (!checkVersion(server, m_localization, versionServices)) {
            m_userInformation.reset();
            return false;
        }
    }
    return true;
}

C_driverHandler::Login C_driverHandler::connectServer(I_Web* server) {
    if (!m_userInformation) return Login::NotConnected;
    auto failure = com::runCaught([&] {
        ScriptDictionary params = ScriptDictionary::create();
        LCID language = m_localization.currLang();
        params.add(L"pdLocale", Variant((long)language));
        if (language != 0) params.add(L"primaryLang", Variant((long)C_localization::primaryLangId(language)));
        params.add(L"clientVersion",
                   Variant(m_services.readClientVersion ? m_services.readClientVersion() : std::wstring(L"Unknown")));
        VARIANT_BOOL connected = VARIANT_FALSE;
        frmLoading loading(m_localization);
        loading.show();
        HRESULT hr = server->connect(BStr(KeloHost()).get(), BStr(m_userInformation->loginName).get(),
                                     BStr(m_userInformation->loginPassword).get(), params.dictionary(), &connected);
        loading.close();
        com::check(hr);
        // The component can fail without an error; that is no connection either.
        if (connected != VARIANT_TRUE)
            raiseError(E_FAIL, m_localization.stringLclz(L"STR_DHAND_NOCONNECT",
                                                         L"The connection to the server could not be made."));
    });
    if (!failure) return Login::Connected;
    DebugLine() << "C_driverHandler - login as " << toAnsi(m_userInformation->loginName)
                << " failed: " << toAnsi(failure->description);
    int answer = messageBox(failure->description, m_localization.stringLclz(L"STR_DHAND_LOGERR", L"Login error"),
                            MB_RETRYCANCEL);
    return answer == IDRETRY ? Login::TryAgain : Login::NotConnected;
}

void C_driverHandler::updateUserInfo() {
    if (m_services.askLogin) {
        std::shared_ptr<C_userInformation> login;
        if (m_userInformation) login = std::make_shared<C_userInformation>(*m_userInformation);
        if (m_services.askLogin(login) && login) m_userInformation = login;
        return;
    }
    frmLogin dialog(m_localization);
    if (m_userInformation) dialog.setUserInformation(std::make_shared<C_userInformation>(*m_userInformation));
    m_loginDialog = &dialog;
    bool accepted = dialog.doModal();
    m_loginDialog = nullptr;
    if (accepted) m_userInformation = dialog.userInformation();
}

void C_driverHandler::accept(const std::shared_ptr<C_jobHandler>& job, ComPtr<I_Web> server) {
    job->setServer(std::move(server));
    job->setAcceptedLogin(m_userInformation);
    m_jobs.emplace_back(job->jobId(), job);
    DebugLine() << "C_driverHandler - job " << job->jobId() << " accepted for " << toAnsi(m_userInformation->loginName);
    // A job that waited may have ended meanwhile.
    if (job->status() != C_jobHandler::kBeingPrinted) jobChangeStat();
}

void C_driverHandler::m_notify_onNotify(Variant&) {
    FlagSetter notifying(m_notifying);
    // Jobs may come and go while one is processed: walk over a copy.
    const auto walk = m_jobs;
    for (const auto& entry : walk) {
        auto kept = std::find(m_jobs.begin(), m_jobs.end(), entry);
        if (kept == m_jobs.end()) continue;
        long status = entry.second->status();
        if (status == C_jobHandler::kComplete) {
            m_jobs.erase(kept);
            finishJob(entry.second);
        } else if (status == C_jobHandler::kAborted) {
            m_jobs.erase(kept);
            DebugLine() << "C_driverHandler - job " << entry.first << " aborted, dropped";
        }
    }
}

void C_driverHandler::finishJob(const std::shared_ptr<C_jobHandler>& job) { job->processJob(m_userInformation); }

void C_driverHandler::showLoginProblem(const std::wstring& description) {
    messageBox(description, m_localization.stringLclz(L"STR_DHAND_LOGERR", L"Login error"), MB_OK | MB_ICONSTOP);
}

int C_driverHandler::messageBox(const std::wstring& text, const std::wstring& title, UINT type) {
    if (m_services.messageBox) return m_services.messageBox(text, title, type);
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), type | MB_SETFOREGROUND);
}
