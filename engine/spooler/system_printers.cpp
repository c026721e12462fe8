#include "system_printers.h"

#include <windows.h>
#include <comdef.h>
#include <type_traits>
#include <winspool.h>

#include "com/guard.h"
#include "memory.h"
#include "printer_registry.h"
#include "platform.h"
#include "printing_api.h"
#include "text_convert.h"

namespace engine {
namespace {

// Local printers and connections.
const DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

template <class Info, class Enumerate>
std::vector<std::wstring> printerNames(Enumerate enumerate) {
    DWORD needed = 0, count = 0;
    if (!enumerate(nullptr, 0, &needed, &count)) {
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) throw _com_error(HRESULT_FROM_WIN32(error));
    }
    std::vector<std::wstring> names;
    if (needed == 0) return names;
    cMEMORY buffer(needed);
    if (!enumerate(buffer.data(), needed, &needed, &count)) throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    const Info* printers = buffer.as<Info>();
    for (DWORD i = 0; i < count; ++i) {
        const auto* name = printers[i].pPrinterName;
        if (!name) continue;
        if constexpr (std::is_same<Info, PRINTER_INFO_2W>::value)
            names.emplace_back(name);
        else
            names.push_back(toWide(name));
    }
    return names;
}

}  // namespace

bool isSystemMaker(const std::wstring& printerName) {
    bool matches = false;
    com::runCaught([&] {
        std::wstring maker = readPrinterRegistryValue(printerName, kMfgValue).toString();
        matches = _wcsicmp(maker.c_str(), kSystemMaker) == 0;
    });
    return matches;
}

std::vector<std::wstring> listSystemPrinters() {
    std::vector<std::wstring> all;
    bool ansi = usesAnsiApi(windowsVersionClass());
    if (ansi)
        all = printerNames<PRINTER_INFO_2A>([](BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
            return EnumPrintersA(kEnumFlags, nullptr, 2, buffer, size, needed, count);
        });
    else
        all = printerNames<PRINTER_INFO_2W>([](BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
            return EnumPrintersW(kEnumFlags, nullptr, 2, buffer, size, needed, count);
        });
    std::vector<std::wstring> kept;
    for (auto name = all.rbegin(); name != all.rend(); ++name)
        if (isSystemMaker(*name)) kept.push_back(*name);
    return kept;
}

}  // namespace engine
