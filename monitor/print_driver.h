#pragma once
// The functions the NT spooler calls through the monitor's table. Each obtains the
// port manager, runs its work under the three catch clauses (a failure is logged as
// "PrintDriver::<name> catch...", "... COM catch0x..." or "... Unknown error" and gives
// FALSE) and returns the spooler's BOOL. The spooler's port handle is the port object.
#include <windows.h>

class PrintDriver {
public:
    static BOOL WINAPI enumPorts(LPWSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned);
    static BOOL WINAPI openPort(LPWSTR name, PHANDLE handle);
    static BOOL WINAPI startDocPort(HANDLE port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo);
    static BOOL WINAPI writePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written);
    static BOOL WINAPI endDocPort(HANDLE port);
    static BOOL WINAPI closePort(HANDLE port);
    // Ports are made by the installer's registry keys: adding one only rereads them.
    static BOOL WINAPI addPort(LPWSTR name, HWND window, LPWSTR monitorName);
    static BOOL WINAPI addPortEx(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitorName);
    static BOOL WINAPI configurePort(LPWSTR name, HWND window, LPWSTR portName);
    static BOOL WINAPI deletePort(LPWSTR name, HWND window, LPWSTR portName);
};
