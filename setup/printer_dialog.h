#pragma once
// The dialog "Printer Configuration": the user picks one of the installed PostScript
// printers, which then becomes the printer of this system.
#include <windows.h>
#include <msi.h>

// 1 when the picked printer was converted; 0 when the dialog was closed, a failure
// ended it, or it could not be shown (also without the installer's user interface,
// which the installer's log then tells).
int runPrinterDialog(MSIHANDLE install);
