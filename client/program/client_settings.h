#pragma once
// The client settings key HKEY_LOCAL_MACHINE\SOFTWARE\Vorlane\Kelo Print Driver, read
// and written through the registry component: "Version" (written by the installer) and
// "language" (0 = system default, 1 = English, else a locale id).
#include <windows.h>

#include <string>

extern const wchar_t kClientSettingsKey[];
extern const wchar_t kUnknownVersion[];  // "Unknown"

// The installed version, or "Unknown" when the key or value cannot be read.
std::wstring readClientVersion();
// The chosen language; 0 when the value is missing or unreadable.
long readLanguageSetting();
// Throws _com_error when the value cannot be written.
void writeLanguageSetting(long language);

// A registry value read as a number (a number, or a text holding one); 0 otherwise.
long variantAsNumber(const VARIANT& value);
