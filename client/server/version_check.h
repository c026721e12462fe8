#pragma once
// The version check after a fresh login: the client tells the server its installed
// version; the server says whether an update exists and whether it is critical. An
// update is downloaded (from an http or https address only) into the temporary folder
// as "Kelo Print Driver.msi", started through the shell, and the client ends so that the
// installer can replace it; a package that cannot be started leaves the client running.
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

enum class UpdateOutcome { NotDownloaded, NotStarted };
// Downloads the package and starts it; the client then ends. Returns only when nothing
// was downloaded (an address that is not http or https, no preparation by the server,
// a failed download), or when the package could not be started (the user was told).
UpdateOutcome downloadUpdate(const std::wstring& url, c_iWebWrapper& server, const C_localization& localization,
                             const VersionCheckServices& services);

// The temporary folder (with its trailing backslash) and "Kelo Print Driver.msi".
std::wstring updatePackagePath();
