// A print monitor for the installation tests, under the file names the installer
// registers (ZoltPort.dll, ZoltPort98.dll) while the tests need one: it lists the ports
// under its Private key, accepts AddPort, and appends what it is asked to the file named
// by KELO_MONITOR_JOURNAL (UTF-8, one line per call: "init <root>", "addport ... ports=<the
// ports it finds then>").
#include <windows.h>
#include <winsplp.h>

#include <string>
#include <vector>

#include "handles.h"
#include "lab_text.h"

namespace {

std::wstring registryRoot;
MONITOREX table = {};

void journal(const std::wstring& line) {
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"KELO_MONITOR_JOURNAL", path, MAX_PATH)) return;
    FileHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes = lab::toUtf8(line + L"\r\n");
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

std::vector<std::wstring> portNames() {
    std::vector<std::wstring> names;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (registryRoot + L"\\Private").c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

BOOL WINAPI enumPorts(LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    *needed = 0;
    *returned = 0;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<std::wstring> names = portNames();
    for (const auto& name : names) *needed += sizeof(PORT_INFO_1W) + (DWORD)((name.size() + 1) * sizeof(wchar_t));
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<PORT_INFO_1W*>(buffer);
    LPBYTE strings = buffer + size;
    for (const auto& name : names) {
        strings -= (name.size() + 1) * sizeof(wchar_t);
        memcpy(strings, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        (info++)->pName = reinterpret_cast<LPWSTR>(strings);
    }
    *returned = (DWORD)names.size();
    return TRUE;
}

// Journals the ports it finds when told to reread them.
BOOL WINAPI addPort(LPWSTR server, HWND window, LPWSTR monitor) {
    std::wstring ports;
    for (const std::wstring& name : portNames()) ports += (ports.empty() ? L"" : L",") + name;
    journal(std::wstring(L"addport\tserver=") + (server ? server : L"<null>") + L"\twindow=" + (window ? L"set" : L"<null>") +
            L"\tmonitor=" + (monitor ? monitor : L"<null>") + L"\tports=" + ports);
    return TRUE;
}

}  // namespace

extern "C" __declspec(dllexport) LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR root) {
    registryRoot = root ? root : L"";
    journal(L"init\t" + registryRoot);
    table.dwMonitorSize = sizeof(MONITOR);
    table.Monitor.pfnEnumPorts = enumPorts;
    table.Monitor.pfnAddPort = addPort;
    return &table;
}
