#pragma once
// Recognises the PostScript printers among the installed ones.
#include <windows.h>

#include <string>
#include <vector>

// Supports the PostScript pass-through escape, or names a PostScript technology.
bool isPostScriptDevice(HDC dc);

// Every local and connected printer whose device context is a PostScript device, in
// the spooler's order. A printer that cannot be opened, or whose driver cannot be read,
// is left out.
std::vector<std::wstring> postScriptPrinters();
