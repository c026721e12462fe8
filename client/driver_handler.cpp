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
    explicit FlagSetter(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagSetter() { flag_ = false; }
    FlagSetter(const FlagSetter&) = delete;
    FlagSetter& operator=(const FlagSetter&) = delete;

private:
    bool& flag_;
};

}  // namespace

DriverHandlerServices defaultDriverHandlerServices() {
    DriverHandlerServices services;
    services.readClientVersion = readClientVersion;
    return services;
}

C_driverHandler::C_driverHandler(const C_localization& localization, DriverHandlerServices services)
    : localization_(localization),
      services_(std::move(services)),
      m_notify(std::make_unique<Notifier>([this](Variant& ctx) { m_notify_onNotify(ctx); })) {}

C_driverHandler::~C_driverHandler() {
    subscription_.end();
    waiting_.clear();
    jobs_.clear();
    userInformation_.reset();
    m_driver.Reset();
}

void C_driverHandler::setDriver(ComPtr<IPrintDriver> driver) {
    subscription_.end();
    m_driver = std::move(driver);
    printerName_.clear();
    if (!m_driver) return;
    BStr name;
    if (SUCCEEDED(m_driver->get_printerName(name.out()))) printerName_ = name.str();
    auto sink = com::make<com::EventSink>(DIID__IPrintDriverEvents,
                                          [this](DISPID event, DISPPARAMS* params) { return onEvent(event, params); });
    com::check(subscription_.begin(m_driver.Get(), DIID__IPrintDriverEvents, sink.Get()));
}

std::wstring C_driverHandler::KeloHost() const {
    if (!m_driver) return L"";
    Variant host;
    com::check(m_driver->getDriverData(BStr(L"keloServerIp").get(), host.out()));
    return host.toString();
}

