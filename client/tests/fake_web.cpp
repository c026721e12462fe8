#include "fake_web.h"

#include "bstr.h"
#include "web_events.h"

std::vector<FakeWeb::Call> FakeWeb::callsOf(const std::wstring& method) const {
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.method == method) found.push_back(call);
    return found;
}

bool FakeWeb::fireProgress(const Variant& percent) { return fire(kFileUploadProgress, percent) == E_ABORT; }

STDMETHODIMP FakeWeb::command(BSTR method, IDictionary* params, IDictionary** retVal) {
    calls.push_back({method ? method : L"", ScriptDictionary::from(params)});
    ScriptDictionary reply = ScriptDictionary::create();
    reply.add(L"returnCode", Variant(L"OK"));
    if (answer) answer(calls.back().method, reply);
    *retVal = reply.dictionary();
    reply.dictionary()->AddRef();
    return S_OK;
}

STDMETHODIMP FakeWeb::startFileUpload(BSTR localFilename, BSTR serverPath, LONG serverPort, LONG compress, LONG* ret) {
    uploads.push_back({localFilename ? localFilename : L"", serverPath ? serverPath : L"", serverPort, compress});
    *ret = uploadResult;
    return S_OK;
}

STDMETHODIMP FakeWeb::getUploadMessage(BSTR* ret) {
    *ret = BStr(uploadMessage).release();
    return S_OK;
}

ComPtr<I_Web> asWeb(const ComPtr<FakeWeb>& fake) {
    ComPtr<I_Web> web;
    fake.As(&web);
    return web;
}
