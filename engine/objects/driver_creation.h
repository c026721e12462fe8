#pragma once
// A new driver object for a printer of the spooler, described by its level-1 record.
#include <string>

#include "com/object.h"
#include "print_driver.h"

namespace engine {

// Throws cERROR_MSG 1000 "Cannot find printer: %s", "Cannot get printer information: %s"
// or "Unsupported Operating System", and 800 "Cannot create driver object: 0x%x".
com::ComPtr<CPrintDriver> createPrintDriver(const std::wstring& printerName);

}  // namespace engine
