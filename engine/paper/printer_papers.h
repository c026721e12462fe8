#pragma once
// A printer's own paper list (codes and sizes), as its driver reports it through
// DeviceCapabilities for a given device mode.
#include <windows.h>

#include <string>
#include <vector>

#include "device_mode_paper.h"

namespace engine {

// Empty when the printer cannot be opened or its driver reports nothing.
std::vector<PrinterPaper> printerPaperList(const std::wstring& printerName, const DEVMODEW* mode);
std::vector<PrinterPaper> printerPaperList(const std::string& printerName, const DEVMODEA* mode);

}  // namespace engine
