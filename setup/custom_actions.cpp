// The exports of KeloSetup.dll that the Windows Installer package calls.
#include "setup_actions.h"

extern "C" UINT __stdcall keloInstallPrinter(MSIHANDLE install) { return installPrinter(install); }

extern "C" UINT __stdcall keloKillProcess(MSIHANDLE install) { return killProcesses(install); }
