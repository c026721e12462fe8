// The test monitor's Windows 9x entry: InitializeMonitorEx fills the caller's ANSI table.
#include "monitor_9x.h"
#include "lab_text.h"
#include "test_monitor_core.h"

#include <winspool.h>

namespace {

BOOL WINAPI enumPortsEntry(LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    if (testmonitor::failing(L"EnumPorts")) return FALSE;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<std::string> names;
    for (const std::wstring& name : testmonitor::ports()) names.push_back(lab::toAnsi(name));
    return testmonitor::packPorts<char, PORT_INFO_1A>(names, buffer, size, needed, returned);
}

BOOL WINAPI openPortEntry(LPSTR name, PHANDLE port) {
    return testmonitor::openPort(lab::fromAnsi(name ? name : ""), port);
}

BOOL WINAPI startDocPortEntry(HANDLE port, LPSTR printer, DWORD jobId, DWORD level, LPBYTE docInfo) {
    const DOC_INFO_1A* info = (const DOC_INFO_1A*)docInfo;
    std::wstring document = info && info->pDocName ? lab::fromAnsi(info->pDocName) : L"";
    return testmonitor::startDocPort(port, lab::fromAnsi(printer ? printer : ""), jobId, level, document);
}

BOOL WINAPI writePortEntry(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
    return testmonitor::writePort(port, buffer, size, written);
}

BOOL WINAPI endDocPortEntry(HANDLE port) { return testmonitor::endDocPort(port); }
BOOL WINAPI closePortEntry(HANDLE port) { return testmonitor::closePort(port); }

}  // namespace

extern "C" BOOL WINAPI InitializeMonitorEx(LPSTR registryRoot, Monitor9xTable* table) {
    testmonitor::initialize(lab::fromAnsi(registryRoot ? registryRoot : ""));
    *table = Monitor9xTable{};
    table->enumPorts = enumPortsEntry;
    table->openPort = openPortEntry;
    table->startDocPort = startDocPortEntry;
    table->writePort = writePortEntry;
    table->endDocPort = endDocPortEntry;
    table->closePort = closePortEntry;
    return TRUE;
}
