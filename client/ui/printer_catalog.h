#pragma once
// What the settings dialog needs of the print engine: the printers it serves and where
// each printer's driver data lies in the registry.
#include <string>
#include <vector>

class PrinterCatalog {
public:
    virtual ~PrinterCatalog() = default;
    virtual std::vector<std::wstring> printerNames() = 0;
    // "HKEY_LOCAL_MACHINE\...\PrinterDriverData" of the printer.
    virtual std::wstring driverDataPath(const std::wstring& printer) = 0;
};
