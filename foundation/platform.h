#pragma once
// Which Windows runs this process. The code is asked anew on every call.
#include <windows.h>

enum WindowsVersionCode {
    kWindowsOther = 0,  // unknown, other 4.x, 6.0 and later, or a failed query
    kWindowsNT351 = 1,
    kWindows95 = 2,
    kWindowsNT4 = 3,
    kWindows98 = 4,
    kWindowsMe = 5,
    kWindows2000 = 6,
    kWindowsXP = 7,
    kWindowsLater5 = 8,  // 5.2 and other 5.x
};

// True on the NT platform. Throws 1000 "bvfsIsNT - Cannot get system version information".
bool bvfsIsNT();

int windowsVersionClass();
int classifyWindowsVersion(DWORD major, DWORD minor, DWORD platformId);

// Whether a platform code takes the wide-character (NT family) or the ANSI (Windows 9x)
// system interfaces; neither for kWindowsOther.
bool usesWideApi(int versionCode);
bool usesAnsiApi(int versionCode);
