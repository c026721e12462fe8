#include "version_check.h"

#include <windows.h>
#include <shellapi.h>

#include "client_error.h"
#include "debug_log.h"
#include "download_window.h"
#include "program_end.h"
#include "text_convert.h"
#include "web_wrapper.h"

namespace {

int messageBox(const std::wstring& text, const std::wstring& title, UINT type) {
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), type | MB_SETFOREGROUND);
}

// Only a package from a web server is fetched: a "file:" address or a network path
// would have the client start whatever lies there.
bool isWebAddress(const std::wstring& url) {
    return _wcsnicmp(url.c_str(), L"http://", 7) == 0 || _wcsnicmp(url.c_str(), L"https://", 8) == 0;
}

}  // namespace

std::wstring updatePackagePath() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH + 1, temp);
    return toWide(std::string(temp) + "Kelo Print Driver.msi");
}

bool checkVersion(I_Web* server, const C_localization& localization, const VersionCheckServices& services) {
    c_iWebWrapper wrapper;
    wrapper.setLanguage(localization.currLang());
    wrapper.setServer(server);
    std::wstring version = services.installedVersion ? services.installedVersion() : L"Unknown";
    ScriptDictionary versionSpec = wrapper.checkClientVersion(version);
    if (!versionSpec)
        raiseError(E_FAIL, localization.stringLclz(L"STR_DHAND_NOVERSION",
                                                   L"The server did not say whether this Print Driver is up to date."));
    bool update = replyBool(versionSpec.item(L"update"));
    bool critical = replyBool(versionSpec.item(L"critical"));
    DebugLine() << "C_driverHandler - version " << toAnsi(version) << (update ? ": update" : ": no update")
                << (update && critical ? " (critical)" : "");
    if (!update) return true;

    if (critical) {
        messageBox(
            localization.stringLclz(
                L"STR_DHAND_UPDATEREQUIREDMSG",
                L"A Print Driver update is available on the server. This is a critical update that must be "
                L"applied before continuing to work. The Print Driver will now download and install the update."),
            localization.stringLclz(L"STR_DHAND_UPDATEREQUIRED", L"Update Required"), MB_OK | MB_ICONINFORMATION);
    } else if (messageBox(localization.stringLclz(
                              L"STR_DHAND_UPDATEAVAILMSG",
                              L"A Print Driver update is available on the server. Would you like to update now?"),
                          localization.stringLclz(L"STD_DHAND_UPDATEAVAIL", L"Update Available"),
                          MB_YESNO | MB_ICONINFORMATION) != IDYES) {
        return true;
    }

    if (downloadUpdate(replyText(versionSpec.item(L"downloadUrl")), wrapper, localization, services) ==
        UpdateOutcome::NotStarted)
        return !critical;
    std::wstring title = localization.stringLclz(L"STR_DHAND_DWNERROR", L"Download Error");
    if (critical) {
        messageBox(localization.stringLclz(
                       L"STR_DHAND_CRITICALERROR",
                       L"The Print Driver cannot process your print Job as an error occurred while downloading the "
                       L"update.  Please contact your Print Provider in order to correct this problem."),
                   title, MB_OK | MB_ICONSTOP);
        return false;
    }
    messageBox(localization.stringLclz(L"STR_DHAND_MINORERROR",
                                       L"An error occurred while downloading the update. Please contact your Print "
                                       L"Provider to correct this problem."),
               title, MB_OK | MB_ICONSTOP);
    return true;
}

UpdateOutcome downloadUpdate(const std::wstring& url, c_iWebWrapper& server, const C_localization& localization,
                             const VersionCheckServices& services) {
    if (!isWebAddress(url)) {
        DebugLine() << "C_driverHandler - the update's address is no http or https address: " << toAnsi(url);
        return UpdateOutcome::NotDownloaded;
    }
    if (!server.prepareClientDownload()) {
        DebugLine() << "C_driverHandler - the server did not prepare the update";
        return UpdateOutcome::NotDownloaded;
    }
    std::wstring package = updatePackagePath();
    frmDownloadFile window(localization, services.createWeb);
    window.setUrl(url);
    window.setPath(package);
    messageBox(localization.stringLclz(
                   L"STR_TYPES_DOWNLOAD",
                   L"Print Driver will now download the update file. When downloading is done, the update setup "
                   L"program will start automatically. When setup finishes and Print Driver has been loaded, reprint "
                   L"your file to continue working."),
               localization.stringLclz(L"STR_TYPES_READY", L"Ready to Download"), MB_OK | MB_ICONINFORMATION);
    if (!window.doDlg()) {
        window.unload();
        return UpdateOutcome::NotDownloaded;
    }
    window.unload();
    std::string file = toAnsi(package);
    INT_PTR started = (INT_PTR)ShellExecuteA(nullptr, nullptr, file.c_str(), "", "", SW_SHOWNORMAL);
    if (started > 32) endProgramNow(0);
    DebugLine() << "C_driverHandler - the update package could not be started (" << (int)started << ")";
    messageBox(localization.stringLclz(L"STR_DHAND_NOSTART",
                                       L"The update was downloaded, but its setup program could not be started. "
                                       L"Please start it yourself:") +
                   L"\r\n\r\n" + package,
               localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error"), MB_OK | MB_ICONSTOP);
    return UpdateOutcome::NotStarted;
}
