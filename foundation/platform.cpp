#include "platform.h"

#include "error_msg.h"

namespace {
bool queryVersion(OSVERSIONINFOA& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) != FALSE;
}
}  // namespace

bool bvfsIsNT() {
    OSVERSIONINFOA info;
    if (!queryVersion(info)) throw cERROR_MSG(BV_ERR_GENERAL, "bvfsIsNT - Cannot get system version information");
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int windowsVersionClass() {
    OSVERSIONINFOA info;
    if (!queryVersion(info)) return kWindowsOther;
    return classifyWindowsVersion(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId);
}

int classifyWindowsVersion(DWORD major, DWORD minor, DWORD platformId) {
    bool nt = platformId == VER_PLATFORM_WIN32_NT;
    if (major == 3) return minor == 51 ? kWindowsNT351 : kWindowsOther;
    if (major == 4) {
        if (minor == 0) return nt ? kWindowsNT4 : kWindows95;
        if (minor == 10) return kWindows98;
        if (minor == 90) return kWindowsMe;
        if (minor > 90) return nt ? kWindowsNT4 : kWindowsMe;
        return kWindowsOther;
    }
    if (major == 5) {
        if (minor == 0) return kWindows2000;
        if (minor == 1) return kWindowsXP;
        return kWindowsLater5;
    }
    return kWindowsOther;
}

bool usesWideApi(int versionCode) {
    switch (versionCode) {
    case kWindowsNT351:
    case kWindowsNT4:
    case kWindows2000:
    case kWindowsXP:
    case kWindowsLater5: return true;
    default: return false;
    }
}

bool usesAnsiApi(int versionCode) {
    return versionCode == kWindows95 || versionCode == kWindows98 || versionCode == kWindowsMe;
}
