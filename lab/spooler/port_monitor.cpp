#include "port_monitor.h"

#include "job_marks.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "monitor_9x.h"

#include <winspool.h>
#include <winsplp.h>

namespace lab {
namespace {

template <typename Function, typename... Args>
MonitorCall invoke(Function* function, Args... args) {
    MonitorCall call;
    if (!function) {
        call.missing = true;
        call.error = ERROR_NOT_SUPPORTED;
        return call;
    }
    SetLastError(ERROR_SUCCESS);
    call.result = function(args...);
    // The last error means something only when the call failed.
    call.error = call.result ? ERROR_SUCCESS : GetLastError();
    return call;
}

// EnumPorts level 1 in the two calls the spooler makes; Char picks the string width.
template <typename Char, typename Info, typename Function>
MonitorCall enumerate(Function* function, std::vector<std::wstring>& ports, DWORD& needed) {
    ports.clear();
    needed = 0;
    DWORD returned = 0;
    MonitorCall call = invoke(function, (Char*)nullptr, (DWORD)1, (LPBYTE) nullptr, (DWORD)0, &needed, &returned);
    if (call.missing || call.result || call.error != ERROR_INSUFFICIENT_BUFFER || needed == 0) return call;
    std::vector<BYTE> buffer(needed);
    call = invoke(function, (Char*)nullptr, (DWORD)1, buffer.data(), needed, &needed, &returned);
    if (!call.result) return call;
    const Info* info = (const Info*)buffer.data();
    for (DWORD i = 0; i < returned && (i + 1) * sizeof(Info) <= buffer.size(); i++) {
        if (!info[i].pName) continue;
        if constexpr (sizeof(Char) == sizeof(wchar_t))
            ports.emplace_back((const wchar_t*)info[i].pName);
        else
            ports.push_back(fromAnsi((const char*)info[i].pName));
    }
    return call;
}

template <typename Entry>
Entry entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

class NtMonitor : public PortMonitor {
public:
    NtMonitor(const std::wstring& name, const std::wstring& dllPath, LibraryHandle library, LPMONITOREX table)
        : PortMonitor(name, dllPath, std::move(library)), m_table(table->Monitor) {}

    MonitorCall enumPorts(std::vector<std::wstring>& ports, DWORD& needed) override {
        return enumerate<wchar_t, PORT_INFO_1W>(m_table.pfnEnumPorts, ports, needed);
    }
    MonitorCall openPort(const std::wstring& port, HANDLE& handle) override {
        return invoke(m_table.pfnOpenPort, const_cast<LPWSTR>(port.c_str()), &handle);
    }
    MonitorCall startDocPort(HANDLE port, const std::wstring& printer, DWORD jobId,
                             const std::wstring& documentName) override {
        DOC_INFO_1W info = {const_cast<LPWSTR>(documentName.c_str()), nullptr, const_cast<LPWSTR>(L"RAW")};
        return invoke(m_table.pfnStartDocPort, port, const_cast<LPWSTR>(printer.c_str()), jobId, (DWORD)1,
                      (LPBYTE)&info);
    }
    MonitorCall writePort(HANDLE port, const BYTE* buffer, DWORD size, DWORD& written) override {
        return invoke(m_table.pfnWritePort, port, const_cast<LPBYTE>(buffer), size, &written);
    }
    MonitorCall endDocPort(HANDLE port) override { return invoke(m_table.pfnEndDocPort, port); }
    MonitorCall closePort(HANDLE port) override { return invoke(m_table.pfnClosePort, port); }

private:
    MONITOR m_table;
};

class Win9xMonitor : public PortMonitor {
public:
    Win9xMonitor(const std::wstring& name, const std::wstring& dllPath, LibraryHandle library,
                 const Monitor9xTable& table)
        : PortMonitor(name, dllPath, std::move(library)), m_table(table) {}

