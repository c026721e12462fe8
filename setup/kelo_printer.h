#pragma once
// The names and texts that make a printer of this system.
#include <string>

extern const wchar_t kMonitorName[];          // "ZOLT Print Port"
extern const wchar_t kDriverName[];           // "ZOLT Print Driver"
extern const wchar_t kPrintProcessor[];       // "WinPrint"
extern const wchar_t kFallbackPrinterName[];  // "ZOLT Printer"
extern const wchar_t kPortPrefix[];           // "ZOLT"

// "Upload job to <site> at <server address>"
std::wstring uploadComment(const std::wstring& site, const std::wstring& serverIp);
