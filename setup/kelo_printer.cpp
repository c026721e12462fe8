#include "kelo_printer.h"

const wchar_t kMonitorName[] = L"ZOLT Print Port";
const wchar_t kDriverName[] = L"ZOLT Print Driver";
const wchar_t kPrintProcessor[] = L"WinPrint";
const wchar_t kFallbackPrinterName[] = L"ZOLT Printer";
const wchar_t kPortPrefix[] = L"ZOLT";

std::wstring uploadComment(const std::wstring& site, const std::wstring& serverIp) {
    return L"Upload job to " + site + L" at " + serverIp;
}
