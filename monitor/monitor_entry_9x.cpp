// ZoltPort98.dll: the Windows 9x entry. InitializeMonitorEx fills the spooler's ANSI
// table of thirteen functions. The functions take ANSI names, hand them on as the NT
// monitor's functions do, and return FALSE for anything that escapes the port manager.
#include <windows.h>

#include "com/guard.h"
#include "monitor_9x_table.h"
#include "port_manager.h"
#include "refusal.h"
#include "registry_root.h"
#include "text_convert.h"

namespace {

const com::CatchTexts kEntryTexts = {" failed", " failed", " failed"};

template <class Work>
BOOL withManager(const char* entry, Work&& work) {
    std::string operation = std::string("ZoltPort98 ") + entry;
    return com::runLogged(operation.c_str(), kEntryTexts, FALSE, [&]() -> BOOL {
        RefPtr<C_portMgr> manager = C_portMgr::instance(cSTRING());
        if (!manager) return refuse(operation.c_str(), "no port list", ERROR_NOT_ENOUGH_MEMORY);
        return work(*manager);
    });
}

std::wstring text(LPCSTR value) { return toWide(value ? value : ""); }

C_portImpl* portOf(const char* entry, HANDLE handle) {
    if (!handle) refuse((std::string("ZoltPort98 ") + entry).c_str(), "no port handle", ERROR_INVALID_HANDLE);
    return static_cast<C_portImpl*>(handle);
}

BOOL WINAPI enumPorts(LPSTR, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
    SetLastError(ERROR_SUCCESS);
    return withManager("enumPorts", [&](C_portMgr& manager) { return manager.enumPorts(level, ports, size, needed, returned); });
}

BOOL WINAPI openPort(LPSTR name, PHANDLE handle) {
    return withManager("openPort", [&](C_portMgr& manager) { return manager.openPort(text(name), handle); });
}

BOOL WINAPI startDocPort(HANDLE port, LPSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    return withManager("startDocPort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("startDocPort", port);
        return impl && impl->startDocPort(text(printerName), jobId, level, docInfo);
    });
}

BOOL WINAPI writePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
    return withManager("writePort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("writePort", port);
        return impl && impl->writePort(buffer, size, written);
    });
}

BOOL WINAPI readPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
    if (read) *read = 0;
    return refuse("ZoltPort98 readPort", "the port cannot be read", ERROR_NOT_SUPPORTED);
}

BOOL WINAPI endDocPort(HANDLE port) {
    return withManager("endDocPort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("endDocPort", port);
        return impl && impl->endDocPort();
    });
}

BOOL WINAPI closePort(HANDLE port) {
    return withManager("closePort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("closePort", port);
        if (!impl) return FALSE;
        BOOL result = impl->closePort();
        impl->Release();  // the spooler's reference from OpenPort
        return result;
    });
}

BOOL WINAPI addPort(LPSTR, HWND, LPSTR) {
    return withManager("addPort", [&](C_portMgr& manager) {
        manager.refreshPortList();
        return TRUE;
    });
}

BOOL WINAPI configurePort(LPSTR, HWND, LPSTR) { return TRUE; }

BOOL WINAPI deletePort(LPSTR, HWND, LPSTR portName) {
    return withManager("deletePort", [&](C_portMgr& manager) { return manager.deletePort(text(portName)); });
}

const Monitor9xTable monitorTable = {
    enumPorts,
    openPort,
    nullptr,  // OpenPortEx
    startDocPort,
    writePort,
    readPort,
    endDocPort,
    closePort,
    addPort,
    configurePort,
    deletePort,
    nullptr,  // GetPrinterDataFromPort
    nullptr,  // SetPortTimeOuts
};

}  // namespace

extern "C" BOOL WINAPI InitializeMonitorEx(LPSTR registryRoot, Monitor9xTable* table) {
    com::runCaught([&] { C_portMgr::instance(portRegistryRoot(cSTRING(registryRoot ? registryRoot : ""))); });
    if (table) *table = monitorTable;
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved) C_portMgr::releaseInstance();
    return TRUE;
}
