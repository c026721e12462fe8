#pragma once
// cSTRING: an 8-bit string whose characters live in a shared, reference-counted body.
// Copies share the body; every change makes a new string, so a shared body is never
// written to. A null text is the empty string.
#include <string>

#include "list.h"

class cSTRING {
public:
    cSTRING() = default;
    // A length of -1 takes the text up to its NUL. Throws 11 when out of memory.
    cSTRING(const char* text, int length = -1);
    cSTRING(const std::string& text);
    // Converts with the ANSI code page; throws 1000 "cSTRING: Cannot translate from unicode".
    explicit cSTRING(const wchar_t* text);
    explicit cSTRING(const std::wstring& text);
    cSTRING(const cSTRING& other);
    cSTRING(cSTRING&& other) noexcept;
    cSTRING& operator=(const cSTRING& other);
    cSTRING& operator=(cSTRING&& other) noexcept;
    ~cSTRING();

    // printf-style; the result holds the whole formatted text, however long.
    static cSTRING format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#endif
        ;

    int length() const;
    bool empty() const { return length() == 0; }
    // Throws 1000 for an index outside 0 ... length-1.
    char operator[](int index) const;
    // Never null.
    const char* c_str() const;
    std::string str() const { return std::string(c_str(), (size_t)length()); }
    // Converts with the ANSI code page.
    std::wstring wide() const;

    cSTRING operator+(const cSTRING& other) const;
    cSTRING operator+(const char* text) const;
    cSTRING& operator+=(const cSTRING& other) { return *this = *this + other; }
    cSTRING& operator+=(const char* text) { return *this = *this + text; }

    // Index of the first c at or after start; -1 when none or when start is at or past the end.
    int find(char c, int start = 0) const;
    cSTRING replace(char from, char to) const;
    // Parts between the separators, empty parts included; no separator gives one part.
    LIST<cSTRING> split(const char* separator) const;
    // The number read with " %d " (or " %f ", single precision); the default when none.
    int toInt(int defaultValue) const;
    float toReal(float defaultValue) const;

    friend bool operator==(const cSTRING& a, const cSTRING& b);
    friend bool operator!=(const cSTRING& a, const cSTRING& b) { return !(a == b); }

private:
    struct Body;
    explicit cSTRING(Body* body) : m_body(body) {}
    static Body* allocate(int length, const char* failure);
    static cSTRING joined(const char* a, int aLength, const char* b, int bLength);

    Body* m_body = nullptr;
};
