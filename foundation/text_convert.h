#pragma once
// Conversions between wide text and 8-bit code pages. A null text converts to "".
#include <windows.h>

#include <string>

// Throws 1000 "convertUnicodeToUtf8::ERROR->%s" (the system error number) after the log
// line "convertUnicodeToCP2::ERROR->" + number.
std::string convertUnicodeToCP2(const wchar_t* text, UINT codePage);
std::string convertUnicodeToUtf8(const wchar_t* text);
inline std::string convertUnicodeToCP2(const std::wstring& text, UINT codePage) {
    return convertUnicodeToCP2(text.c_str(), codePage);
}
inline std::string convertUnicodeToUtf8(const std::wstring& text) { return convertUnicodeToUtf8(text.c_str()); }

// Wide text to the ANSI code page, and 8-bit text of a code page to wide text.
inline std::string toAnsi(const wchar_t* text) { return convertUnicodeToCP2(text, CP_ACP); }
inline std::string toAnsi(const std::wstring& text) { return toAnsi(text.c_str()); }
// Throws 1000 "convertToUnicode::ERROR->" + the system error number.
std::wstring toWide(const char* text, UINT codePage = CP_ACP);
inline std::wstring toWide(const std::string& text, UINT codePage = CP_ACP) { return toWide(text.c_str(), codePage); }
