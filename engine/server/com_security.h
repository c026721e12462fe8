#pragma once
// The process's COM security, chosen by the platform: no access check, no
// authentication, impersonation allowed.
#include <windows.h>

#include <optional>

namespace engine {

// The authentication services to ask for: -1 (the system's choice) on NT 4, none (0) on
// Windows 2000 and later, nothing to set on other platforms.
std::optional<LONG> authenticationServicesFor(int platformCode);

// Logs " !!!!!! CoInitializeSecurity FAILED 0x..." on failure; the server goes on.
void applyComSecurity(int platformCode);

}  // namespace engine
