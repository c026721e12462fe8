#include "web_test_support.h"

#include <comdef.h>

#include "bstr.h"
#include "safearray.h"

namespace webtest {
namespace {
const IID kIidDictionary = {0x42C642C1, 0x97E1, 0x11CF, {0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F}};
}

TestDictionary::TestDictionary() {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"Scripting.Dictionary", &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(m_object.GetAddressOf()));
    if (FAILED(hr)) throw _com_error(hr);
}

ComPtr<IDispatch> TestDictionary::dictionary() const {
    ComPtr<IDispatch> dictionary;
    if (m_object) m_object->QueryInterface(kIidDictionary, reinterpret_cast<void**>(dictionary.GetAddressOf()));
    return dictionary;
}

Variant TestDictionary::call(const wchar_t* member, WORD flags, std::vector<Variant> arguments) const {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = m_object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw _com_error(hr);
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    Variant result;
    EXCEPINFO exception = {};
    hr = m_object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.out(), &exception, nullptr);
    if (FAILED(hr)) throw _com_error(hr == DISP_E_EXCEPTION && exception.scode ? exception.scode : hr);
    return result;
}

TestDictionary& TestDictionary::add(const std::wstring& key, const Variant& value) {
    call(L"Add", DISPATCH_METHOD, {Variant(key), value});
    return *this;
}

bool TestDictionary::exists(const std::wstring& key) const {
    Variant result = call(L"Exists", DISPATCH_METHOD, {Variant(key)});
    return result.vt == VT_BOOL && result.boolVal;
}

Variant TestDictionary::item(const std::wstring& key) const {
    return call(L"Item", DISPATCH_PROPERTYGET, {Variant(key)});
}

std::wstring TestDictionary::text(const std::wstring& key) const {
    Variant value = item(key);
    return value.vt == VT_BSTR ? BStr::copyOf(value.bstrVal).str() : L"<not a string>";
}

long TestDictionary::count() const { return call(L"Count", DISPATCH_PROPERTYGET, {}).toLong(); }

std::vector<std::wstring> TestDictionary::keys() const { return arrayTexts(call(L"Keys", DISPATCH_METHOD, {})); }

std::vector<std::wstring> arrayTexts(const VARIANT& array) {
    std::vector<std::wstring> texts;
    if (array.vt != (VT_ARRAY | VT_VARIANT) || !array.parray) return texts;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array.parray, 1, &lower);
    SafeArrayGetUBound(array.parray, 1, &upper);
    for (LONG i = lower; i <= upper; i++) {
        Variant item;
        SafeArrayGetElement(array.parray, &i, item.out());
        texts.push_back(item.vt == VT_BSTR ? BStr::copyOf(item.bstrVal).str() : item.toString());
    }
    return texts;
}

std::wstring scrambled(const std::wstring& text) {
    std::wstring out = text;
    for (size_t i = 0; i < out.size(); i++) out[i] = (wchar_t)((out[i] + 10 + i % 10) & 0xFFFF);
    return out;
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

}  // namespace webtest
