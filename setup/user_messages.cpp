#include "user_messages.h"

const wchar_t kCaptionError[] = L"Error";
const wchar_t kCaptionInstallerError[] = L"Installer Error";

void showError(HWND owner, const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

void showWarning(HWND owner, const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}

bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
