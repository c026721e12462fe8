#include "user_messages.h"

#include <msiquery.h>

#include <cwchar>

const wchar_t kCaptionError[] = L"Error";
const wchar_t kCaptionInstallerError[] = L"Installer Error";

namespace {

const int kUiLevelMask = 0x07;  // the level without its flags

void toInstaller(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, kind, record);
}

}  // namespace

bool userInterfaceAllowed(MSIHANDLE install) {
    wchar_t level[32] = {};
    DWORD length = 32;
    if (!install || MsiGetPropertyW(install, L"UILevel", level, &length) != ERROR_SUCCESS || !level[0]) return true;
    int base = (int)wcstol(level, nullptr, 10) & kUiLevelMask;
    return base != INSTALLUILEVEL_NONE && base != INSTALLUILEVEL_BASIC;
}

void showError(MSIHANDLE install, HWND owner, const std::wstring& text, const std::wstring& caption) {
    if (userInterfaceAllowed(install))
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    else
        toInstaller(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), caption + L": " + text);
}

void showWarning(MSIHANDLE install, HWND owner, const std::wstring& text, const std::wstring& caption) {
    if (userInterfaceAllowed(install))
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
    else
        logInformation(install, caption + L": " + text);
}

void logInformation(MSIHANDLE install, const std::wstring& text) { toInstaller(install, INSTALLMESSAGE_INFO, text); }

bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