    MonitorCall enumPorts(std::vector<std::wstring>& ports, DWORD& needed) override {
        return enumerate<char, PORT_INFO_1A>(m_table.enumPorts, ports, needed);
    }
    MonitorCall openPort(const std::wstring& port, HANDLE& handle) override {
        std::string name = toAnsi(port);
        return invoke(m_table.openPort, &name[0], &handle);
    }
    MonitorCall startDocPort(HANDLE port, const std::wstring& printer, DWORD jobId,
                             const std::wstring& documentName) override {
        std::string printerName = toAnsi(printer), document = toAnsi(documentName);
        DOC_INFO_1A info = {&document[0], nullptr, const_cast<LPSTR>("RAW")};
        return invoke(m_table.startDocPort, port, &printerName[0], jobId, (DWORD)1, (LPBYTE)&info);
    }
    MonitorCall writePort(HANDLE port, const BYTE* buffer, DWORD size, DWORD& written) override {
        return invoke(m_table.writePort, port, const_cast<LPBYTE>(buffer), size, &written);
    }
    MonitorCall endDocPort(HANDLE port) override { return invoke(m_table.endDocPort, port); }
    MonitorCall closePort(HANDLE port) override { return invoke(m_table.closePort, port); }

private:
    Monitor9xTable m_table;
};

}  // namespace

std::wstring monitorRegistryRoot(const std::wstring& monitorName) {
    return L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + monitorName;
}

std::wstring monitorDllPath(const std::wstring& driver) {
    if (driver.find_first_of(L"\\/") != std::wstring::npos) return driver;
    return systemFolder() + driver;
}

std::unique_ptr<PortMonitor> loadPortMonitor(const std::wstring& name, const std::wstring& driver, ReportLine& line) {
    std::wstring path = monitorDllPath(driver);
    line.call = "monitor";
    line.add("name", name).add("dll", path);

    SetLastError(ERROR_SUCCESS);
    // The monitor's own folder comes first when its dependencies are looked for.
    LibraryHandle library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library) {
        DWORD error = GetLastError();
        line.add("entry", "-").add("result", 0).add("error", error).add("reason", "the DLL cannot be loaded");
        return nullptr;
    }
    showJobMarksTo(library.get());
    std::wstring root = monitorRegistryRoot(name);

    if (auto initializeNt = entryPoint<InitializePrintMonitorEntry>(library.get(), "InitializePrintMonitor")) {
        std::vector<wchar_t> rootText(root.begin(), root.end());
        rootText.push_back(L'\0');
        SetLastError(ERROR_SUCCESS);
        LPMONITOREX table = (LPMONITOREX)initializeNt(rootText.data());
        DWORD error = table ? ERROR_SUCCESS : GetLastError();
        line.add("entry", "InitializePrintMonitor").add("result", table ? 1 : 0).add("error", error);
        if (!table) return nullptr;
        // Like Wine's spooler, the whole table is used whatever the size says; the size
        // is reported so that a table declared too short shows up.
        line.add("size", table->dwMonitorSize).add("slots", (unsigned long)(table->dwMonitorSize / sizeof(void*)));
        return std::make_unique<NtMonitor>(name, path, std::move(library), table);
    }
    if (auto initialize9x = entryPoint<InitializeMonitorExEntry>(library.get(), "InitializeMonitorEx")) {
        std::string rootText = toAnsi(root);
        Monitor9xTable table = {};
        SetLastError(ERROR_SUCCESS);
        BOOL result = initialize9x(&rootText[0], &table);
        DWORD error = result ? ERROR_SUCCESS : GetLastError();
        line.add("entry", "InitializeMonitorEx").add("result", result ? 1 : 0).add("error", error);
        if (!result) return nullptr;
        return std::make_unique<Win9xMonitor>(name, path, std::move(library), table);
    }
    line.add("entry", "-")
        .add("result", 0)
        .add("error", (DWORD)ERROR_PROC_NOT_FOUND)
        .add("reason", "no monitor entry point");
    return nullptr;
}

}  // namespace lab
