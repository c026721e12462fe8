#pragma once
// The functions the NT spooler calls through the monitor's table (wide strings). A
// failure is logged as "PrintDriver::<name> catch...", "... COM catch0x..." or
// "... Unknown error" and gives FALSE.
#include <windows.h>

#include <string>

#include "failure_log.h"
#include "spooler_entries.h"

struct NtSpooler {
    using Text = LPWSTR;
    static std::wstring text(LPCWSTR value) { return value ? value : L""; }
    template <class Body>
    static BOOL run(const char* entry, Body&& body) {
        return runLogged(("PrintDriver::" + std::string(entry)).c_str(), kSpoolerEntryTexts, FALSE, body);
    }
};

class PrintDriver : public SpoolerEntries<NtSpooler> {
public:
    static BOOL WINAPI addPortEx(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitorName);
    static BOOL WINAPI configurePort(LPWSTR name, HWND window, LPWSTR portName);
};
