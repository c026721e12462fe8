#include "spooler_entries_nt.h"

#include "port_text.h"

BOOL WINAPI PrintDriver::addPortEx(LPWSTR, DWORD, LPBYTE, LPWSTR monitorName) {
    return withManager("addPortEx", [&](C_portMgr& manager) {
        if (!monitorName || _wcsicmp(monitorName, kMonitorName) != 0)
            return refuse("PrintDriver::addPortEx", "another monitor's name", ERROR_INVALID_PARAMETER);
        manager.refreshPortList();
        return TRUE;
    });
}

BOOL WINAPI PrintDriver::configurePort(LPWSTR, HWND, LPWSTR) {
    return withManager("configurePort", [&](C_portMgr&) { return TRUE; });
}
