#pragma once
// Printers of this system in the lab's spooler: the "ZOLT Print Driver" (Wine's
// PostScript driver with the lab's own PPD file), printers on it with or without the
// system's driver data, and their removal. Failures throw cERROR_MSG.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace lab {

extern const wchar_t kZoltDriverName[];  // "ZOLT Print Driver"
extern const wchar_t kZoltPort[];        // "ZOLT0"
extern const wchar_t kKeloMfg[];         // "Vorlane": marks a printer of this system
extern const wchar_t kStdDriverId[];     // "stdPrinterDriver"

// The driver data value names, spelt as the installer writes them.
extern const wchar_t kServerIpValue[];  // "keloServerIp"
extern const wchar_t kMfgValue[];       // "Mfg"
extern const wchar_t kDriverIdValue[];  // "KeloDriverID"

struct PrinterSpec {
    std::wstring name;
    std::wstring port = L"ZOLT0";
    std::wstring driver = L"ZOLT Print Driver";
    // Empty: "Upload job to <name> at <server address>".
    std::wstring comment;
    // Driver data values; a value left empty is not written at all.
    std::optional<std::wstring> serverIp;
    std::optional<std::wstring> mfg;
    std::optional<std::wstring> driverId;
};

// A printer of this system as the installer leaves it.
PrinterSpec keloPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverIp);
// A printer on the same driver without any of the system's driver data.
PrinterSpec foreignPrinter(const std::wstring& name, const std::wstring& port);

// "Upload job to <site> at <ip>", the comment the installer gives a new printer.
std::wstring uploadComment(const std::wstring& site, const std::wstring& serverIp);

// The PPD file of the lab's driver, as committed.
const char* zoltPpdText();

bool driverInstalled();
// Installs "ZOLT Print Driver" unless it is installed already.
void ensureDriver();

bool printerExists(const std::wstring& name);
// Adds the printer (replacing one of the same name) and writes its driver data.
void addPrinter(const PrinterSpec& spec);
void addPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverIp,
                const std::wstring& mfg = L"Vorlane", const std::wstring& driverId = L"stdPrinterDriver");
void addForeignPrinter(const std::wstring& name, const std::wstring& port);
// Deletes the printer; false when there was none of that name.
bool removePrinter(const std::wstring& name);

// A driver data value read back through the spooler (GetPrinterData); none when the
// printer or the value is missing.
std::optional<std::wstring> printerData(const std::wstring& printer, const std::wstring& valueName);

struct PrinterEntry {
    std::wstring name;
    std::wstring port;
    std::wstring driver;
    std::wstring comment;
    std::wstring printProcessor;
    std::optional<std::wstring> serverIp;
    std::optional<std::wstring> mfg;
    std::optional<std::wstring> driverId;
};
// Every local printer (EnumPrinters level 2) with the system's driver data values.
std::vector<PrinterEntry> listPrinters();

// Adds a printer for the life of the object and removes it afterwards.
class ScopedPrinter {
public:
    explicit ScopedPrinter(const PrinterSpec& spec);
    ~ScopedPrinter();
    ScopedPrinter(const ScopedPrinter&) = delete;
    ScopedPrinter& operator=(const ScopedPrinter&) = delete;
    const std::wstring& name() const { return m_name; }

private:
    std::wstring m_name;
};

}  // namespace lab
