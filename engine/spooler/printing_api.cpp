#include "printing_api.h"

#include <winspool.h>

#include "debug_log.h"
#include "error_msg.h"
#include "platform.h"

namespace engine {

void throwUnsupportedOperatingSystem() {
    DebugLine() << "**** Unsupported Operating System !";
    throw cERROR_MSG(BV_ERR_GENERAL, "Unsupported Operating System");
}

PrintingApi printingApiFor(int platformCode) {
    if (usesWideApi(platformCode)) return PrintingApi::Wide;
    if (usesAnsiApi(platformCode)) return PrintingApi::Ansi;
    throwUnsupportedOperatingSystem();
}

PrintingApi printingApi() { return printingApiFor(windowsVersionClass()); }

SpoolerJobControl endOfDocumentControl(int platformCode) {
    switch (platformCode) {
    case kWindowsNT4:
    case kWindows2000:
    case kWindowsXP:
    case kWindowsLater5: return {PrintingApi::Wide, JOB_CONTROL_SENT_TO_PRINTER};
    case kWindowsNT351:
    case kWindows95:
    case kWindows98:
    case kWindowsMe: return {PrintingApi::Ansi, JOB_CONTROL_CANCEL};
    default: throwUnsupportedOperatingSystem();
    }
}

}  // namespace engine
