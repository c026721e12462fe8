#pragma once
// Owning SAFEARRAY, destroyed with SafeArrayDestroy.
#include <windows.h>
#include <oleauto.h>

#include <utility>

class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* array) : m_array(array) {}
    // A zero-based one-dimensional array of the given element type.
    // Throws _com_error(E_OUTOFMEMORY) when it cannot be made.
    static SafeArray vector(VARTYPE type, ULONG count);
    ~SafeArray() { reset(); }
    SafeArray(SafeArray&& other) noexcept : m_array(other.release()) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* get() const { return m_array; }
    SAFEARRAY* release() { return std::exchange(m_array, nullptr); }
    void reset(SAFEARRAY* array = nullptr) {
        SAFEARRAY* old = std::exchange(m_array, array);
        if (old) SafeArrayDestroy(old);
    }

private:
    SAFEARRAY* m_array = nullptr;
};
