#pragma once
// The spooler's entry points of both monitors, written once over the spooler's string
// type: wide for the NT family's spooler, ANSI for the Windows 9x spooler. Each obtains
// the port manager and runs its work under the monitor's catch clauses; the spooler's
// port handle is the port object. Spooler (NtSpooler, Spooler9x) gives the string type
// (Text), its text (text), the name an entry has in log lines (operation) and the log
// texts of its catch clauses (kCatchTexts).
#include <windows.h>

#include <string>

#include "com/guard.h"
#include "port_manager.h"
#include "refusal.h"

template <class Spooler>
class SpoolerEntries {
public:
    using Text = typename Spooler::Text;

    static BOOL WINAPI enumPorts(Text, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
        return withManager("enumPorts",
                           [&](C_portMgr& manager) { return manager.enumPorts(level, ports, size, needed, returned); });
    }

    static BOOL WINAPI openPort(Text name, PHANDLE handle) {
        return withManager("openPort",
                           [&](C_portMgr& manager) { return manager.openPort(Spooler::text(name), handle); });
    }

    static BOOL WINAPI startDocPort(HANDLE port, Text printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
        return withManager("startDocPort", [&](C_portMgr&) {
            C_portImpl* impl = portOf("startDocPort", port);
            return impl && impl->startDocPort(Spooler::text(printerName), jobId, level, docInfo);
        });
    }

    static BOOL WINAPI writePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
        return withManager("writePort", [&](C_portMgr&) {
            C_portImpl* impl = portOf("writePort", port);
            return impl && impl->writePort(buffer, size, written);
        });
    }

    static BOOL WINAPI endDocPort(HANDLE port) {
        return withManager("endDocPort", [&](C_portMgr&) {
            C_portImpl* impl = portOf("endDocPort", port);
            return impl && impl->endDocPort();
        });
    }

    static BOOL WINAPI closePort(HANDLE port) {
        return withManager("closePort", [&](C_portMgr&) {
            C_portImpl* impl = portOf("closePort", port);
            if (!impl) return FALSE;
            BOOL result = impl->closePort();
            impl->Release();  // the spooler's reference from OpenPort
            return result;
        });
    }

    // Ports are made by the installer's registry keys: adding one only rereads them.
    static BOOL WINAPI addPort(Text, HWND, Text) {
        return withManager("addPort", [&](C_portMgr& manager) {
            manager.refreshPortList();
            return TRUE;
        });
    }

    static BOOL WINAPI deletePort(Text, HWND, Text portName) {
        return withManager("deletePort",
                           [&](C_portMgr& manager) { return manager.deletePort(Spooler::text(portName)); });
    }

protected:
    // Runs work with the process's port manager under the monitor's catch clauses.
    template <class Work>
    static BOOL withManager(const char* entry, Work&& work) {
        std::string operation = Spooler::operation(entry);
        return com::runLogged(operation.c_str(), Spooler::kCatchTexts, FALSE, [&]() -> BOOL {
            RefPtr<C_portMgr> manager = C_portMgr::instance(cSTRING());
            if (!manager) return refuse(operation.c_str(), "no port list", ERROR_NOT_ENOUGH_MEMORY);
            return work(*manager);
        });
    }

    // The port object behind a spooler handle.
    static C_portImpl* portOf(const char* entry, HANDLE handle) {
        if (!handle) refuse(Spooler::operation(entry).c_str(), "no port handle", ERROR_INVALID_HANDLE);
        return static_cast<C_portImpl*>(handle);
    }
};
