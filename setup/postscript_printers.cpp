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

bool isPostScriptDevice(HDC dc) {
    if (escapeSupported(dc, kPostScriptPassthrough)) return true;
    if (!escapeSupported(dc, kGetTechnology)) return false;
    char technology[256] = {};
    if (ExtEscape(dc, kGetTechnology, 0, nullptr, sizeof technology - 1, technology) <= 0) return false;
    std::string upper(technology);
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    return upper.find("POSTSCRIPT") != std::string::npos;
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
