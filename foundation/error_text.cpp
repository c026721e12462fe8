#include "error_text.h"

#include <comdef.h>
#include <cwchar>

#include "bstr.h"

namespace {
template <typename Char, typename FormatMessageFn>
std::basic_string<Char> systemMessage(DWORD error, FormatMessageFn formatMessage) {
    Char* buffer = nullptr;
    DWORD length = formatMessage(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<Char*>(&buffer), 0, nullptr);
    std::basic_string<Char> text =
        length && buffer ? std::basic_string<Char>(buffer, length) : std::basic_string<Char>();
    LocalFree(buffer);
    return text;
}
}  // namespace

std::string systemErrorText(DWORD error) {
    std::string text = systemMessage<char>(error, FormatMessageA);
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::wstring comErrorText(HRESULT hr) {
    std::wstring text = systemMessage<wchar_t>((DWORD)hr, FormatMessageW);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    if (!text.empty()) return text;
    wchar_t buffer[64];
    if ((DWORD)hr >= 0x80040200 && (DWORD)hr <= 0x8004FFFF)
        swprintf(buffer, 64, L"IDispatch error #%d", (int)((DWORD)hr - 0x80040200));
    else
        swprintf(buffer, 64, L"Unknown error 0x%0lX", (unsigned long)hr);
    return buffer;
}

std::wstring comErrorText(const _com_error& error) {
    if (IErrorInfo* info = error.ErrorInfo()) {
        BStr description;
        HRESULT hr = info->GetDescription(description.out());
        info->Release();
        if (SUCCEEDED(hr) && !description.empty()) return description.str();
    }
    return comErrorText(error.Error());
}
