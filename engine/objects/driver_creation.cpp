#include "driver_creation.h"

#include <winspool.h>

#include <new>

#include "error_msg.h"
#include "handles.h"
#include "job_folder.h"
#include "memory.h"
#include "printing_api.h"
#include "text_convert.h"

namespace engine {
namespace {

struct PrinterDescription {
    std::wstring name;
    std::wstring description;
    std::wstring comment;
};

std::wstring text(const wchar_t* value) { return value ? value : L""; }
std::wstring text(const char* value) { return value ? toWide(value) : L""; }

template <class Info>
PrinterDescription describe(const Info& info) {
    return {text(info.pName), text(info.pDescription), text(info.pComment)};
}

PrinterDescription readLevel1(const std::wstring& printerName, PrintingApi api) {
    std::string ansiName = api == PrintingApi::Ansi ? toAnsi(printerName) : std::string();
    PrinterHandle printer;
    BOOL opened = api == PrintingApi::Wide
                      ? OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), printer.out(), nullptr)
                      : OpenPrinterA(const_cast<char*>(ansiName.c_str()), printer.out(), nullptr);
    if (!opened) throw cERROR_MSG(BV_ERR_GENERAL, "Cannot find printer: %s", toAnsi(printerName).c_str());

    auto getPrinter = [&](BYTE* buffer, DWORD size, DWORD* needed) {
        return api == PrintingApi::Wide ? GetPrinterW(printer.get(), 1, buffer, size, needed)
                                        : GetPrinterA(printer.get(), 1, buffer, size, needed);
    };
    DWORD needed = 0;
    getPrinter(nullptr, 0, &needed);
    cMEMORY buffer(needed);
    if (needed == 0 || !getPrinter(buffer.data(), needed, &needed))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot get printer information: %s", toAnsi(printerName).c_str());
    printer.reset();
    return api == PrintingApi::Wide ? describe(*buffer.as<PRINTER_INFO_1W>()) : describe(*buffer.as<PRINTER_INFO_1A>());
}

}  // namespace

com::ComPtr<CPrintDriver> createPrintDriver(const std::wstring& printerName) {
    PrintingApi api = printingApi();
    PrinterDescription printer = readLevel1(printerName, api);
    com::ComPtr<CPrintDriver> driver;
    try {
        driver = com::make<CPrintDriver>();
    } catch (const std::bad_alloc&) {
        throw cERROR_MSG(BV_ERR_COM_CREATE, "Cannot create driver object: 0x%x", (unsigned)E_OUTOFMEMORY);
    }
    driver->initializeDriverInformation(printer.name, printer.description, printer.comment, determineJobsPath());
    return driver;
}

}  // namespace engine
