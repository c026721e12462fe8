#include "printer_papers.h"

#include <winspool.h>

#include "handles.h"
#include "memory.h"

namespace engine {
namespace {

struct Wide {
    using Char = wchar_t;
    using Info2 = PRINTER_INFO_2W;
    using DeviceMode = DEVMODEW;
    static BOOL open(const Char* name, HANDLE* printer) {
        return OpenPrinterW(const_cast<Char*>(name), printer, nullptr);
    }
    static BOOL info(HANDLE printer, BYTE* buffer, DWORD size, DWORD* needed) {
        return GetPrinterW(printer, 2, buffer, size, needed);
    }
    static int capabilities(const Char* name, const Char* port, WORD what, Char* out, const DeviceMode* mode) {
        return DeviceCapabilitiesW(name, port, what, out, mode);
    }
};

struct Ansi {
    using Char = char;
    using Info2 = PRINTER_INFO_2A;
    using DeviceMode = DEVMODEA;
    static BOOL open(const Char* name, HANDLE* printer) {
        return OpenPrinterA(const_cast<Char*>(name), printer, nullptr);
    }
    static BOOL info(HANDLE printer, BYTE* buffer, DWORD size, DWORD* needed) {
        return GetPrinterA(printer, 2, buffer, size, needed);
    }
    static int capabilities(const Char* name, const Char* port, WORD what, Char* out, const DeviceMode* mode) {
        return DeviceCapabilitiesA(name, port, what, out, mode);
    }
};

template <class Api>
std::vector<PrinterPaper> paperList(const std::basic_string<typename Api::Char>& name,
                                    const typename Api::DeviceMode* mode) {
    using Char = typename Api::Char;
    PrinterHandle printer;
    if (!Api::open(name.c_str(), printer.out())) return {};
    DWORD needed = 0;
    Api::info(printer.get(), nullptr, 0, &needed);
    if (needed == 0) return {};
    cMEMORY buffer(needed);
    if (!Api::info(printer.get(), buffer.data(), needed, &needed)) return {};
    const Char* port = buffer.as<typename Api::Info2>()->pPortName;

    int count = Api::capabilities(name.c_str(), port, DC_PAPERS, nullptr, mode);
    if (count <= 0) return {};
    std::vector<WORD> codes(count);
    std::vector<POINT> sizes(count);
    if (Api::capabilities(name.c_str(), port, DC_PAPERS, reinterpret_cast<Char*>(codes.data()), mode) != count ||
        Api::capabilities(name.c_str(), port, DC_PAPERSIZE, reinterpret_cast<Char*>(sizes.data()), mode) != count)
        return {};

    std::vector<PrinterPaper> papers;
    for (int i = 0; i < count; ++i) papers.push_back({(long)codes[i], sizes[i].x, sizes[i].y});
    return papers;
}

}  // namespace

std::vector<PrinterPaper> printerPaperList(const std::wstring& printerName, const DEVMODEW* mode) {
    return paperList<Wide>(printerName, mode);
}

std::vector<PrinterPaper> printerPaperList(const std::string& printerName, const DEVMODEA* mode) {
    return paperList<Ansi>(printerName, mode);
}

}  // namespace engine
