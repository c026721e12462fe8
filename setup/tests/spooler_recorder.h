#pragma once
// The lab's window on the spooler calls of KeloSetup.dll: the DLL's imports of the
// spooler functions are pointed at stand-ins that report each call on standard output
// ("spooler" TAB call TAB field=value ...) and pass it on to Wine's spooler. They can also
// refuse a call with a given error, and answer a duplicate AddPrinter with 1802 as the
// Windows spooler does (Wine's overwrites the existing printer).
#include <windows.h>

#include <map>
#include <string>

namespace spoolerrecorder {

struct Options {
    bool windowsDuplicateRule = false;
    // Call name without its A/W ending ("AddPrinter") -> the error it fails with.
    std::map<std::wstring, DWORD> refusals;
};

// Points the module's spooler imports at the stand-ins. Throws cERROR_MSG when the
// module imports none of them.
void install(HMODULE module, const Options& options);

}  // namespace spoolerrecorder
