#include "monitor_setup.h"

#include <windows.h>

#include "error_msg.h"
#include "error_text.h"
#include "kelo_printer.h"
#include "registry.h"
#include "spooler_calls.h"

namespace {

bool monitorInstalled() {
    for (const std::wstring& name : spooler::monitorNames())
        if (lstrcmpiW(name.c_str(), kMonitorName) == 0) return true;
    return false;
}

spooler::MonitorRecord monitorRecord(bool ntFamily) {
    if (ntFamily) return {kMonitorName, L"", L"ZoltPort.dll"};
    return {kMonitorName, L"Windows 4.0", L"ZoltPort98.dll"};
}

// Writes the port's key; a key that cannot be created is logged by createRegistryKey.
void createPortKey(const std::wstring& port) { createRegistryKey(monitorPortsKey() + "\\" + cSTRING(port)); }

std::wstring addPortToInstalledMonitor() {
    std::vector<std::wstring> existing;
    for (const cSTRING& name : enumRegistryKeys(monitorPortsKey())) existing.push_back(name.wide());
    std::wstring port = nextPortName(existing);
    createPortKey(port);
    if (!spooler::addPort(kMonitorName)) {
        DWORD error = GetLastError();
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot Create ZOLT Port :\n%s", systemErrorText(error).c_str());
    }
    return port;
}

std::wstring installMonitorWithFirstPort(bool ntFamily) {
    std::wstring port = std::wstring(kPortPrefix) + L"0";
    createPortKey(port);
    if (!spooler::addMonitor(monitorRecord(ntFamily))) {
        DWORD error = GetLastError();
        if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED && error != ERROR_ALREADY_EXISTS)
            throw cERROR_MSG(BV_ERR_GENERAL, "Cannot Add ZOLT Port Monitor [%d]:\n%s", (int)error,
                             systemErrorText(error).c_str());
    }
    // A monitor loaded just now has read its ports; the announcement matters only when it
    // was registered already (3006, 183), so its outcome is not examined.
    spooler::addPort(kMonitorName);
    return port;
}

}  // namespace

cSTRING monitorPortsKey() {
    return cSTRING("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") +
           cSTRING(kMonitorName) + "\\Private";
}

std::wstring nextPortName(const std::vector<std::wstring>& existingPorts) {
    auto taken = [&](const std::wstring& name) {
        for (const std::wstring& port : existingPorts)
            if (lstrcmpiW(port.c_str(), name.c_str()) == 0) return true;
        return false;
    };
    // Counting alone would hand out a name again once a port in the middle was removed.
    for (size_t number = existingPorts.size();; ++number) {
        std::wstring name = kPortPrefix + std::to_wstring(number);
        if (!taken(name)) return name;
    }
}

std::wstring installMonitorAndPort(bool ntFamily) {
    return monitorInstalled() ? addPortToInstalledMonitor() : installMonitorWithFirstPort(ntFamily);
}
