#pragma once
// The printer's own values in the registry ("KeloServerIp", "Mfg", "KeloDriverID") under
// the printer's PrinterDriverData key, and their conversion to variants.
#include <windows.h>

#include <string>

#include "variant.h"

namespace engine {

extern const wchar_t kServerIpValue[];  // "KeloServerIp"
extern const wchar_t kMfgValue[];       // "Mfg"
extern const wchar_t kSystemMaker[];    // "Vorlane"

// "SYSTEM\CurrentControlSet\Control\Print\Printers\" + printer + "\PrinterDriverData"
std::wstring driverDataKey(const std::wstring& printerName);

// Strings (expandable ones unexpanded) give a BSTR, 32-bit numbers VT_I4, binary data an
// array of VT_UI1 variants, multi-strings an array of BSTR variants. Text is UTF-16 when
// wide, else in the ANSI code page. Other types throw cERROR_MSG 1000
// "getPrinterRegistryValue: unsupported registry data type".
Variant registryDataToVariant(DWORD type, const BYTE* data, DWORD size, bool wide);

// Reads a value through the wide or ANSI registry interface chosen by the platform. A
// missing key or value throws cERROR_MSG 1000 "getPrinterRegistryValue: cannot get
// registry data".
Variant readPrinterRegistryValue(const std::wstring& printerName, const std::wstring& valueName);

}  // namespace engine
