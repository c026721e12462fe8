#include "message_keys.h"

#include <cwchar>
#include <string>

namespace {
const std::vector<MessageKey> kMessages = {
    {L"STR_GEN_PDTITLE", L"Print Driver"},
    {L"STR_GEN_TITLERROR", L"Print Driver - Error"},
    {L"STR_DHAND_LOGERR", L"Login error"},
    {L"STR_DHAND_UPDATEREQUIRED", L"Update Required"},
    {L"STR_DHAND_UPDATEREQUIREDMSG",
     L"A Print Driver update is available on the server. This is a critical update that must be applied before "
     L"continuing to work. The Print Driver will now download and install the update."},
    {L"STR_DHAND_UPDATEAVAILMSG", L"A Print Driver update is available on the server. Would you like to update now?"},
    {L"STD_DHAND_UPDATEAVAIL", L"Update Available"},
    {L"STR_DHAND_NOCONNECT", L"The connection to the server could not be made."},
    {L"STR_DHAND_NOVERSION", L"The server did not say whether this Print Driver is up to date."},
    {L"STR_DHAND_CRITICALERROR",
     L"The Print Driver cannot process your print Job as an error occurred while downloading the update.  Please "
     L"contact your Print Provider in order to correct this problem."},
    {L"STR_DHAND_DWNERROR", L"Download Error"},
    {L"STR_DHAND_MINORERROR",
     L"An error occurred while downloading the update. Please contact your Print Provider to correct this problem."},
    {L"STR_DHAND_NOSTART",
     L"The update was downloaded, but its setup program could not be started. Please start it yourself:"},
    {L"STR_TYPES_DOWNLOAD",
     L"Print Driver will now download the update file. When downloading is done, the update setup program will "
     L"start automatically. When setup finishes and Print Driver has been loaded, reprint your file to continue "
     L"working."},
    {L"STR_TYPES_READY", L"Ready to Download"},
    {L"STR_JHAND_UNEXPECTED", L"Unexpected error while processing the print job"},
    {L"STR_JHAND_JOBCANCEL", L"The print job has been cancelled"},
    {L"STR_JHAND_NOBROWSER",
     L"The order page could not be opened in the browser. The print job was sent; please open the order page "
     L"yourself:"},
    {L"STR_MAIN_DISPLAYERROR", L"Error while displaying setting"},
    {L"STR_MAIN_CODE", L"Code"},
    {L"STR_MAIN_DESC", L"Description"},
    {L"STR_MAIN_NOENGINE",
     L"The print engine could not be reached. Print Driver keeps running, but no printer will send jobs until it "
     L"is started again."},
    {L"STR_UPLOAD_KB", L"Kb"},
    {L"STR_UPLOAD_MB", L"Mb"},
    {L"STR_UHAND_ERROR", L"Error"},
    {L"STR_UHAND_FOLLOWING", L"The following error has occured"},
    {L"STR_UHAND_WHATODO", L"What do you want to do"},
    {L"STR_UHAND_CANCEL", L"Cancel the current operation"},
    {L"STR_UHAND_RETRY", L"Retry the last action"},
    {L"STR_UHAND_IGNORE", L"Ignore the error and continue"},
    {L"STR_UHAND_UPLOADFILE", L"Upload File"},
    {L"STR_UHAND_FILEXIST", L"File already exists on server"},
    {L"STR_UHAND_RELOAD", L"Reload file from start"},
    {L"STR_UHAND_CANCELUPLOAD", L"Cancel upload"},
    {L"STR_UHAND_NOTCOMPLETE", L"File already exists on server, but is not completed"},
    {L"STR_UHAND_UPLOADCURRENT", L"Upload the file from its current position"},
    {L"STR_UHAND_CORRUPTED", L"File already exists on server, but is seemes to be corrupted"},
    {L"STR_UHAND_UPLOADJOB", L"Uploading job"},
    {L"STR_UHAND_UPLOADERROR", L"Error while uploading job"},
    {L"STR_UHAND_YOUSURE", L"Are you sure you want to cancel job upload?"},
    {L"STR_UHAND_CANCELTITLE", L"Print Driver - Cancel Job Upload"},
    {L"STR_SETTINGS_SETTINGSTITLE", L"Print Driver - Printer Settings"},
    {L"STR_SETTINGS_NOMATCH", L"The language you selected does not match your current system default locale"},
    {L"STR_SETTINGS_NODISPLAY", L"Print Driver will not be able to display the characters correctly"},
    {L"STR_SETTINGS_SELECT", L"Please select a different language, or change your system's locale"},
    {L"STR_SETTINGS_CURRENTSYS", L"Your current system default locale is"},
    {L"STR_SETTINGS_CURRENT", L"Current Printer"},
    {L"STR_SETTINGS_CHOOSE", L"Choose Printer"},
    {L"STR_SETTINGS_SYSDEFAULT", L"Use System Default"},
    {L"STR_SETTINGS_USEENGLISH", L"Use English"},
    {L"STR_SETTINGS_RESTART", L"Print Driver will need to be restarted for the changes to take effect"},
};

const std::vector<const wchar_t*> kTags = {
    L"FORM_MAIN_TITLE",
    L"BTN_MAIN_UNLOAD",
    L"BTN_MAIN_LOGIN",
    L"BTN_MAIN_SETTINGS",
    L"IMG_MAIN_PWRD",
    L"IMG_MAIN_PDLOGO",
    L"FORM_DWN_TITLE",
    L"PBAR_DWN_DOWNLOAD",
    L"IMG_DWN_PWRD",
    L"IMG_DWN_PDLOGO",
    L"FORM_UPLOAD_TITLE",
    L"BTN_UPLOAD_STOP",
    L"PBAR_UPLOAD_PBAR",
    L"IMG_UPLOAD_PWRD",
    L"LBL_UPLOAD_FSIZE",
    L"LBL_UPLOAD_FSIZETEXT_NOTRAN",
    L"LBL_UPLOAD_STATUSTEXT_NOTRAN",
    L"LBL_UPLOAD_STATUS",
    L"LBL_UPLOAD_JNAMETEXT_NOTRAN",
    L"LBL_UPLOAD_JNAME",
    L"FORM_SETTINGS_TITLE",
    L"BTN_GEN_CANCEL",
    L"BTN_GEN_OK",
    L"CMB_SETTINGS_LANG",
    L"CMB_SETTINGS_PRINTERS",
    L"FRAME_SETTINGS_SETTINGS",
    L"TXT_SETTINGS_VERSION",
    L"TXT_SETTINGS_IP",
    L"LBL_SETTINGS_VERSION",
    L"LBL_SETTINGS_IP",
    L"IMG_SETTINGS_PWRD",
    L"LBL_SETTINGS_LANG",
    L"LBL_SETTINGS_PRINTERS_NOTRAN",
    L"FORM_LOAD_TITLE",
    L"IMG_LOAD_PWRD",
    L"IMG_LOAD_PDLOGO",
    L"LBL_LOAD_WAIT",
    L"FORM_CHOOSE_TITLE",
    L"TXT_CHOOSE_EDIT",
    L"IMG_CHOOSE_PWRD",
    L"IMG_CHOOSE_PDLOGO",
    L"FORM_LOGIN_TITLE",
    L"FRAME_LOGIN_LOGIN",
    L"TXT_LOGIN_USER",
    L"CHK_LOGIN_REMPSWD",
    L"TXT_LOGIN_PSWD",
    L"LBL_LOGIN_PSWD",
    L"LBL_LOGIN_USER",
    L"IMG_LOGIN_PWRD",
    L"IMG_LOGIN_PDLOGO",
};
}  // namespace

const std::vector<MessageKey>& messageKeys() { return kMessages; }

const wchar_t* englishText(const wchar_t* key) {
    for (const MessageKey& message : kMessages)
        if (wcscmp(message.key, key) == 0) return message.english;
    return key;
}

const std::vector<const wchar_t*>& allTags() { return kTags; }

bool tagHasTranslatedText(const wchar_t* tag) {
    std::wstring text = tag;
    const std::wstring notran = L"_NOTRAN";
    if (text.size() >= notran.size() && text.compare(text.size() - notran.size(), notran.size(), notran) == 0)
        return false;
    for (const wchar_t* kind : {L"FORM_", L"BTN_", L"LBL_", L"CHK_", L"FRAME_"})
        if (text.rfind(kind, 0) == 0) return true;
    return false;
}
