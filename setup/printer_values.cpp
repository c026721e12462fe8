#include "printer_values.h"

#include "registry.h"
#include "variant.h"

cSTRING printerKey(const std::wstring& printer) {
    return cSTRING("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + cSTRING(printer);
}

void writePrinterValues(const std::wstring& printer, const std::wstring& port, const std::wstring& serverIp,
                        bool ntFamily) {
    cSTRING key = printerKey(printer);
    if (!ntFamily) setRegistryValue(key, "Port", Variant(port));
    cSTRING driverData = key + "\\PrinterDriverData";
    setRegistryValue(driverData, "keloServerIp", Variant(serverIp));
    setRegistryValue(driverData, "Mfg", Variant(L"Vorlane"));
    setRegistryValue(driverData, "KeloDriverID", Variant(L"stdPrinterDriver"));
}
