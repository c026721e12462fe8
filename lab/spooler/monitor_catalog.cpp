#include "monitor_catalog.h"

#include "handles.h"
#include "lab_text.h"

#include <algorithm>

namespace lab {
namespace {

const wchar_t kMonitorsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

std::wstring upper(std::wstring text) {
    CharUpperBuffW(&text[0], (DWORD)text.size());
    return text;
}

bool isSpoolerLibrary(const std::wstring& driver) {
    std::wstring file = driver.substr(driver.find_last_of(L"\\/") + 1);
    return equalsNoCase(file, L"localspl.dll");
}

std::wstring joinPorts(const std::vector<std::wstring>& ports) {
    std::wstring list;
    for (const std::wstring& port : ports) list += (list.empty() ? L"" : L",") + port;
    return list;
}

}  // namespace

std::vector<RegisteredMonitor> registeredMonitors() {
    std::vector<RegisteredMonitor> monitors;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorsKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) return monitors;
    for (DWORD index = 0;; index++) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegKey monitorKey;
        if (RegOpenKeyExW(key.get(), name, 0, KEY_READ, monitorKey.out()) != ERROR_SUCCESS) continue;
        wchar_t driver[MAX_PATH + 1] = {};
        DWORD size = sizeof driver - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(monitorKey.get(), L"Driver", nullptr, &type, (LPBYTE)driver, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ) || !driver[0])
            continue;
        monitors.push_back({std::wstring(name, length), driver});
    }
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const RegisteredMonitor& monitor) { return !isSpoolerLibrary(monitor.driver); });
    return monitors;
}

PortMonitor* MonitorCatalog::ownerOf(const std::wstring& port, int doc, std::wstring& listedName) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto known = m_ports.find(upper(port));
    if (known != m_ports.end()) {
        listedName = known->second.listedName;
        return known->second.monitor;
    }
    for (const RegisteredMonitor& registered : registeredMonitors()) {
        Loaded& entry = m_loaded[upper(registered.name)];
        if (!entry.tried) {
            entry.tried = true;
            ReportLine line;
            line.add("doc", doc);
            entry.monitor = loadPortMonitor(registered.name, registered.driver, line);
            m_report.add(line);
        }
        if (!entry.monitor) continue;

        std::vector<std::wstring> ports;
        DWORD needed = 0;
        MonitorCall call = entry.monitor->enumPorts(ports, needed);
        auto found = std::find_if(ports.begin(), ports.end(),
                                  [&](const std::wstring& name) { return equalsNoCase(name, port); });
        for (const std::wstring& name : ports) m_ports.emplace(upper(name), KnownPort{entry.monitor.get(), name});
        bool listed = found != ports.end();
        if (listed) listedName = *found;
        ReportLine line{"enumports"};
        line.add("doc", doc)
            .add("monitor", registered.name)
            .add("level", 1)
            .add("result", call.result)
            .add("error", call.error);
        if (call.missing) line.add("missing", 1);
        line.add("needed", needed)
            .add("count", (unsigned long)ports.size())
            .add("ports", joinPorts(ports))
            .add("listed", listed ? 1 : 0);
        m_report.add(line);
        if (listed) return entry.monitor.get();
    }
    return nullptr;
}

std::mutex& MonitorCatalog::portLock(const std::wstring& port) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::unique_ptr<std::mutex>& lock = m_portLocks[upper(port)];
    if (!lock) lock = std::make_unique<std::mutex>();
    return *lock;
}

}  // namespace lab
