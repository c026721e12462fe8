#pragma once
// The printer's own settings in the registry, which the print engine and the client
// read: the server address, the maker mark and the driver kind, and on Windows 9x the
// printer's port.
#include <string>

#include "cstring.h"

// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\<printer>
cSTRING printerKey(const std::wstring& printer);

// Writes Port (when ntFamily is false) and the PrinterDriverData values keloServerIp,
// Mfg and KeloDriverID. Throws what setRegistryValue throws.
void writePrinterValues(const std::wstring& printer, const std::wstring& port, const std::wstring& serverIp,
                        bool ntFamily);
