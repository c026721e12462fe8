#pragma once
// The functions the NT spooler calls through the monitor's table (wide strings). A
// failure is logged as "PrintDriver::<name> catch...", "... COM catch0x..." or
// "... Unknown error" and gives FALSE.
#include <windows.h>

#include <string>

#include "spooler_entries.h"

struct NtSpooler {
    using Text = LPWSTR;
    static inline const com::CatchTexts kCatchTexts = {" catch{message}", " COM catch{hr}", " Unknown error"};
    static std::wstring text(LPCWSTR value) { return value ? value : L""; }
    static std::string operation(const char* entry) { return "PrintDriver::" + std::string(entry); }
};

class PrintDriver : public SpoolerEntries<NtSpooler> {
public:
    static BOOL WINAPI addPortEx(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitorName);
    static BOOL WINAPI configurePort(LPWSTR name, HWND window, LPWSTR portName);
};
