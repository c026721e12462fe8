// ZoltPort98.dll: the Windows 9x entry. InitializeMonitorEx fills the spooler's ANSI
// table of thirteen functions: the monitor's entries over ANSI names, which log
// "ZoltPort98 <entry> failed" and return FALSE for anything that escapes the port manager.
#include <windows.h>

#include "monitor_9x_table.h"
#include "registry_root.h"
#include "spooler_entries.h"
#include "text_convert.h"

namespace {

struct Spooler9x {
    using Text = LPSTR;
    static inline const com::CatchTexts kCatchTexts = {" failed", " failed", " failed"};
    static std::wstring text(LPCSTR value) { return toWide(value ? value : ""); }
    static std::string operation(const char* entry) { return "ZoltPort98 " + std::string(entry); }
};

using Entries = SpoolerEntries<Spooler9x>;

BOOL WINAPI enumPorts(LPSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
    SetLastError(ERROR_SUCCESS);
    return Entries::enumPorts(name, level, ports, size, needed, returned);
}

BOOL WINAPI readPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
    if (read) *read = 0;
    return refuse("ZoltPort98 readPort", "the port cannot be read", ERROR_NOT_SUPPORTED);
}

BOOL WINAPI configurePort(LPSTR, HWND, LPSTR) { return TRUE; }

const Monitor9xTable monitorTable = {
    enumPorts,
    Entries::openPort,
    nullptr,  // OpenPortEx
    Entries::startDocPort,
    Entries::writePort,
    readPort,
    Entries::endDocPort,
    Entries::closePort,
    Entries::addPort,
    configurePort,
    Entries::deletePort,
    nullptr,  // GetPrinterDataFromPort
    nullptr,  // SetPortTimeOuts
};

}  // namespace

extern "C" BOOL WINAPI InitializeMonitorEx(LPSTR registryRoot, Monitor9xTable* table) {
    com::runCaught([&] { C_portMgr::instance(portRegistryRoot(cSTRING(registryRoot ? registryRoot : ""))); });
    if (table) *table = monitorTable;
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved) C_portMgr::releaseInstance();
    return TRUE;
}
