#include "text_convert.h"

#include <string>

#include "debug_log.h"
#include "error_msg.h"

std::string convertUnicodeToCP2(const wchar_t* text, UINT codePage) {
    if (!text || !*text) return std::string();
    int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(size > 0 ? (size_t)size : 0, '\0');
    if (size <= 0 || WideCharToMultiByte(codePage, 0, text, -1, &converted[0], size, nullptr, nullptr) != size) {
        DWORD error = GetLastError();
        DebugLine() << "convertUnicodeToCP2::ERROR->" << error;
        throw cERROR_MSG(BV_ERR_GENERAL, "convertUnicodeToUtf8::ERROR->%s", std::to_string(error).c_str());
    }
    converted.resize((size_t)size - 1);
    return converted;
}

std::string convertUnicodeToUtf8(const wchar_t* text) { return convertUnicodeToCP2(text, CP_UTF8); }

std::wstring toWide(const char* text, UINT codePage) {
    if (!text || !*text) return std::wstring();
    int size = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    std::wstring converted(size > 0 ? (size_t)size : 0, L'\0');
    if (size <= 0 || MultiByteToWideChar(codePage, 0, text, -1, &converted[0], size) != size)
        throw cERROR_MSG(BV_ERR_GENERAL, "convertToUnicode::ERROR->%lu", GetLastError());
    converted.resize((size_t)size - 1);
    return converted;
}
