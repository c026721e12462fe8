#include "automatic_printer.h"

#include "com/guard.h"

#include "debug_log.h"
#include "error_msg.h"
#include "error_text.h"
#include "installer_property.h"
#include "kelo_printer.h"
#include "monitor_setup.h"
#include "printer_values.h"
#include "text_convert.h"
#include "user_messages.h"

namespace {

// Null with the last error kept from the failing call.
PrinterHandle failed() {
    DWORD error = GetLastError();
    PrinterHandle none;
    SetLastError(error);
    return none;
}

bool writeValues(MSIHANDLE install, const std::wstring& printer, const std::wstring& port, const std::wstring& serverIp,
                 bool ntFamily) {
    const com::CatchTexts texts = {": {message}", ": {description}", nullptr};
    auto cannotSet = [&](const com::Failure&) {
        showError(install, nullptr, L"Cannot set registry keys");
        return false;
    };
    return com::runLogged("keloInstallPrinter", texts, cannotSet, [&] {
        writePrinterValues(printer, port, serverIp, ntFamily);
        return true;
    });
}

}  // namespace

// Wine: a printer added without a datatype is written to the registry but cannot be
// opened (1801); there it gets RAW. Windows gets none, so that its print processor's own
// default (EMF spooling) stays.
bool spoolerNeedsDatatype() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

spooler::PrinterFields keloPrinterFields(const std::wstring& name, const std::wstring& port, const std::wstring& site,
                                         const std::wstring& serverIp, bool withDatatype) {
    spooler::PrinterFields fields;
    fields.name = name;
    fields.port = port;
    fields.driver = kDriverName;
    fields.comment = uploadComment(site, serverIp);
    fields.printProcessor = kPrintProcessor;
    if (withDatatype) fields.datatype = L"RAW";
    return fields;
}

PrinterHandle takeOverPrinter(const spooler::PrinterFields& fields) {
    PrinterHandle printer = spooler::openPrinter(fields.name, PRINTER_ALL_ACCESS);
    if (!printer) return failed();
    spooler::PrinterRecord record;
    if (!record.read(printer.get())) return failed();
    record.setName(fields.name);
    record.setPort(fields.port);
    record.setDriver(fields.driver);
    record.setComment(fields.comment);
    record.setPrintProcessor(fields.printProcessor);
    if (!record.write(printer.get())) return failed();
    return printer;
}

bool createPrinterAutomatically(MSIHANDLE install) {
    bool ntFamily = !readInstallerProperty(install, L"VersionNT").empty();
    std::wstring serverIp = readInstallerProperty(install, L"INSTALL_IP");
    std::wstring site = readInstallerProperty(install, L"INSTALL_SITE");

    std::wstring port = installMonitorAndPort(ntFamily);
    if (!site.empty() && serverIp.empty()) showWarning(install, nullptr, L"Corrupt Installation File");

    spooler::PrinterFields fields = keloPrinterFields(site, port, site, serverIp);
    PrinterHandle printer = spooler::addPrinter(fields);
    if (!printer) {
        if (GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) {
            printer = takeOverPrinter(fields);
        } else {
            fields.name = kFallbackPrinterName;
            printer = spooler::addPrinter(fields);
        }
    }
    if (!printer) {
        DWORD error = GetLastError();
        showError(install, nullptr, L"Cannot create printer:\n" + toWide(systemErrorText(error)));
        return false;
    }
    printer.reset();
    return writeValues(install, fields.name, port, serverIp, ntFamily);
}
