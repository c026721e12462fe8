#pragma once
// The function table of a Windows 9x print monitor: ANSI strings, thirteen slots (no
// AddPortEx). InitializeMonitorEx fills it; winsplp.h declares the NT 4 form of that
// entry, so the 9x monitor does not include it.
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
    BOOL(WINAPI* getPrinterDataFromPort)
    (HANDLE port, DWORD controlId, LPSTR valueName, LPSTR inBuffer, DWORD inSize, LPSTR outBuffer, DWORD outSize,
     LPDWORD returned);
    BOOL(WINAPI* setPortTimeOuts)(HANDLE port, LPCOMMTIMEOUTS timeouts, DWORD reserved);
};
