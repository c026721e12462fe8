#pragma once
// The print monitor entry points as the stand-in calls them. The NT family's
// InitializePrintMonitor returns a MONITOREX (winsplp.h); a Windows 9x monitor exports
// InitializeMonitorEx, which fills the shorter ANSI table below (no AddPortEx slot).
// winsplp.h declares the NT 4 form of InitializeMonitorEx, so a 9x monitor's source
// includes this header and not that one.
#include <windows.h>

struct Monitor9xTable {
    BOOL(WINAPI* enumPorts)(LPSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned);
    BOOL(WINAPI* openPort)(LPSTR name, PHANDLE port);
    BOOL(WINAPI* openPortEx)(LPSTR portName, LPSTR printerName, PHANDLE port, Monitor9xTable* monitor);
    BOOL(WINAPI* startDocPort)(HANDLE port, LPSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo);
    BOOL(WINAPI* writePort)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written);
    BOOL(WINAPI* readPort)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD read);
    BOOL(WINAPI* endDocPort)(HANDLE port);
    BOOL(WINAPI* closePort)(HANDLE port);
    BOOL(WINAPI* addPort)(LPSTR name, HWND window, LPSTR monitorName);
    BOOL(WINAPI* configurePort)(LPSTR name, HWND window, LPSTR portName);
    BOOL(WINAPI* deletePort)(LPSTR name, HWND window, LPSTR portName);
    BOOL(WINAPI* getPrinterDataFromPort)(HANDLE port, DWORD controlId, LPSTR valueName, LPSTR inBuffer, DWORD inSize,
                                         LPSTR outBuffer, DWORD outSize, LPDWORD returned);
    BOOL(WINAPI* setPortTimeOuts)(HANDLE port, LPCOMMTIMEOUTS timeouts, DWORD reserved);
};

struct _MONITOREX;
using InitializePrintMonitorEntry = struct _MONITOREX*(WINAPI*)(LPWSTR registryRoot);
using InitializeMonitorExEntry = BOOL(WINAPI*)(LPSTR registryRoot, Monitor9xTable* table);
