#pragma once
// The messages of the printer installation: modal message boxes without owner unless the
// dialog shows them. When the installation runs without a user interface (or with the
// basic one, whose own boxes the installer controls), they go to the installer instead:
// errors as error records, everything else as information, both into its log.
#include <windows.h>
#include <msi.h>

#include <string>

extern const wchar_t kCaptionError[];           // "Error"
extern const wchar_t kCaptionInstallerError[];  // "Installer Error"

// False when the installer's UILevel is "none" or "basic": no window of the action may
// wait for someone.
bool userInterfaceAllowed(MSIHANDLE install);

void showError(MSIHANDLE install, HWND owner, const std::wstring& text, const std::wstring& caption = kCaptionError);
void showWarning(MSIHANDLE install, HWND owner, const std::wstring& text,
                 const std::wstring& caption = kCaptionInstallerError);
// Information for the installer's log only.
void logInformation(MSIHANDLE install, const std::wstring& text);
// True when the user answers Yes.
bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption);
