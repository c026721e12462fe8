#include "lab_printers.h"

#include "error_msg.h"
#include "handles.h"
#include "lab_paths.h"
#include "lab_text.h"

#include <winspool.h>

#include <cstring>

namespace lab {

const wchar_t kZoltDriverName[] = L"ZOLT Print Driver";
const wchar_t kZoltPort[] = L"ZOLT0";
const wchar_t kKeloMfg[] = L"Vorlane";
const wchar_t kStdDriverId[] = L"stdPrinterDriver";
const wchar_t kServerIpValue[] = L"keloServerIp";
const wchar_t kMfgValue[] = L"Mfg";
const wchar_t kDriverIdValue[] = L"KeloDriverID";

namespace {

const wchar_t kPpdFileName[] = L"ZOLT.PPD";
// Wine's PostScript driver serves as both the rendering and the configuration module.
const wchar_t kPostScriptDriver[] = L"wineps.drv";

[[noreturn]] void fail(const char* what, const std::wstring& name, DWORD error) {
    throw cERROR_MSG(BV_ERR_GENERAL, "%s [%s]: %s (%lu)", what, toUtf8(name).c_str(), errorText(error).c_str(),
                     (unsigned long)error);
}

std::wstring printerDriverFolder() {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, (LPBYTE)folder, sizeof folder, &needed))
        fail("Cannot find the printer driver folder", L"", GetLastError());
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

PrinterHandle openPrinter(const std::wstring& name, ACCESS_MASK access) {
    PRINTER_DEFAULTSW defaults = {};
    defaults.DesiredAccess = access;
    PrinterHandle printer;
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer.out(), access ? &defaults : nullptr)) return {};
    return printer;
}

void setPrinterData(HANDLE printer, const std::wstring& printerName, const wchar_t* valueName,
                    const std::wstring& data) {
    DWORD size = (DWORD)((data.size() + 1) * sizeof(wchar_t));
    DWORD error = SetPrinterDataW(printer, const_cast<LPWSTR>(valueName), REG_SZ, (LPBYTE)data.c_str(), size);
    if (error != ERROR_SUCCESS) fail("Cannot write the printer's driver data", printerName + L"\\" + valueName, error);
}

std::optional<std::wstring> readPrinterData(HANDLE printer, const wchar_t* valueName) {
    DWORD type = 0, needed = 0;
    DWORD error = GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, nullptr, 0, &needed);
    if (error != ERROR_MORE_DATA && error != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> buffer(needed + sizeof(wchar_t));
    error = GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, buffer.data(), needed, &needed);
    if (error != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text((const wchar_t*)buffer.data(), needed / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

}  // namespace

PrinterSpec keloPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverIp) {
    PrinterSpec spec;
    spec.name = name;
    spec.port = port;
    spec.serverIp = serverIp;
    spec.mfg = kKeloMfg;
    spec.driverId = kStdDriverId;
    return spec;
}

PrinterSpec foreignPrinter(const std::wstring& name, const std::wstring& port) {
    PrinterSpec spec;
    spec.name = name;
    spec.port = port;
    spec.comment = L"A printer of another system";
    return spec;
}

std::wstring uploadComment(const std::wstring& site, const std::wstring& serverIp) {
    return L"Upload job to " + site + L" at " + serverIp;
}

bool driverInstalled() {
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) return false;
    auto* drivers = (DRIVER_INFO_1W*)buffer.data();
    for (DWORD i = 0; i < count; i++)
        if (drivers[i].pName && equalsNoCase(drivers[i].pName, kZoltDriverName)) return true;
    return false;
}

