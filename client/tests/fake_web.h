#pragma once
// A web component inside the test: it records the server methods and parameters it is
// sent, answers them as the test says, and records uploads and browser pages.
#include <functional>
#include <string>
#include <vector>

#include "fake_engine.h"
#include "web_access.h"

class FakeWeb : public com::Object<FakeWeb, NoDispatch<I_Web>> {
public:
    struct Call {
        std::wstring method;
        ScriptDictionary params;
    };
    struct Upload {
        std::wstring file, serverPath;
        long port = 0, compress = 0;
        bool fileExisted = false;
    };

    // The reply of a method; by default {"returnCode": "OK"}.
    std::function<void(const std::wstring& method, ScriptDictionary& reply)> answer;
    std::vector<Call> calls;
    std::vector<Upload> uploads;
    long uploadResult = 0;
    std::wstring uploadMessage;
    std::vector<std::pair<std::wstring, ScriptDictionary>> pages;

    // The calls of one method.
    std::vector<Call> callsOf(const std::wstring& method) const;

    STDMETHODIMP connect(BSTR, BSTR, BSTR, IDictionary*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP disconnect() override { return S_OK; }
    STDMETHODIMP command(BSTR method, IDictionary* params, IDictionary** retVal) override;
    STDMETHODIMP get_connected(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP getRemotePicture(BSTR, IDispatch** ret) override;
    STDMETHODIMP startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress,
                                 LONG* ret) override;
    STDMETHODIMP resumeFileUpload(BSTR, BSTR, LONG, LONG, LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP urlEncode(BSTR, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP urlDecode(BSTR, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Session(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP getUploadMessage(BSTR* ret) override;
    STDMETHODIMP downloadFile(BSTR, BSTR, VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP assignHTML(IDispatch*, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP getServerUrl(BSTR* pRet) override;
    STDMETHODIMP openUrlInBrowser(BSTR url, IDictionary* urlparams, VARIANT_BOOL* ret) override;

    std::vector<std::wstring> pictureRequests;
};

// The fake as the interface the client takes.
ComPtr<I_Web> asWeb(const ComPtr<FakeWeb>& fake);
