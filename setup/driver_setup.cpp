#include "driver_setup.h"

#include <windows.h>

#include "handles.h"
#include "kelo_printer.h"
#include "text_convert.h"

namespace {
using WideEntry = void(WINAPI*)(HWND, HINSTANCE, LPCWSTR, UINT);
using AnsiEntry = void(WINAPI*)(HWND, HINSTANCE, LPCSTR, UINT);
const UINT kShowNormal = 1;

template <typename Entry>
Entry entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}
}  // namespace

std::wstring printUiCommandLine(const std::wstring& installDir) {
    return std::wstring(L"/ia /m \"") + kDriverName + L"\" /f \"" + installDir + L"oemsetup.inf\"";
}

bool installPrinterDriver(const std::wstring& installDir) {
    if (installDir.empty()) return false;
    LibraryHandle printUi(LoadLibraryA("PrintUI.Dll"));
    if (!printUi) return false;
    HINSTANCE instance = printUi.get();
    std::wstring command = printUiCommandLine(installDir);

    if (auto entry = entryPoint<WideEntry>(instance, "PrintUIEntryW")) {
        entry(nullptr, instance, command.c_str(), kShowNormal);
        return true;
    }
    auto entry = entryPoint<AnsiEntry>(instance, "PrintUIEntryA");
    if (!entry) entry = entryPoint<AnsiEntry>(instance, "PrintUIEntry");
    if (!entry) return false;
    entry(nullptr, instance, toAnsi(command).c_str(), kShowNormal);
    return true;
}
