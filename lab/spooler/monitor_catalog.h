#pragma once
// The print monitors registered with the spooler, loaded on first use and kept for the
// life of the catalog, as the spooler keeps them.
#include "port_monitor.h"
#include "spooler_report.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lab {

struct RegisteredMonitor {
    std::wstring name;
    std::wstring driver;  // the key's Driver value
};

// HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\<name> keys that have a Driver
// value, in registry order.
std::vector<RegisteredMonitor> registeredMonitors();

class MonitorCatalog {
public:
    explicit MonitorCatalog(Report& report) : m_report(report) {}

    // The monitor whose port enumeration lists the port (letter case ignored), and the
    // port's name as that monitor spells it. Loading and enumerating are reported on
    // behalf of document `doc`. The spooler's own library (localspl.dll) is asked
    // last. Null when no monitor lists the port.
    // Like the Windows spooler, which learns the ports when it loads the monitors, the
    // catalog keeps every port an enumeration listed and asks the monitors again only
    // for a port it does not know yet (a monitor's enumeration may do work of its own,
    // such as rereading its port settings, that a print job must not set off).
    PortMonitor* ownerOf(const std::wstring& port, int doc, std::wstring& listedName);

    // One lock per port: documents on one port take turns, as in a print queue.
    std::mutex& portLock(const std::wstring& port);

private:
    struct Loaded {
        bool tried = false;
        std::unique_ptr<PortMonitor> monitor;
    };

    Report& m_report;
    std::mutex m_lock;
    struct KnownPort {
        PortMonitor* monitor;
        std::wstring listedName;
    };

    std::map<std::wstring, Loaded> m_loaded;    // by upper-case monitor name
    std::map<std::wstring, KnownPort> m_ports;  // by upper-case port name: the first monitor that listed it
    std::map<std::wstring, std::unique_ptr<std::mutex>> m_portLocks;
};

}  // namespace lab
