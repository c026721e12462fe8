// ZoltPort.dll: the NT family's entry. InitializePrintMonitor returns the monitor's
// table of fourteen functions.
#include <windows.h>
#include <winsplp.h>

#include <cstddef>

#include "com/guard.h"
#include "port_manager.h"
#include "spooler_entries_nt.h"
#include "refusal.h"
#include "registry_root.h"

namespace {

BOOL WINAPI readPort(HANDLE, LPBYTE, DWORD, LPDWORD) {
    return refuse("readPort", "the port cannot be read", ERROR_NOT_SUPPORTED);
}

// The table ends before the later systems' Xcv functions: fourteen slots.
constexpr DWORD kMonitorSize = offsetof(MONITOR, pfnXcvOpenPort);
static_assert(kMonitorSize == 14 * sizeof(void*), "fourteen function slots");

MONITOREX monitorTable = {
    kMonitorSize,
    {
        PrintDriver::enumPorts, PrintDriver::openPort,
        nullptr,  // OpenPortEx
        PrintDriver::startDocPort, PrintDriver::writePort, readPort, PrintDriver::endDocPort, PrintDriver::closePort,
        PrintDriver::addPort, PrintDriver::addPortEx, PrintDriver::configurePort, PrintDriver::deletePort,
        nullptr,  // GetPrinterDataFromPort
        nullptr,  // SetPortTimeOuts
    },
};

}  // namespace

extern "C" LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR registryRoot) {
    com::runCaught([&] {
        cSTRING root = portRegistryRoot(cSTRING(registryRoot ? registryRoot : L""));
        C_portMgr::instance(root);
    });
    return &monitorTable;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit the system reclaims everything; an unload lets the ports go.
    if (reason == DLL_PROCESS_DETACH && !reserved) C_portMgr::releaseInstance();
    return TRUE;
}