bool C_driverHandler::hasWorkInHand() const {
    if (busy_ || notifying_ || !waiting_.empty()) return true;
    return std::any_of(jobs_.begin(), jobs_.end(),
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
    ++newJobEvents_;
    long jobId = 0;
    ComPtr<IPrintJob> job;
    if (newJob && SUCCEEDED(newJob->QueryInterface(IID_IPrintJob, reinterpret_cast<void**>(job.GetAddressOf()))))
        job->get_jobId(&jobId);
    DebugLine() << "C_driverHandler - new print job " << jobId << " on " << toAnsi(printerName_);
    if (!job) return;
    auto handler = std::make_shared<C_jobHandler>(localization_);
    handler->setParent(this);
    if (auto failure = com::runCaught([&] { handler->setJob(job); })) {
        DebugLine() << "C_driverHandler - job " << jobId << " cannot be followed: " << toAnsi(failure->description);
        if (!busy_) userInformation_.reset();
        showLoginProblem(failure->description);
        return;
    }
    if (busy_) {
        DebugLine() << "C_driverHandler - job " << jobId << " waits for the login in progress";
        waiting_.push_back(handler);
        if (loginDialog_ && loginDialog_->hwnd()) bringToFront(loginDialog_->hwnd());
        return;
    }
    takeOn(handler);
    takeOnWaitingJobs();
}

void C_driverHandler::takeOnWaitingJobs() {
    while (!waiting_.empty()) {
        std::shared_ptr<C_jobHandler> job = waiting_.front();
        waiting_.erase(waiting_.begin());
        if (!userInformation_) {
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
        ComPtr<I_Web> server = services_.createWeb();
        if (!ensureConnected(server.Get())) {
            DebugLine() << "C_driverHandler - job " << job->jobId() << " dropped: not logged in";
            return;
        }
        accept(job, server);
    });
    if (!failure) return;
    DebugLine() << "C_driverHandler - job " << job->jobId() << " dropped: 0x" << std::hex << failure->hr << " "
                << toAnsi(failure->description);
    userInformation_.reset();
    showLoginProblem(failure->description);
}

bool C_driverHandler::ensureConnected(I_Web* server) {
    FlagSetter busy(busy_);
    bool fresh = false;
    if (!userInformation_) {
        fresh = true;
        updateUserInfo();
    }
    Login login;
    while ((login = connectServer(server)) == Login::TryAgain) updateUserInfo();
    if (login != Login::Connected) {
        userInformation_.reset();
        return false;
    }
    if (fresh) {
        VersionCheckServices versionServices;
        versionServices.createWeb = services_.createWeb;
        versionServices.installedVersion = services_.readClientVersion;
        if (!checkVersion(server, localization_, versionServices)) {
            userInformation_.reset();
            return false;
        }
    }
    return true;
}

C_driverHandler::Login C_driverHandler::connectServer(I_Web* server) {
    if (!userInformation_) return Login::NotConnected;
    auto failure = com::runCaught([&] {
        ScriptDictionary params = ScriptDictionary::create();
        LCID language = localization_.currLang();
        params.add(L"pdLocale", Variant((long)language));
        if (language != 0) params.add(L"primaryLang", Variant((long)C_localization::primaryLangId(language)));
        params.add(L"clientVersion",
                   Variant(services_.readClientVersion ? services_.readClientVersion() : std::wstring(L"Unknown")));
        VARIANT_BOOL connected = VARIANT_FALSE;
        LoadingWindow loading(localization_);
        loading.show();
        HRESULT hr = server->connect(BStr(KeloHost()).get(), BStr(userInformation_->loginName).get(),
                                     BStr(userInformation_->loginPassword).get(), params.dictionary(), &connected);
        loading.close();
        com::check(hr);
        // The component can fail without an error; that is no connection either.
        if (connected != VARIANT_TRUE)
            raiseError(E_FAIL, localization_.stringLclz(L"STR_DHAND_NOCONNECT",
                                                        L"The connection to the server could not be made."));
    });
    if (!failure) return Login::Connected;
    DebugLine() << "C_driverHandler - login as " << toAnsi(userInformation_->loginName) << " failed: "
                << toAnsi(failure->description);
    int answer = messageBox(failure->description, localization_.stringLclz(L"STR_DHAND_LOGERR", L"Login error"),
                            MB_RETRYCANCEL);
    return answer == IDRETRY ? Login::TryAgain : Login::NotConnected;
}

void C_driverHandler::updateUserInfo() {
    if (services_.askLogin) {
        std::shared_ptr<C_userInformation> login;
        if (userInformation_) login = std::make_shared<C_userInformation>(*userInformation_);
        if (services_.askLogin(login) && login) userInformation_ = login;
        return;
    }
    LoginDialog dialog(localization_);
    if (userInformation_) dialog.setUserInformation(std::make_shared<C_userInformation>(*userInformation_));
    loginDialog_ = &dialog;
    bool accepted = dialog.doModal();
    loginDialog_ = nullptr;
    if (accepted) userInformation_ = dialog.userInformation();
}

void C_driverHandler::accept(const std::shared_ptr<C_jobHandler>& job, ComPtr<I_Web> server) {
    job->setServer(std::move(server));
    job->setAcceptedLogin(userInformation_);
    jobs_.emplace_back(job->jobId(), job);
    DebugLine() << "C_driverHandler - job " << job->jobId() << " accepted for " << toAnsi(userInformation_->loginName);
    // A job that waited may have ended meanwhile.
    if (job->status() != C_jobHandler::kBeingPrinted) jobChangeStat();
}

void C_driverHandler::m_notify_onNotify(Variant&) {
    FlagSetter notifying(notifying_);
    // Jobs may come and go while one is processed: walk over a copy.
    const auto walk = jobs_;
    for (const auto& entry : walk) {
        auto kept = std::find(jobs_.begin(), jobs_.end(), entry);
        if (kept == jobs_.end()) continue;
        long status = entry.second->status();
        if (status == C_jobHandler::kComplete) {
            jobs_.erase(kept);
            finishJob(entry.second);
        } else if (status == C_jobHandler::kAborted) {
            jobs_.erase(kept);
            DebugLine() << "C_driverHandler - job " << entry.first << " aborted, dropped";
        }
    }
}

void C_driverHandler::finishJob(const std::shared_ptr<C_jobHandler>& job) { job->processJob(userInformation_); }

void C_driverHandler::showLoginProblem(const std::wstring& description) {
    messageBox(description, localization_.stringLclz(L"STR_DHAND_LOGERR", L"Login error"), MB_OK | MB_ICONSTOP);
}

int C_driverHandler::messageBox(const std::wstring& text, const std::wstring& title, UINT type) {
    if (services_.messageBox) return services_.messageBox(text, title, type);
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), type | MB_SETFOREGROUND);
}
