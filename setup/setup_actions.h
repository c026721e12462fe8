#pragma once
// The installer's custom actions of KeloSetup.dll, as the exports call them.
#include <windows.h>
#include <msi.h>

const UINT kInstallSuccess = ERROR_SUCCESS;          // 0
const UINT kInstallFailure = ERROR_INSTALL_FAILURE;  // 1603

// Puts the printer of this system in place. Never throws.
UINT installPrinter(MSIHANDLE install);

// Ends the running processes named by the property processNameToKill. Never throws.
UINT killProcesses(MSIHANDLE install);
