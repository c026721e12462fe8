#include "ciweb.h"

#include <olectl.h>
#include <urlmon.h>

#include "bstr.h"
#include "browser_launch.h"
#include "credential_scramble.h"
#include "debug_log.h"
#include "file_upload.h"
#include "html_document.h"
#include "url_text.h"
#include "web_events.h"
#include "web_failures.h"

namespace web {
namespace {

std::wstring textOf(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }

BSTR newText(const std::wstring& text) {
    BStr copy(text);
    return copy.release();
}

}  // namespace

// A sink that answers a progress event with E_ABORT (its user stopped the upload) ends
// the upload at that point.
CiWeb::CiWeb()
    : m_uploadProgress([this](long percent) {
          if (!fireProgress(percent)) m_uploadProgress.requestStop();
      }) {}

template <class Body, class Report>
HRESULT CiWeb::run(const char* method, Report reportFailure, Body&& body) {
    return com::runLogged(
        method, kMethodTexts, [&](const com::Failure& failure) { return report(reportFailure(failure)); },
        std::forward<Body>(body), socketErrors);
}

template <class Body>
bool CiWeb::quietly(const char* method, Body&& body) {
    return com::runLogged(
        method, kMethodTexts, true,
        [&] {
            body();
            return false;
        },
        socketErrors);
}

bool CiWeb::fireProgress(long percentDone) {
    bool stopAsked = false;
    events().fire(kFileUploadProgress, {Variant(percentDone)}, &stopAsked);
    return !stopAsked;
}

STDMETHODIMP CiWeb::connect(BSTR host, BSTR name, BSTR password, IDictionary* connectParams, VARIANT_BOOL* ret) {
    if (!ret) return E_POINTER;
    *ret = VARIANT_FALSE;
    return run("CiWeb::connect", reportConnectFailure, [&] {
        std::wstring url = serviceUrlFor(textOf(host));
        ScriptDictionary parameters =
            connectParams ? ScriptDictionary::from(connectParams) : ScriptDictionary::create();
        parameters.add(L"encrypt", Variant(L"1"));
        std::wstring scrambledName = scrambleCredential(textOf(name));
        std::wstring scrambledPassword = scrambleCredential(textOf(password));

        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::connect");
        if (m_connection.connect(url, scrambledName, scrambledPassword, parameters)) *ret = VARIANT_TRUE;
    });
}

STDMETHODIMP CiWeb::disconnect() {
    quietly("CiWeb::disconnect", [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::disconnect");
        m_connection.disconnect();
    });
    return S_OK;
}

STDMETHODIMP CiWeb::command(BSTR method, IDictionary* params, IDictionary** retVal) {
    if (!retVal) return E_POINTER;
    *retVal = nullptr;
    return run("CiWeb::command", reportCommandFailure, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::command");
        ScriptDictionary result = m_connection.invoke(textOf(method), ScriptDictionary::from(params));
        com::check(result.get()->QueryInterface(__uuidof(IDictionary), reinterpret_cast<void**>(retVal)));
    });
}

STDMETHODIMP CiWeb::get_connected(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = VARIANT_FALSE;
    return run("CiWeb::get_connected", reportOtherFailure, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::get_connected");
        *pVal = m_connection.connected() ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP CiWeb::getRemotePicture(BSTR path, IDispatch** ret) {
    if (!ret) return E_POINTER;
    *ret = nullptr;
    return run("CiWeb::getRemotePicture", reportPictureFailure, [&] {
        std::wstring serverUrl;
        {
            C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::connect");
            if (!m_connection.connected()) throw cERROR_MSG(BV_ERR_GENERAL, "Not connected to server");
            serverUrl = m_connection.serverUrl();
        }
        std::wstring url = pictureUrlFor(serverUrl, textOf(path));
        IDispatch* picture = nullptr;
        if (SUCCEEDED(OleLoadPicturePath(&url[0], nullptr, 0, 0, IID_IPictureDisp, reinterpret_cast<void**>(&picture))))
            *ret = picture;
    });
}

STDMETHODIMP CiWeb::startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress, LONG* ret) {
    return resumeFileUpload(localFilename, serverPath, serverPort, 0, compress, ret);
}

STDMETHODIMP CiWeb::resumeFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG, LONG compress,
                                     LONG* ret) {
    if (!ret) return E_POINTER;
    *ret = 0;
    return run("CiWeb::resumeFileUpload", reportUploadFailure, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CiWeb::resumeFileUpload");
        UploadRequest request;
        request.serverUrl = m_connection.serverUrl();
        request.localFilename = textOf(localFilename);
        request.serverPath = textOf(serverPath);
        request.serverPort = serverPort;
        request.compress = compress != 0;
        m_uploadProgress.clearComplete();
        uploadFile(request, &m_uploadProgress);
    });
}

STDMETHODIMP CiWeb::urlEncode(BSTR string, BSTR* url) {
    if (!url) return E_POINTER;
    *url = nullptr;
    return run("CiWeb::urlEncode", reportOtherFailure, [&] { *url = newText(web::urlEncode(textOf(string))); });
}

STDMETHODIMP CiWeb::urlDecode(BSTR url, BSTR* string) {
    if (!string) return E_POINTER;
    *string = nullptr;
    return run("CiWeb::urlDecode", reportOtherFailure, [&] { *string = newText(web::urlDecode(textOf(url))); });
}

STDMETHODIMP CiWeb::get_Session(BSTR* pVal) {
    if (pVal) *pVal = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CiWeb::getUploadMessage(BSTR* ret) {
    if (!ret) return E_POINTER;
    *ret = nullptr;
    return run("CiWeb::getUploadMessage", reportOtherFailure, [&] { *ret = newText(m_uploadMessage); });
}

STDMETHODIMP CiWeb::downloadFile(BSTR url, BSTR localPath, VARIANT_BOOL) {
    HRESULT result = S_OK;
    quietly("CiWeb::downloadFile", [&] {
        std::string address = ansiBytes(textOf(url));
        std::string path = ansiBytes(textOf(localPath));
        auto callback = com::make<DownloadProgress>([this](long percent) { fireProgress(percent); });
        result = URLDownloadToFileA(nullptr, address.c_str(), path.c_str(), 0, callback.Get());
    });
    if (FAILED(result)) SetErrorInfo(0, nullptr);
    return result;
}

STDMETHODIMP CiWeb::assignHTML(IDispatch* document, BSTR htmlString) {
    return run("CiWeb::assignHTML", reportHtmlFailure, [&] { assignHtml(document, textOf(htmlString)); });
}

STDMETHODIMP CiWeb::getServerUrl(BSTR* pRet) {
    if (!pRet) return E_POINTER;
    *pRet = nullptr;
    return run("CiWeb::getServerUrl", reportOtherFailure,
               [&] { *pRet = newText(serverRootOf(m_connection.serverUrl())); });
}

STDMETHODIMP CiWeb::openUrlInBrowser(BSTR url, IDictionary* urlparams, VARIANT_BOOL* ret) {
    if (!ret) return E_POINTER;
    *ret = VARIANT_TRUE;
    if (quietly("CiWeb::openUrlInBrowser", [&] {
            std::wstring parameters = browserParameterText(textOf(url), ScriptDictionary::from(urlparams));
            startBrowser(findBrowser(), parameters);
        }))
        *ret = VARIANT_FALSE;
    return S_OK;
}

}  // namespace web
