#pragma once
// Recognises the PostScript printers among the installed ones.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A device's answers to the escapes that tell a PostScript printer.
struct DeviceEscapes {
    std::function<bool(int escape)> supports;  // QUERYESCSUPPORT
    // The GETTECHNOLOGY text; false when the device does not give it.
    std::function<bool(std::string& technology)> technology;
};

// Supports the PostScript pass-through escape (4115), or else names a PostScript
// technology (escape 20, any letter case).
bool isPostScriptDevice(const DeviceEscapes& device);
bool isPostScriptDevice(HDC dc);

// Every local and connected printer whose device context is a PostScript device, in
// the spooler's order. A printer that cannot be opened, or whose driver cannot be read,
// is left out.
std::vector<std::wstring> postScriptPrinters();
