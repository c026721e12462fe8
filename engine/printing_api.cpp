#include "printing_api.h"

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

}  // namespace engine
