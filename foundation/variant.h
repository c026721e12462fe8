#pragma once
// Owning VARIANT: initialised on construction, cleared on destruction. Copies go
// through VariantCopy; a failing copy throws _com_error with its HRESULT.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <string>

class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    explicit Variant(long value) : Variant() { setLong(value); }
    explicit Variant(int value) : Variant((long)value) {}
    explicit Variant(short value) : Variant() {
        vt = VT_I2;
        iVal = value;
    }
    explicit Variant(double value) : Variant() {
        vt = VT_R8;
        dblVal = value;
    }
    explicit Variant(bool value) : Variant() {
        vt = VT_BOOL;
        boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    explicit Variant(const wchar_t* text);  // VT_BSTR; null gives a null BSTR
    explicit Variant(const std::wstring& text);
    explicit Variant(IDispatch* object);  // VT_DISPATCH, referenced
    explicit Variant(IUnknown* object);   // VT_UNKNOWN, referenced
    Variant(const VARIANT& other);        // deep copy
    Variant(const Variant& other) : Variant(static_cast<const VARIANT&>(other)) {}
    Variant(Variant&& other) noexcept;
    ~Variant() { VariantClear(this); }

    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;

    void clear() { VariantClear(this); }
    void setLong(long value) {
        clear();
        vt = VT_I4;
        lVal = value;
    }
    // Clears and returns the VARIANT for an out parameter.
    VARIANT* out() {
        clear();
        return this;
    }
    // Moves the value into a caller's VARIANT (which must be cleared or uninitialised).
    void detachTo(VARIANT* target);
    // Takes over the value of a VARIANT someone handed over, leaving it VT_EMPTY.
    static Variant take(VARIANT* source);

    // Conversions through VariantChangeType; throw _com_error when impossible.
    std::wstring toString() const;
    long toLong() const;
};
