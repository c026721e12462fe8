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
        owned.m_value = raw;
        return owned;
    }
    // A copy of a BSTR that stays with its owner (length kept, embedded NULs too).
    static BStr copyOf(BSTR raw);

    ~BStr() { SysFreeString(m_value); }
    BStr(BStr&& other) noexcept : m_value(other.release()) {}
    BStr& operator=(BStr&& other) noexcept {
        if (this != &other) {
            SysFreeString(m_value);
            m_value = other.release();
        }
        return *this;
    }
    BStr(const BStr& other) : BStr(copyOf(other.m_value)) {}
    BStr& operator=(const BStr& other) {
        if (this != &other) *this = copyOf(other.m_value);
        return *this;
    }

    BSTR get() const { return m_value; }
    // Frees what is held and returns the slot for an out parameter.
    BSTR* out() {
        SysFreeString(m_value);
        m_value = nullptr;
        return &m_value;
    }
    // Gives the BSTR to the caller (for [out, retval] results).
    BSTR release() { return std::exchange(m_value, nullptr); }

    UINT length() const { return SysStringLen(m_value); }
    bool empty() const { return length() == 0; }
    // Never null: "" for a null BSTR.
    const wchar_t* c_str() const { return m_value ? m_value : L""; }
    std::wstring str() const { return std::wstring(c_str(), length()); }

private:
    BSTR m_value = nullptr;
};
