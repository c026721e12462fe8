#include "print_driver.h"

#include "com/guard.h"
#include "port_manager.h"
#include "port_text.h"
#include "refusal.h"

namespace {

const com::CatchTexts kSpoolerEntryTexts = {" catch{message}", " COM catch{hr}", " Unknown error"};

// Runs work with the process's port manager under the entry's catch clauses.
template <class Work>
BOOL withManager(const char* entry, Work&& work) {
    return com::runLogged(entry, kSpoolerEntryTexts, FALSE, [&]() -> BOOL {
        RefPtr<C_portMgr> manager = C_portMgr::instance(cSTRING());
        if (!manager) return refuse(entry, "no port list", ERROR_NOT_ENOUGH_MEMORY);
        return work(*manager);
    });
}

// The port object behind a spooler handle.
C_portImpl* portOf(const char* entry, HANDLE handle) {
    if (!handle) refuse(entry, "no port handle", ERROR_INVALID_HANDLE);
    return static_cast<C_portImpl*>(handle);
}

std::wstring text(LPCWSTR value) { return value ? value : L""; }

}  // namespace

BOOL WINAPI PrintDriver::enumPorts(LPWSTR, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
    return withManager("PrintDriver::enumPorts",
                       [&](C_portMgr& manager) { return manager.enumPorts(level, ports, size, needed, returned); });
}

BOOL WINAPI PrintDriver::openPort(LPWSTR name, PHANDLE handle) {
    return withManager("PrintDriver::openPort", [&](C_portMgr& manager) { return manager.openPort(text(name), handle); });
}

BOOL WINAPI PrintDriver::startDocPort(HANDLE port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    return withManager("PrintDriver::startDocPort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("PrintDriver::startDocPort", port);
        return impl && impl->startDocPort(text(printerName), jobId, level, docInfo);
    });
}

BOOL WINAPI PrintDriver::writePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
    return withManager("PrintDriver::writePort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("PrintDriver::writePort", port);
        return impl && impl->writePort(buffer, size, written);
    });
}

BOOL WINAPI PrintDriver::endDocPort(HANDLE port) {
    return withManager("PrintDriver::endDocPort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("PrintDriver::endDocPort", port);
        return impl && impl->endDocPort();
    });
}

BOOL WINAPI PrintDriver::closePort(HANDLE port) {
    return withManager("PrintDriver::closePort", [&](C_portMgr&) {
        C_portImpl* impl = portOf("PrintDriver::closePort", port);
        if (!impl) return FALSE;
        BOOL result = impl->closePort();
        impl->Release();  // the spooler's reference from OpenPort
        return result;
    });
}

BOOL WINAPI PrintDriver::addPort(LPWSTR, HWND, LPWSTR) {
    return withManager("PrintDriver::addPort", [&](C_portMgr& manager) {
        manager.refreshPortList();
        return TRUE;
    });
}

BOOL WINAPI PrintDriver::addPortEx(LPWSTR, DWORD, LPBYTE, LPWSTR monitorName) {
    return withManager("PrintDriver::addPortEx", [&](C_portMgr& manager) {
        if (!monitorName || _wcsicmp(monitorName, kMonitorName) != 0)
            return refuse("PrintDriver::addPortEx", "another monitor's name", ERROR_INVALID_PARAMETER);
        manager.refreshPortList();
        return TRUE;
    });
}

BOOL WINAPI PrintDriver::configurePort(LPWSTR, HWND, LPWSTR) {
    return withManager("PrintDriver::configurePort", [&](C_portMgr&) { return TRUE; });
}

BOOL WINAPI PrintDriver::deletePort(LPWSTR, HWND, LPWSTR portName) {
    return withManager("PrintDriver::deletePort",
                       [&](C_portMgr& manager) { return manager.deletePort(text(portName)); });
}
