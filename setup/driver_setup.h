#pragma once
// Installs the printer driver "ZOLT Print Driver" from the package's INF file through the
// printer UI library's command-line entry.
#include <string>

// /ia /m "ZOLT Print Driver" /f "<installDir>oemsetup.inf"
std::wstring printUiCommandLine(const std::wstring& installDir);

// False when installDir is empty, the printer UI library cannot be loaded or has no
// entry; otherwise the entry was called, and its own outcome is not examined.
bool installPrinterDriver(const std::wstring& installDir);
