#include "script_dictionary.h"

#include <comdef.h>

#include "bstr.h"
#include "error_info.h"
#include "guard.h"
#include "variant_list.h"

namespace com {

const CLSID kClsidDictionary = {0xEE09B103, 0x97E0, 0x11CF, {0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F}};

namespace {

// Member ids of the Scripting Runtime's IDictionary.
const DISPID kItem = 0;
const DISPID kAdd = 1;
const DISPID kCount = 2;
const DISPID kExists = 3;
const DISPID kKeys = 6;

// The failure of an Invoke, as the dictionary described it.
[[noreturn]] void throwInvokeFailure(HRESULT hr, EXCEPINFO& exception) {
    if (hr != DISP_E_EXCEPTION) throw _com_error(hr);
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    BStr description = BStr::attach(exception.bstrDescription);
    BStr source = BStr::attach(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    HRESULT code = exception.scode ? exception.scode : DISP_E_EXCEPTION;
    setRichError(code, description.str(), source.c_str());
    IErrorInfo* info = nullptr;
    GetErrorInfo(0, &info);
    throw _com_error(code, info);  // takes over the reference
}

}  // namespace

ScriptDictionary ScriptDictionary::create() {
    // Held as its IDictionary interface (an IDispatch too), as from() holds it.
    Microsoft::WRL::ComPtr<IDispatch> object;
    check(CoCreateInstance(kClsidDictionary, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IDictionary),
                           reinterpret_cast<void**>(object.GetAddressOf())));
    return ScriptDictionary(object);
}

ScriptDictionary ScriptDictionary::from(IUnknown* object) {
    Microsoft::WRL::ComPtr<IDispatch> dictionary;
    if (object &&
        SUCCEEDED(object->QueryInterface(__uuidof(IDictionary), reinterpret_cast<void**>(dictionary.GetAddressOf()))))
        return ScriptDictionary(dictionary);
    return ScriptDictionary();
}

Variant ScriptDictionary::call(DISPID member, WORD flags, std::vector<Variant> arguments) const {
    if (!m_object) throw _com_error(E_POINTER);
    // Invoke takes the arguments last to first.
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    Variant result;
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    HRESULT hr = m_object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.out(), &exception,
                                  &argumentError);
    if (FAILED(hr)) throwInvokeFailure(hr, exception);
    return result;
}

void ScriptDictionary::add(const VARIANT& key, const VARIANT& item) {
    call(kAdd, DISPATCH_METHOD, {Variant(key), Variant(item)});
}

bool ScriptDictionary::exists(const VARIANT& key) const {
    if (!m_object) return false;
    Variant result = call(kExists, DISPATCH_METHOD, {Variant(key)});
    return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
}

Variant ScriptDictionary::item(const VARIANT& key) const {
    // The dictionary's Item adds a missing key: look first.
    if (!exists(key)) return Variant();
    return call(kItem, DISPATCH_PROPERTYGET, {Variant(key)});
}

long ScriptDictionary::count() const { return call(kCount, DISPATCH_PROPERTYGET, {}).toLong(); }

std::vector<Variant> ScriptDictionary::keys() const {
    Variant array = call(kKeys, DISPATCH_METHOD, {});
    tVARIANTLIST list(array);
    std::vector<Variant> keys;
    for (int i = 0; i < list.count(); i++) keys.push_back(list[i]);
    return keys;
}

}  // namespace com
