#include "web_access.h"

#include <comdef.h>

#include "bstr.h"
#include "com/error_info.h"
#include "com/guard.h"
#include "variant_list.h"

namespace {

const CLSID kClsidDictionary = {0xEE09B103, 0x97E0, 0x11CF, {0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F}};

// Member ids of the Scripting Runtime's IDictionary.
const DISPID kItem = 0;
const DISPID kAdd = 1;
const DISPID kCount = 2;
const DISPID kExists = 3;
const DISPID kKeys = 6;

[[noreturn]] void throwInvokeFailure(HRESULT hr, EXCEPINFO& exception) {
    if (hr != DISP_E_EXCEPTION) throw _com_error(hr);
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    BStr description = BStr::attach(exception.bstrDescription);
    BStr source = BStr::attach(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    HRESULT code = exception.scode ? exception.scode : DISP_E_EXCEPTION;
    com::setRichError(code, description.str(), source.c_str());
    IErrorInfo* info = nullptr;
    GetErrorInfo(0, &info);
    throw _com_error(code, info);  // takes over the reference
}

}  // namespace

ComPtr<I_Web> createWebComponent() {
    ComPtr<I_Web> web;
    com::check(CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                                reinterpret_cast<void**>(web.GetAddressOf())));
    return web;
}

ServerDictionary ServerDictionary::create() {
    ComPtr<IDispatch> object;
    com::check(CoCreateInstance(kClsidDictionary, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(object.GetAddressOf())));
    return ServerDictionary(object);
}

ServerDictionary ServerDictionary::from(IUnknown* object) {
    ComPtr<IDispatch> dictionary;
    if (object && SUCCEEDED(object->QueryInterface(__uuidof(IDictionary),
                                                   reinterpret_cast<void**>(dictionary.GetAddressOf()))))
        return ServerDictionary(dictionary);
    return ServerDictionary();
}

Variant ServerDictionary::call(DISPID member, WORD flags, std::vector<Variant> arguments) const {
    if (!object_) throw _com_error(E_POINTER);
    // Invoke takes the arguments last to first.
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    Variant result;
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr = object_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.out(), &exception,
                                 &argumentError);
    if (FAILED(hr)) throwInvokeFailure(hr, exception);
    return result;
}

void ServerDictionary::add(const std::wstring& key, const Variant& item) {
    call(kAdd, DISPATCH_METHOD, {Variant(key), item});
}

bool ServerDictionary::exists(const std::wstring& key) const {
    if (!object_) return false;
    Variant result = call(kExists, DISPATCH_METHOD, {Variant(key)});
    return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
}

Variant ServerDictionary::item(const std::wstring& key) const {
    // The dictionary's Item adds a missing key: look first.
    if (!exists(key)) return Variant();
    return call(kItem, DISPATCH_PROPERTYGET, {Variant(key)});
}

long ServerDictionary::count() const { return call(kCount, DISPATCH_PROPERTYGET, {}).toLong(); }

std::vector<std::wstring> ServerDictionary::keys() const {
    Variant array = call(kKeys, DISPATCH_METHOD, {});
    tVARIANTLIST list(array);
    std::vector<std::wstring> keys;
    for (int i = 0; i < list.count(); i++) keys.push_back(list[i].toString());
    return keys;
}
