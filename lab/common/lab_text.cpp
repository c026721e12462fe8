#include "lab_text.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

namespace lab {
namespace {

std::string narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring widen(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &result[0], size);
    return result;
}

}  // namespace

std::string toUtf8(const std::wstring& text) { return narrow(text, CP_UTF8); }
std::wstring fromUtf8(const std::string& text) { return widen(text, CP_UTF8); }
std::string toAnsi(const std::wstring& text) { return narrow(text, CP_ACP); }
std::wstring fromAnsi(const std::string& text) { return widen(text, CP_ACP); }

std::string errorText(DWORD error) {
    char* buffer = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, (LPSTR)&buffer, 0, nullptr);
    std::string text = length ? std::string(buffer, length) : "error " + std::to_string(error);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

bool equalsNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), (int)a.size(), b.c_str(), (int)b.size()) ==
           CSTR_EQUAL;
}

void useBinaryOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; list && i < count; i++) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

}  // namespace lab