void ensureDriver() {
    if (driverInstalled()) return;
    // The spooler takes the driver's files from its driver folder.
    std::wstring ppd = printerDriverFolder() + kPpdFileName;
    writeFileBytes(ppd, zoltPpdText());

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<LPWSTR>(kZoltDriverName);
    info.pDriverPath = const_cast<LPWSTR>(kPostScriptDriver);
    info.pDataFile = const_cast<LPWSTR>(kPpdFileName);
    info.pConfigFile = const_cast<LPWSTR>(kPostScriptDriver);
    info.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
    if (!AddPrinterDriverW(nullptr, 3, (LPBYTE)&info))
        fail("Cannot install the printer driver", kZoltDriverName, GetLastError());
}

bool printerExists(const std::wstring& name) { return (bool)openPrinter(name, 0); }

void addPrinter(const PrinterSpec& spec) {
    ensureDriver();
    removePrinter(spec.name);

    std::wstring comment = spec.comment.empty() ? uploadComment(spec.name, spec.serverIp.value_or(L"")) : spec.comment;
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(spec.name.c_str());
    info.pPortName = const_cast<LPWSTR>(spec.port.c_str());
    info.pDriverName = const_cast<LPWSTR>(spec.driver.c_str());
    info.pComment = const_cast<LPWSTR>(comment.c_str());
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    PrinterHandle printer(AddPrinterW(nullptr, 2, (LPBYTE)&info));
    if (!printer) fail("Cannot add the printer", spec.name, GetLastError());

    if (spec.serverIp) setPrinterData(printer.get(), spec.name, kServerIpValue, *spec.serverIp);
    if (spec.mfg) setPrinterData(printer.get(), spec.name, kMfgValue, *spec.mfg);
    if (spec.driverId) setPrinterData(printer.get(), spec.name, kDriverIdValue, *spec.driverId);
}

void addPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverIp,
                const std::wstring& mfg, const std::wstring& driverId) {
    PrinterSpec spec = keloPrinter(name, port, serverIp);
    spec.mfg = mfg;
    spec.driverId = driverId;
    addPrinter(spec);
}

void addForeignPrinter(const std::wstring& name, const std::wstring& port) { addPrinter(foreignPrinter(name, port)); }

bool removePrinter(const std::wstring& name) {
    PrinterHandle printer = openPrinter(name, PRINTER_ALL_ACCESS);
    if (!printer) {
        DWORD error = GetLastError();
        if (error == ERROR_INVALID_PRINTER_NAME || !printerExists(name)) return false;
        fail("Cannot open the printer for removal", name, error);
    }
    if (!DeletePrinter(printer.get())) fail("Cannot remove the printer", name, GetLastError());
    return true;
}

std::optional<std::wstring> printerData(const std::wstring& printer, const std::wstring& valueName) {
    PrinterHandle handle = openPrinter(printer, 0);
    if (!handle) return std::nullopt;
    return readPrinterData(handle.get(), valueName.c_str());
}

std::vector<PrinterEntry> listPrinters() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<PrinterEntry> entries;
    if (needed == 0) return entries;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
        fail("Cannot list the printers", L"", GetLastError());
    auto* printers = (PRINTER_INFO_2W*)buffer.data();
    auto text = [](const wchar_t* value) { return std::wstring(value ? value : L""); };
    for (DWORD i = 0; i < count; i++) {
        PrinterEntry entry;
        entry.name = text(printers[i].pPrinterName);
        entry.port = text(printers[i].pPortName);
        entry.driver = text(printers[i].pDriverName);
        entry.comment = text(printers[i].pComment);
        entry.printProcessor = text(printers[i].pPrintProcessor);
        if (PrinterHandle handle = openPrinter(entry.name, 0)) {
            entry.serverIp = readPrinterData(handle.get(), kServerIpValue);
            entry.mfg = readPrinterData(handle.get(), kMfgValue);
            entry.driverId = readPrinterData(handle.get(), kDriverIdValue);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

ScopedPrinter::ScopedPrinter(const PrinterSpec& spec) : m_name(spec.name) { addPrinter(spec); }

ScopedPrinter::~ScopedPrinter() {
    try {
        removePrinter(m_name);
    } catch (const cERROR_MSG&) {
    }
}

}  // namespace lab
