#pragma once
// One loaded print monitor, called the way the Windows spooler calls it. Both entry
// forms (NT InitializePrintMonitor, 9x InitializeMonitorEx) look alike from here.
#include "handles.h"
#include "spooler_report.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace lab {

// What one monitor call gave: its BOOL, the thread's last error after a failed call
// (0 after a successful one), and whether the monitor left the slot empty.
struct MonitorCall {
    BOOL result = FALSE;
    DWORD error = 0;
    bool missing = false;
};

class PortMonitor {
public:
    virtual ~PortMonitor() = default;

    const std::wstring& name() const { return m_name; }
    const std::wstring& dllPath() const { return m_dllPath; }

    // EnumPorts level 1, sized by a first call without a buffer.
    virtual MonitorCall enumPorts(std::vector<std::wstring>& ports, DWORD& needed) = 0;
    virtual MonitorCall openPort(const std::wstring& port, HANDLE& handle) = 0;
    // StartDocPort level 1 with a DOC_INFO_1 naming the document (datatype RAW).
    virtual MonitorCall startDocPort(HANDLE port, const std::wstring& printer, DWORD jobId,
                                     const std::wstring& documentName) = 0;
    virtual MonitorCall writePort(HANDLE port, const BYTE* buffer, DWORD size, DWORD& written) = 0;
    virtual MonitorCall endDocPort(HANDLE port) = 0;
    virtual MonitorCall closePort(HANDLE port) = 0;

protected:
    PortMonitor(const std::wstring& name, const std::wstring& dllPath, LibraryHandle library)
        : m_name(name), m_dllPath(dllPath), m_library(std::move(library)) {}

private:
    std::wstring m_name;
    std::wstring m_dllPath;
    LibraryHandle m_library;
};

// The monitor's registry root as the spooler passes it (relative to HKEY_LOCAL_MACHINE).
std::wstring monitorRegistryRoot(const std::wstring& monitorName);

// The DLL that a monitor's Driver value names: a full path stays as it is, a bare
// file name lies in the system folder.
std::wstring monitorDllPath(const std::wstring& driver);

// Loads the DLL and initialises the monitor through the entry it exports
// (InitializePrintMonitor first, else InitializeMonitorEx). Fills the report line
// ("monitor") with what happened; null when the monitor could not be initialised.
std::unique_ptr<PortMonitor> loadPortMonitor(const std::wstring& name, const std::wstring& driver, ReportLine& line);

}  // namespace lab
