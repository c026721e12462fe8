#pragma once
// Turns a printer the user picked into the printer of this system: it moves to a new
// port of the monitor, takes the site's name when the user agrees, and receives the
// system's values.
#include <windows.h>
#include <msi.h>

#include <string>

// The site name as the printer is to be called: without trailing blanks, tabs, carriage
// returns and line feeds.
std::wstring trimmedSiteName(const std::wstring& site);

// Throws the foundation's errors with the texts the user sees; the rename question
// belongs to owner.
void convertPrinter(MSIHANDLE install, HWND owner, const std::wstring& selectedPrinter, const std::wstring& serverIp);
