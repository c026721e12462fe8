#include "variant.h"

#include <comdef.h>

#include <cstring>

#include "bstr.h"

namespace {
void check(HRESULT hr) {
    if (FAILED(hr)) throw _com_error(hr);
}
}  // namespace

Variant::Variant(const wchar_t* text) : Variant() {
    BStr value(text);
    vt = VT_BSTR;
    bstrVal = value.release();
}

Variant::Variant(const std::wstring& text) : Variant() {
    BStr value(text);
    vt = VT_BSTR;
    bstrVal = value.release();
}

Variant::Variant(IDispatch* object) : Variant() {
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object) object->AddRef();
}

Variant::Variant(IUnknown* object) : Variant() {
    vt = VT_UNKNOWN;
    punkVal = object;
    if (object) object->AddRef();
}

Variant::Variant(const VARIANT& other) : Variant() { check(VariantCopy(this, const_cast<VARIANT*>(&other))); }

Variant::Variant(Variant&& other) noexcept : Variant() {
    std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&other), sizeof(VARIANT));
    VariantInit(&other);
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        Variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        clear();
        std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&other), sizeof(VARIANT));
        VariantInit(&other);
    }
    return *this;
}

void Variant::detachTo(VARIANT* target) {
    std::memcpy(target, static_cast<VARIANT*>(this), sizeof(VARIANT));
    VariantInit(this);
}

Variant Variant::take(VARIANT* source) {
    Variant owned;
    std::memcpy(static_cast<VARIANT*>(&owned), source, sizeof(VARIANT));
    VariantInit(source);
    return owned;
}

std::wstring Variant::toString() const {
    if (vt == VT_BSTR) return BStr::copyOf(bstrVal).str();
    Variant converted;
    check(VariantChangeType(&converted, const_cast<Variant*>(this), 0, VT_BSTR));
    return BStr::copyOf(converted.bstrVal).str();
}

long Variant::toLong() const {
    if (vt == VT_I4) return lVal;
    Variant converted;
    check(VariantChangeType(&converted, const_cast<Variant*>(this), 0, VT_I4));
    return converted.lVal;
}
