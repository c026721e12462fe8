#pragma once
// The installer's custom actions of KeloSetup.dll, as the exports call them.
#include <windows.h>
#include <msi.h>

#include "com/guard.h"

const UINT kInstallSuccess = ERROR_SUCCESS;          // 0
const UINT kInstallFailure = ERROR_INSTALL_FAILURE;  // 1603

// What an action logs after its name when it fails: "keloKillProcess: <what failed>".
inline const com::CatchTexts kActionTexts = {": {message}", ": {description}", ": Unknown error"};

// Puts the printer of this system in place. Never throws.
UINT installPrinter(MSIHANDLE install);

// Ends the running processes named by the property processNameToKill. Never throws.
UINT killProcesses(MSIHANDLE install);
