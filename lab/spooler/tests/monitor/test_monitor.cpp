// The print monitor of the spooler stand-in's smoke test (and of the installer's tests,
// which only load it), with the NT entry. It lists one port, LABPORT0, whose documents go
// to LABPORT0.out in the folder of its setting "OutputFolder" (REG_SZ) under the registry
// root the spooler hands it (below HKEY_LOCAL_MACHINE).
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <string>

#include "handles.h"

namespace {

std::wstring root;

const wchar_t kPort[] = L"LABPORT0";

struct Port {
    std::wstring name;
    FileHandle output;
};

BOOL WINAPI enumPorts(LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    *needed = sizeof(PORT_INFO_1W) + sizeof kPort;
    *returned = 0;
    if (level != 1 || size < *needed || !buffer) {
        SetLastError(level != 1 ? ERROR_INVALID_LEVEL : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    PORT_INFO_1W* info = (PORT_INFO_1W*)buffer;
    info->pName = (LPWSTR)(buffer + sizeof(PORT_INFO_1W));
    memcpy(info->pName, kPort, sizeof kPort);
    *returned = 1;
    return TRUE;
}

BOOL WINAPI openPort(LPWSTR name, PHANDLE port) {
    if (!name || _wcsicmp(name, kPort) != 0) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    *port = (HANDLE) new Port{name, {}};
    return TRUE;
}

BOOL WINAPI startDocPort(HANDLE handle, LPWSTR, DWORD, DWORD, LPBYTE) {
    Port* port = (Port*)handle;
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    RegGetValueW(HKEY_LOCAL_MACHINE, root.c_str(), L"OutputFolder", RRF_RT_REG_SZ, nullptr, folder, &size);
    std::wstring file = std::wstring(folder) + L"\\" + port->name + L".out";
    port->output.reset(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    return port->output.valid();
}

BOOL WINAPI writePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
    *written = 0;
    return WriteFile(((Port*)handle)->output.get(), buffer, size, written, nullptr);
}

BOOL WINAPI endDocPort(HANDLE handle) {
    ((Port*)handle)->output.reset();
    return TRUE;
}

BOOL WINAPI closePort(HANDLE handle) {
    delete (Port*)handle;
    return TRUE;
}

MONITOREX table = {};

}  // namespace

extern "C" LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR registryRoot) {
    root = registryRoot ? registryRoot : L"";
    table.dwMonitorSize = sizeof(MONITOR);
    table.Monitor.pfnEnumPorts = enumPorts;
    table.Monitor.pfnOpenPort = openPort;
    table.Monitor.pfnStartDocPort = startDocPort;
    table.Monitor.pfnWritePort = writePort;
    table.Monitor.pfnEndDocPort = endDocPort;
    table.Monitor.pfnClosePort = closePort;
    return &table;
}
