#pragma once
// The version check after a fresh login: the client tells the server its installed
// version; the server says whether an update exists and whether it is critical. An
// update is downloaded into the temporary folder as "Kelo Print Driver.msi", started
// through the shell, and the client ends so that the installer can replace it.
#include <functional>
#include <string>

#include "localization.h"
#include "web_access.h"

class c_iWebWrapper;

struct VersionCheckServices {
    std::function<ComPtr<I_Web>()> createWeb = createWebComponent;
    // The installed version ("Unknown" when it cannot be read).
    std::function<std::wstring()> installedVersion;
};

// True when the job may go on. Raises when the server's answer is an error or holds no
// "versionSpec".
bool checkVersion(I_Web* server, const C_localization& localization, const VersionCheckServices& services);

// Downloads the package and starts it; the client then ends. Returns only when the
// server did not prepare the download or the download failed.
void downloadUpdate(const std::wstring& url, c_iWebWrapper& server, const C_localization& localization,
                    const VersionCheckServices& services);

// The temporary folder (with its trailing backslash) and "Kelo Print Driver.msi".
std::wstring updatePackagePath();
