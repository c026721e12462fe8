#pragma once
// The printers of this system among the spooler's printers: those whose driver data
// value "Mfg" is "Vorlane" (any letter case).
#include <string>
#include <vector>

namespace engine {

// In the reverse of the spooler's order. Throws _com_error when the spooler cannot
// enumerate; a printer whose "Mfg" cannot be read is only left out.
std::vector<std::wstring> listSystemPrinters();

bool isSystemMaker(const std::wstring& printerName);

}  // namespace engine
