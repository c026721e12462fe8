#pragma once
// CiWeb: the iWeb class, the client's single way to the provider's web service —
// connect and login, server method calls with dictionaries, job uploads with progress
// events, downloads, browser addresses, pictures and HTML documents.
//
// Registered for both apartment kinds and free-threaded: calls arrive on the caller's
// thread. One labelled lock serialises the connection, command and upload calls.
#include <windows.h>

#include <string>

#include "bv_mutex.h"
#include "com/connection_point.h"
#include "com/error_info.h"
#include "com/object.h"
#include "server_connection.h"
#include "transfer_progress.h"
#include "com/typelib_dispatch.h"
#include "web_interfaces.h"

namespace web {

class CiWeb : public com::Object<CiWeb, com::TypeLibDispatch<I_Web>, com::SupportErrorInfo<I_Web>,
                                 com::EventSource<_IWebEvents>> {
public:
    static constexpr bool kFreeThreaded = true;

    CiWeb();

    STDMETHODIMP connect(BSTR host, BSTR name, BSTR password, IDictionary* connectParams, VARIANT_BOOL* ret) override;
    STDMETHODIMP disconnect() override;
    STDMETHODIMP command(BSTR method, IDictionary* params, IDictionary** retVal) override;
    STDMETHODIMP get_connected(VARIANT_BOOL* pVal) override;
    STDMETHODIMP getRemotePicture(BSTR path, IDispatch** ret) override;
    STDMETHODIMP startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress,
                                 LONG* ret) override;
    STDMETHODIMP resumeFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG offset, LONG compress,
                                  LONG* ret) override;
    STDMETHODIMP urlEncode(BSTR string, BSTR* url) override;
    STDMETHODIMP urlDecode(BSTR url, BSTR* string) override;
    STDMETHODIMP get_Session(BSTR* pVal) override;
    STDMETHODIMP getUploadMessage(BSTR* ret) override;
    STDMETHODIMP downloadFile(BSTR url, BSTR localPath, VARIANT_BOOL forceRemoveCache) override;
    STDMETHODIMP assignHTML(IDispatch* document, BSTR htmlString) override;
    STDMETHODIMP getServerUrl(BSTR* pRet) override;
    STDMETHODIMP openUrlInBrowser(BSTR url, IDictionary* urlparams, VARIANT_BOOL* ret) override;

private:
    template <class Body, class Report>
    HRESULT run(const char* method, Report reportFailure, Body&& body);
    // Runs the body, logs a failure and tells whether there was one; nothing is reported.
    template <class Body>
    bool quietly(const char* method, Body&& body);
    // Fires fileUploadProgress; false when a sink answered E_ABORT.
    bool fireProgress(long percentDone);

    C_BVMutex m_lock;
    C_serverConnection m_connection;
    std::wstring m_uploadMessage;  // no operation sets it
    UploadProgress m_uploadProgress;
};

}  // namespace web
