#pragma once
// The message boxes of the printer installation: modal, without owner unless the
// dialog shows them.
#include <windows.h>

#include <string>

extern const wchar_t kCaptionError[];           // "Error"
extern const wchar_t kCaptionInstallerError[];  // "Installer Error"

void showError(HWND owner, const std::wstring& text, const std::wstring& caption = kCaptionError);
void showWarning(HWND owner, const std::wstring& text, const std::wstring& caption = kCaptionInstallerError);
// True when the user answers Yes.
bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption);
