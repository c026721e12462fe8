#pragma once
// The print monitor entry points as the stand-in calls them. The NT family's
// InitializePrintMonitor returns a MONITOREX (winsplp.h); a Windows 9x monitor exports
// InitializeMonitorEx, which fills the monitor's shorter ANSI table.
#include <windows.h>

#include "../../monitor/monitor_9x_table.h"

struct _MONITOREX;
using InitializePrintMonitorEntry = struct _MONITOREX*(WINAPI*)(LPWSTR registryRoot);
using InitializeMonitorExEntry = BOOL(WINAPI*)(LPSTR registryRoot, Monitor9xTable* table);
