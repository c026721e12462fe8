#pragma once
// A web component inside the test: it records the server methods and parameters it is
// sent, answers them as the test says, records uploads and fires progress events.
#include <functional>
#include <string>
#include <vector>

#include "fake_engine.h"
#include "web_access.h"

class FakeWeb : public com::Object<FakeWeb, NoDispatch<I_Web>, FakeEvents<DIID__IWebEvents>> {
public:
    struct Call {
        std::wstring method;
        ScriptDictionary params;
    };
    struct Upload {
        std::wstring file, serverPath;
        long port = 0, compress = 0;
    };

    // The reply of a method; by default {"returnCode": "OK"}.
    std::function<void(const std::wstring& method, ScriptDictionary& reply)> answer;
    std::vector<Call> calls;
    std::vector<Upload> uploads;
    long uploadResult = 0;
    std::wstring uploadMessage;

    // The calls of one method.
    std::vector<Call> callsOf(const std::wstring& method) const;
    // Fires fileUploadProgress; true when a sink asked to stop the transfer.
    bool fireProgress(const Variant& percent);

    STDMETHODIMP command(BSTR method, IDictionary* params, IDictionary** retVal) override;
    STDMETHODIMP startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress,
                                 LONG* ret) override;
    STDMETHODIMP getUploadMessage(BSTR* ret) override;
    STDMETHODIMP disconnect() override { return S_OK; }
    KELO_FAKE_NOTIMPL(getRemotePicture(BSTR, IDispatch**))
    KELO_FAKE_NOTIMPL(connect(BSTR, BSTR, BSTR, IDictionary*, VARIANT_BOOL*))
    KELO_FAKE_NOTIMPL(get_connected(VARIANT_BOOL*))
    KELO_FAKE_NOTIMPL(resumeFileUpload(BSTR, BSTR, LONG, LONG, LONG, LONG*))
    KELO_FAKE_NOTIMPL(urlEncode(BSTR, BSTR*))
    KELO_FAKE_NOTIMPL(urlDecode(BSTR, BSTR*))
    KELO_FAKE_NOTIMPL(get_Session(BSTR*))
    KELO_FAKE_NOTIMPL(downloadFile(BSTR, BSTR, VARIANT_BOOL))
    KELO_FAKE_NOTIMPL(assignHTML(IDispatch*, BSTR))
    KELO_FAKE_NOTIMPL(getServerUrl(BSTR*))
    KELO_FAKE_NOTIMPL(openUrlInBrowser(BSTR, IDictionary*, VARIANT_BOOL*))
};

// The fake as the interface the client takes.
ComPtr<I_Web> asWeb(const ComPtr<FakeWeb>& fake);
