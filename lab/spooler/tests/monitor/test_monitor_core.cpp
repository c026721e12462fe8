#include "test_monitor_core.h"

#include "handles.h"
#include "lab_text.h"

#include <winspool.h>

#include <condition_variable>
#include <mutex>
#include <set>

namespace testmonitor {
namespace {

std::mutex lock;
std::wstring root;
std::set<std::wstring> openPorts;
std::condition_variable arrivals;
DWORD arrived = 0;

struct Port {
    std::wstring name;
    FileHandle output;
    bool counted = false;  // among the documents the rendezvous counts
};

void leaveRendezvous(Port* port) {
    std::lock_guard<std::mutex> guard(lock);
    if (port->counted) arrived--;
    port->counted = false;
}

RegKey openRoot() {
    RegKey key;
    std::lock_guard<std::mutex> guard(lock);
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, key.out());
    return key;
}

std::wstring readString(const wchar_t* valueName) {
    RegKey key = openRoot();
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t), type = 0;
    if (!key || RegQueryValueExW(key.get(), valueName, nullptr, &type, (LPBYTE)value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

DWORD readNumber(const wchar_t* valueName) {
    RegKey key = openRoot();
    DWORD value = 0, size = sizeof value;
    if (!key || RegQueryValueExW(key.get(), valueName, nullptr, nullptr, (LPBYTE)&value, &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

void journal(const std::wstring& port, const std::wstring& line) {
    std::wstring folder = readString(L"OutputFolder");
    if (folder.empty()) return;
    FileHandle file(CreateFileW((folder + L"\\" + port + L".journal").c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    std::string text = lab::toUtf8(line) + "\n";
    DWORD written = 0;
    if (file) WriteFile(file.get(), text.data(), (DWORD)text.size(), &written, nullptr);
}

// The document name that the spooler's job record holds, as this process sees it.
std::wstring jobRecordName(const std::wstring& printer, DWORD jobId) {
    PrinterHandle handle;
    if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), handle.out(), nullptr)) return L"-no-printer-";
    DWORD needed = 0;
    GetJobW(handle.get(), jobId, 2, nullptr, 0, &needed);
    if (needed == 0) return L"-no-job-";
    std::vector<BYTE> buffer(needed);
    if (!GetJobW(handle.get(), jobId, 2, buffer.data(), needed, &needed)) return L"-no-job-";
    const wchar_t* document = ((JOB_INFO_2W*)buffer.data())->pDocument;
    return document ? document : L"";
}

}  // namespace

void initialize(const std::wstring& registryRoot) {
    std::lock_guard<std::mutex> guard(lock);
    root = registryRoot;
}

std::vector<std::wstring> ports() {
    std::vector<std::wstring> names;
    RegKey key = openRoot();
    wchar_t list[2048] = {};
    DWORD size = sizeof list - 2 * sizeof(wchar_t), type = 0;
    if (key && RegQueryValueExW(key.get(), L"Ports", nullptr, &type, (LPBYTE)list, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        for (const wchar_t* name = list; *name; name += wcslen(name) + 1) names.emplace_back(name);
    } else {
        names.emplace_back(L"LABPORT0");
    }
    return names;
}

bool failing(const wchar_t* call) {
    if (readString(L"Fail") != call) return false;
    SetLastError(ERROR_NOT_READY);
    return true;
}

BOOL openPort(const std::wstring& name, PHANDLE port) {
    if (failing(L"OpenPort")) return FALSE;
    bool listed = false;
    for (const std::wstring& known : ports()) listed = listed || lab::equalsNoCase(known, name);
    if (!listed) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!openPorts.insert(name).second) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
    }
    *port = (HANDLE) new Port{name, {}};
    journal(name, L"OpenPort");
    return TRUE;
}

BOOL startDocPort(HANDLE handle, const std::wstring& printer, DWORD jobId, DWORD level,
                  const std::wstring& documentName) {
    Port* port = (Port*)handle;
    journal(port->name, L"StartDocPort printer=" + printer + L" job=" + std::to_wstring(jobId) + L" level=" +
                            std::to_wstring(level) + L" document=" + documentName + L" record=" +
                            jobRecordName(printer, jobId));
    if (failing(L"StartDocPort")) return FALSE;
    std::wstring folder = readString(L"OutputFolder");
    port->output.reset(CreateFileW((folder + L"\\" + port->name + L".out").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return port->output.valid();
}

BOOL writePort(HANDLE handle, const BYTE* buffer, DWORD size, LPDWORD written) {
    Port* port = (Port*)handle;
    *written = 0;
    journal(port->name, L"WritePort size=" + std::to_wstring(size));
    if (failing(L"WritePort")) return FALSE;
    if (!port->output) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DWORD expected = readNumber(L"Rendezvous"); expected && !port->counted) {
        std::unique_lock<std::mutex> guard(lock);
        port->counted = true;
        arrived++;
        arrivals.notify_all();
        if (!arrivals.wait_for(guard, std::chrono::seconds(10), [&] { return arrived >= expected; })) {
            SetLastError(ERROR_TIMEOUT);
            return FALSE;
        }
    }
    DWORD most = readNumber(L"MaxWrite");
    DWORD take = most && most < size ? most : size;
    return WriteFile(port->output.get(), buffer, take, written, nullptr);
}

BOOL endDocPort(HANDLE handle) {
    Port* port = (Port*)handle;
    journal(port->name, L"EndDocPort");
    port->output.reset();
    leaveRendezvous(port);
    return failing(L"EndDocPort") ? FALSE : TRUE;
}

BOOL closePort(HANDLE handle) {
    Port* port = (Port*)handle;
    journal(port->name, L"ClosePort");
    leaveRendezvous(port);
    {
        std::lock_guard<std::mutex> guard(lock);
        openPorts.erase(port->name);
    }
    delete port;
    return failing(L"ClosePort") ? FALSE : TRUE;
}

}  // namespace testmonitor
