#pragma once
// The choice between the wide-character and the ANSI system interfaces, made by the
// platform code of the running Windows.
#include <windows.h>

namespace engine {

enum class PrintingApi { Wide, Ansi };

// Wide on the NT family, ANSI on Windows 95, 98 and Me. Any other platform logs
// "**** Unsupported Operating System !" and throws cERROR_MSG 1000
// "Unsupported Operating System".
PrintingApi printingApiFor(int platformCode);
PrintingApi printingApi();

[[noreturn]] void throwUnsupportedOperatingSystem();

// What the end of a document tells the spooler about its job: NT 4 and later open the
// printer through the wide-character call and mark the job sent to the printer
// (JOB_CONTROL_SENT_TO_PRINTER); NT 3.51 and Windows 9x take the ANSI call and cancel it
// (JOB_CONTROL_CANCEL). Other platforms throw as printingApiFor does.
struct SpoolerJobControl {
    PrintingApi api;
    DWORD command;
};
SpoolerJobControl endOfDocumentControl(int platformCode);

}  // namespace engine
