#include "postscript_printers.h"

#include <cctype>
#include <string>

#include "spooler_calls.h"

namespace {

const int kPostScriptPassthrough = 4115;  // POSTSCRIPT_PASSTHROUGH
const int kGetTechnology = 20;            // GETTECHNOLOGY

bool escapeSupported(HDC dc, int escape) {
    return ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) > 0;
}

struct DeviceContext {
    HDC dc;
    ~DeviceContext() {
        if (dc) DeleteDC(dc);
    }
};

}  // namespace

bool isPostScriptDevice(const DeviceEscapes& device) {
    if (device.supports(kPostScriptPassthrough)) return true;
    std::string technology;
    if (!device.supports(kGetTechnology) || !device.technology(technology)) return false;
    for (char& c : technology) c = (char)toupper((unsigned char)c);
    return technology.find("POSTSCRIPT") != std::string::npos;
}

bool isPostScriptDevice(HDC dc) {
    return isPostScriptDevice({[dc](int escape) { return escapeSupported(dc, escape); },
                               [dc](std::string& technology) {
                                   char text[256] = {};
                                   if (ExtEscape(dc, kGetTechnology, 0, nullptr, sizeof text - 1, text) <= 0)
                                       return false;
                                   technology = text;
                                   return true;
                               }});
}

std::vector<std::wstring> postScriptPrinters() {
    std::vector<std::wstring> found;
    for (const std::wstring& name : spooler::printerNames()) {
        PrinterHandle printer = spooler::openPrinter(name, 0);
        if (!printer) continue;
        std::optional<std::wstring> driver = spooler::printerDriverName(printer.get());
        if (!driver) continue;
        DeviceContext device{spooler::createPrinterDC(*driver, name)};
        if (device.dc && isPostScriptDevice(device.dc)) found.push_back(name);
    }
    return found;
}
