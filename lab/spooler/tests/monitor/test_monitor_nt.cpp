// The test monitor's NT entry: InitializePrintMonitor returns its MONITOREX.
#include "test_monitor_core.h"

#include <winsplp.h>

namespace {

BOOL WINAPI enumPortsEntry(LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    if (testmonitor::failing(L"EnumPorts")) return FALSE;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    return testmonitor::packPorts<wchar_t, PORT_INFO_1W>(testmonitor::ports(), buffer, size, needed, returned);
}

BOOL WINAPI openPortEntry(LPWSTR name, PHANDLE port) { return testmonitor::openPort(name ? name : L"", port); }

BOOL WINAPI startDocPortEntry(HANDLE port, LPWSTR printer, DWORD jobId, DWORD level, LPBYTE docInfo) {
    const DOC_INFO_1W* info = (const DOC_INFO_1W*)docInfo;
    std::wstring document = info && info->pDocName ? info->pDocName : L"";
    return testmonitor::startDocPort(port, printer ? printer : L"", jobId, level, document);
}

BOOL WINAPI writePortEntry(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
    return testmonitor::writePort(port, buffer, size, written);
}

BOOL WINAPI endDocPortEntry(HANDLE port) { return testmonitor::endDocPort(port); }
BOOL WINAPI closePortEntry(HANDLE port) { return testmonitor::closePort(port); }

MONITOREX table = {};

}  // namespace

extern "C" LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR registryRoot) {
    testmonitor::initialize(registryRoot ? registryRoot : L"");
    table.dwMonitorSize = sizeof(MONITOR);
    table.Monitor.pfnEnumPorts = enumPortsEntry;
    table.Monitor.pfnOpenPort = openPortEntry;
    table.Monitor.pfnStartDocPort = startDocPortEntry;
    table.Monitor.pfnWritePort = writePortEntry;
    table.Monitor.pfnEndDocPort = endDocPortEntry;
    table.Monitor.pfnClosePort = closePortEntry;
    return &table;
}
