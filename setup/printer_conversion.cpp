#include "printer_conversion.h"

#include "com/guard.h"
#include "error_msg.h"
#include "error_text.h"
#include "installer_property.h"
#include "monitor_setup.h"
#include "printer_values.h"
#include "spooler_calls.h"
#include "text_convert.h"
#include "user_messages.h"

namespace {

[[noreturn]] void printerFailure(const char* format, const std::wstring& printer) {
    DWORD error = GetLastError();
    throw cERROR_MSG(BV_ERR_GENERAL, format, toAnsi(printer).c_str(), systemErrorText(error).c_str());
}

std::wstring renameQuestion(const std::wstring& oldName, const std::wstring& newName) {
    return L"Setup will now change the printer: \n   " + oldName + L"\nTo:\n   " + newName +
           L"\n\n(This is required for a ZOLT Print Driver configuration)\nIs it OK to proceed?";
}

void writeValues(const std::wstring& printer, const std::wstring& port, const std::wstring& serverIp, bool ntFamily) {
    auto failure = com::runCaught([&] { writePrinterValues(printer, port, serverIp, ntFamily); });
    if (!failure) return;
    if (failure->kind == com::Failure::LibraryError)
        throw cERROR_MSG(BV_ERR_GENERAL, "Error While Setting Printer Registry Values:\n%s", failure->message.c_str());
    throw cERROR_MSG(BV_ERR_GENERAL, "Error While Setting Printer Registry Values");
}

}  // namespace

std::wstring trimmedSiteName(const std::wstring& site) {
    size_t end = site.find_last_not_of(L" \t\r\n");
    return end == std::wstring::npos ? std::wstring() : site.substr(0, end + 1);
}

void convertPrinter(MSIHANDLE install, HWND owner, const std::wstring& selectedPrinter, const std::wstring& serverIp) {
    bool ntFamily = !readInstallerProperty(install, L"VersionNT").empty();
    std::wstring site = readInstallerProperty(install, L"INSTALL_SITE");
    std::wstring port = installMonitorAndPort(ntFamily);
    std::wstring newName = trimmedSiteName(site);
    if (selectedPrinter.empty() || newName.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "Unexpected error !");

    PrinterHandle printer = spooler::openPrinter(selectedPrinter, ntFamily ? PRINTER_ALL_ACCESS : 0);
    if (!printer) printerFailure("Cannot open printer [%s]: %s", selectedPrinter);
    spooler::PrinterRecord record;
    if (!record.read(printer.get())) printerFailure("Cannot get printer information [%s]: %s", selectedPrinter);
    if (ntFamily) record.setPort(port);

    std::wstring finalName = record.name();
    if (lstrcmpiW(finalName.c_str(), newName.c_str()) != 0 &&
        askYesNo(owner, renameQuestion(finalName, newName), L"Printer Configuration")) {
        record.setName(newName);
        finalName = newName;
    }
    if (!record.write(printer.get())) printerFailure("Cannot set printer information [%s]: %s", selectedPrinter);
    printer.reset();
    writeValues(finalName, port, serverIp, ntFamily);
}
