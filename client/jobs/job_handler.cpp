#include "job_handler.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "bstr.h"
#include "browser.h"
#include "client_error.h"
#include "engine_events.h"
#include "com/guard.h"
#include "debug_log.h"
#include "driver_handler.h"
#include "job_folders.h"
#include "job_persistant.h"
#include "text_convert.h"
#include "upload_handler.h"

namespace {

bool isTrue(const VARIANT* value) {
    if (!value) return false;
    Variant flag;
    if (FAILED(VariantChangeType(&flag, const_cast<VARIANT*>(value), 0, VT_BOOL))) return false;
    return flag.boolVal != VARIANT_FALSE;
}

std::wstring textOf(const VARIANT* value) {
    if (!value || value->vt == VT_EMPTY || value->vt == VT_NULL) return L"";
    std::wstring text;
    com::runCaught([&] { text = Variant(*value).toString(); });
    return text;
}
}  // namespace

C_jobHandler::C_jobHandler(const C_localization& localization) : m_localization(localization) {
    m_server.setLanguage(m_localization.currLang());
}

C_jobHandler::~C_jobHandler() {
    m_events.end();
    m_job.Reset();
}

void C_jobHandler::setJob(ComPtr<IPrintJob> job) {
    m_events.end();
    m_job = std::move(job);
    if (!m_job) return;
    com::check(m_job->get_jobId(&m_jobId));
    auto sink = com::make<com::EventSink>(DIID__IPrintJobEvents,
                                          [this](DISPID event, DISPPARAMS* params) { return onEvent(event, params); });
    com::check(m_events.begin(m_job.Get(), DIID__IPrintJobEvents, sink.Get()));
}

void C_jobHandler::setServer(ComPtr<I_Web> server) { m_server.setServer(std::move(server)); }

HRESULT C_jobHandler::onEvent(DISPID event, DISPPARAMS* params) {
    if (event == kOnCloseDoc)
        m_job_onCloseDoc(isTrue(com::eventArgument(params, 0)), textOf(com::eventArgument(params, 1)));
    return S_OK;
}

void C_jobHandler::m_job_onCloseDoc(bool aborted, const std::wstring& path) {
    if (aborted) {
        DebugLine() << "C_jobHandler - job " << m_jobId << " aborted";
        m_status = kAborted;
        return;
    }
    DebugLine() << "C_jobHandler - job " << m_jobId << " complete in " << toAnsi(path);
    m_status = kComplete;
    m_jobFolder = path;
    if (m_parent) m_parent->jobChangeStat();
}

void C_jobHandler::processJob(const std::shared_ptr<C_userInformation>& userInfo) {
    // A job whose document had no data has no folder, and nothing to send.
    if (m_jobFolder.empty()) {
        DebugLine() << "C_jobHandler - job " << m_jobId << " has no folder; nothing to send";
        return;
    }
    const std::shared_ptr<C_userInformation>& login = userInfo ? userInfo : m_acceptedLogin;
    auto failure = com::runCaught([&] { process(login ? *login : C_userInformation()); });
    if (!failure) return;
    DebugLine() << "C_jobHandler - job " << m_jobId << " failed: 0x" << std::hex << failure->hr << " "
                << toAnsi(failure->description);
    showUnexpectedError(failure->hr, failure->description);
    deleteJobFolder(m_jobFolder);
}

void C_jobHandler::process(const C_userInformation& login) {
    const std::wstring statePath = m_jobFolder + L"\\" + kJobStateFileName;
    C_jobPersistant state;
    state.setPersistantFile(statePath);
    state.setJobId(L"0");
    state.setFilename(m_jobFolder + L"\\layout.ps");
    state.Flush();

    std::wstring uploaded;
    bool aborted = false;
    {
        C_uploadHandler upload(m_localization);
        upload.setBasePath(m_jobFolder);
        upload.setPersistFile(statePath);
        upload.setServer(m_server.server());
        uploaded = upload.doUpload();
        aborted = upload.GetAborted();
    }
    deleteJobFolder(m_jobFolder);
    if (aborted) {
        DebugLine() << "C_jobHandler - job " << m_jobId << " stopped by the user";
        return;
    }

    BStr serverUrl;
    com::check(m_server.server()->getServerUrl(serverUrl.out()));
    std::wstring url = serverUrl.str() + m_server.getCallUrl();
    ScriptDictionary fields = ScriptDictionary::create();
    fields.add(L"username", Variant(login.loginName));
    fields.add(L"password", Variant(login.loginPassword));
    fields.add(L"localizationsection", m_server.getLocalizationSection().item(L"localizationsection"));
    fields.add(L"filename", Variant(uploaded));
    VARIANT_BOOL opened = VARIANT_FALSE;
    com::check(m_server.server()->openUrlInBrowser(BStr(url).get(), fields.dictionary(), &opened));
    DebugLine() << "C_jobHandler - job " << m_jobId << " sent as " << toAnsi(uploaded)
                << (opened ? ", order page opened" : ", the browser could not be started");
    if (!opened) showOrderPageNotOpened(url);
}

void C_jobHandler::showOrderPageNotOpened(const std::wstring& url) {
    std::wstring text = m_localization.stringLclz(L"STR_JHAND_NOBROWSER",
                                                  L"The order page could not be opened in the browser. The print job "
                                                  L"was sent; please open the order page yourself:") +
                        L"\r\n\r\n" + url;
    MessageBoxW(nullptr, text.c_str(), m_localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(),
                MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

void C_jobHandler::showUnexpectedError(HRESULT number, const std::wstring& description) {
    wchar_t hex[16];
    swprintf(hex, 16, L"%lX", (unsigned long)number);
    std::wstring text =
        m_localization.stringLclz(L"STR_JHAND_UNEXPECTED", L"Unexpected error while processing the print job") +
        L"\r\n" + hex + L" - " + description + L"\r\n\r\n" +
        m_localization.stringLclz(L"STR_JHAND_JOBCANCEL", L"The print job has been cancelled");
    MessageBoxW(nullptr, text.c_str(), m_localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(),
                MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

void C_jobHandler::runURLExternal(const std::wstring& commandLine) {
    std::string browser = toAnsi(findBrowser(false));
    std::string parameters = toAnsi(commandLine);
    ShellExecuteA(nullptr, "open", browser.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}
