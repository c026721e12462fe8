#pragma once
// The unattended road: monitor, port and printer for the site named by the installer
// properties, without questions.
#include <windows.h>
#include <msi.h>

#include "handles.h"
#include "spooler_calls.h"

// True where the spooler cannot open a printer added without a datatype (Wine).
bool spoolerNeedsDatatype();

// The level-2 fields of a new printer of this system; the datatype "RAW" only with
// withDatatype.
spooler::PrinterFields keloPrinterFields(const std::wstring& name, const std::wstring& port, const std::wstring& site,
                                         const std::wstring& serverIp, bool withDatatype = spoolerNeedsDatatype());

// Rewires the existing printer named in the fields to them. Null, with the failing
// call's last error, when it cannot be opened, read or written.
PrinterHandle takeOverPrinter(const spooler::PrinterFields& fields);

// True when the printer stands and its values are written. A failure that the user
// is told about gives false; failures of the monitor and port installation are thrown.
bool createPrinterAutomatically(MSIHANDLE install);
