#pragma once
// Owning BSTR. A null BSTR is a valid, empty value (COM treats them alike).
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

class BStr {
public:
    BStr() = default;
    // Copies the text; a null pointer gives a null BSTR. Throws _com_error(E_OUTOFMEMORY).
    explicit BStr(const wchar_t* text);
    BStr(const wchar_t* text, UINT length);
    explicit BStr(const std::wstring& text) : BStr(text.c_str(), (UINT)text.size()) {}
    // Takes ownership of a BSTR allocated by someone else.
    static BStr attach(BSTR raw) {
        BStr owned;
        owned.value_ = raw;
        return owned;
    }
    // A copy of a BSTR that stays with its owner (length kept, embedded NULs too).
    static BStr copyOf(BSTR raw);

    ~BStr() { SysFreeString(value_); }
    BStr(BStr&& other) noexcept : value_(other.release()) {}
    BStr& operator=(BStr&& other) noexcept {
        if (this != &other) {
            SysFreeString(value_);
            value_ = other.release();
        }
        return *this;
    }
    BStr(const BStr& other) : BStr(copyOf(other.value_)) {}
    BStr& operator=(const BStr& other) {
        if (this != &other) *this = copyOf(other.value_);
        return *this;
    }

    BSTR get() const { return value_; }
    // Frees what is held and returns the slot for an out parameter.
    BSTR* out() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    // Gives the BSTR to the caller (for [out, retval] results).
    BSTR release() { return std::exchange(value_, nullptr); }

    UINT length() const { return SysStringLen(value_); }
    bool empty() const { return length() == 0; }
    // Never null: "" for a null BSTR.
    const wchar_t* c_str() const { return value_ ? value_ : L""; }
    std::wstring str() const { return std::wstring(c_str(), length()); }

private:
    BSTR value_ = nullptr;
};
