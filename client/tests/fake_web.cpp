#include "fake_web.h"

#include "bstr.h"
#include "lab_paths.h"

std::vector<FakeWeb::Call> FakeWeb::callsOf(const std::wstring& method) const {
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.method == method) found.push_back(call);
    return found;
}

STDMETHODIMP FakeWeb::command(BSTR method, IDictionary* params, IDictionary** retVal) {
    *retVal = nullptr;
    calls.push_back({method ? method : L"", ScriptDictionary::from(params)});
    ScriptDictionary reply = ScriptDictionary::create();
    reply.add(L"returnCode", Variant(L"OK"));
    if (answer) answer(calls.back().method, reply);
    *retVal = reply.dictionary();
    reply.dictionary()->AddRef();
    return S_OK;
}

STDMETHODIMP FakeWeb::getRemotePicture(BSTR path, IDispatch** ret) {
    *ret = nullptr;
    pictureRequests.push_back(path ? path : L"");
    return S_OK;
}

STDMETHODIMP FakeWeb::startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress, LONG* ret) {
    *ret = 0;
    Upload upload{localFilename ? localFilename : L"", serverPath ? serverPath : L"", serverPort, compress, false};
    upload.fileExisted = lab::fileExists(upload.file);
    uploads.push_back(upload);
    *ret = uploadResult;
    return S_OK;
}

STDMETHODIMP FakeWeb::getUploadMessage(BSTR* ret) {
    *ret = BStr(uploadMessage).release();
    return S_OK;
}

STDMETHODIMP FakeWeb::getServerUrl(BSTR* pRet) {
    *pRet = BStr(L"http://print.example.test:8080").release();
    return S_OK;
}

STDMETHODIMP FakeWeb::openUrlInBrowser(BSTR url, IDictionary* urlparams, VARIANT_BOOL* ret) {
    pages.emplace_back(url ? url : L"", ScriptDictionary::from(urlparams));
    *ret = VARIANT_TRUE;
    return S_OK;
}

ComPtr<I_Web> asWeb(const ComPtr<FakeWeb>& fake) {
    ComPtr<I_Web> web;
    fake.As(&web);
    return web;
}
