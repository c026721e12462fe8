#include "com_security.h"

#include <objbase.h>

#include <cstdio>

#include "debug_log.h"
#include "platform.h"

namespace engine {

std::optional<LONG> authenticationServicesFor(int platformCode) {
    if (platformCode == kWindowsNT4) return -1;
    if (platformCode == kWindows2000 || platformCode == kWindowsXP || platformCode == kWindowsLater5) return 0;
    return std::nullopt;
}

void applyComSecurity(int platformCode) {
    std::optional<LONG> services = authenticationServicesFor(platformCode);
    if (!services) return;
    HRESULT hr = CoInitializeSecurity(nullptr, *services, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(hr)) {
        char text[16];
        snprintf(text, sizeof text, "0x%lx", (unsigned long)hr);
        DebugLine() << " !!!!!! CoInitializeSecurity FAILED " << text;
    }
}

}  // namespace engine
