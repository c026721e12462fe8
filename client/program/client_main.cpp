// KeloClient.exe: the tray client.
#include <windows.h>
#include <objbase.h>

#include "client_settings.h"
#include "localization.h"
#include "main_window.h"
#include "single_instance.h"
#include "windows_util.h"

namespace {
// How long a second start waits for the first client's window (it binds the engine first).
const DWORD kFirstClientPatienceMs = 60000;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InstanceMarker marker;
    if (marker.previousInstance() && !marker.waitForTurn(kFirstClientPatienceMs)) return 0;

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int exitCode = 1;
    {
        C_localization localization(programFolder(), readLanguageSetting);
        MainWindow main(localization, createDriverManager);
        if (main.load()) exitCode = main.run();
    }
    CoUninitialize();
    return exitCode;
}
