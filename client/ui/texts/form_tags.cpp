#include "form_tags.h"

#include <windows.h>

#include "resource_ids.h"

const FormTags kMainFormTags = {
    L"FORM_MAIN_TITLE",
    {
        {IDC_MAIN_SETTINGS, L"BTN_MAIN_SETTINGS", L"btnSettings"},
        {IDC_MAIN_UNLOAD, L"BTN_MAIN_UNLOAD", L"btnUnload"},
        {IDC_MAIN_LOGIN, L"BTN_MAIN_LOGIN", L"btnLogin"},
        {IDC_MAIN_LOGO, L"IMG_MAIN_PWRD", L"ImageLogo"},
        {IDC_MAIN_PDLOGO, L"IMG_MAIN_PDLOGO", L"Image1"},
        {IDC_MAIN_LINK, nullptr, L"lblLink"},
    },
};

const FormTags kLoginFormTags = {
    L"FORM_LOGIN_TITLE",
    {
        {IDC_LOGIN_FRAME, L"FRAME_LOGIN_LOGIN", L"Frame1"},
        {IDC_LOGIN_USER_LABEL, L"LBL_LOGIN_USER", L"Label1"},
        {IDC_LOGIN_USER, L"TXT_LOGIN_USER", L"editUserName"},
        {IDC_LOGIN_PASSWORD_LABEL, L"LBL_LOGIN_PSWD", L"Label2"},
        {IDC_LOGIN_PASSWORD, L"TXT_LOGIN_PSWD", L"editPassword"},
        {IDC_LOGIN_REMEMBER, L"CHK_LOGIN_REMPSWD", L"chkRememberPassword"},
        {IDOK, L"BTN_GEN_OK", L"btnOk"},
        {IDCANCEL, L"BTN_GEN_CANCEL", L"btnCancel"},
        {IDC_LOGIN_LOGO, L"IMG_LOGIN_PWRD", L"ImageLogo"},
        {IDC_LOGIN_PDLOGO, L"IMG_LOGIN_PDLOGO", L"Image1"},
    },
};

const FormTags kLoadingFormTags = {
    L"FORM_LOAD_TITLE",
    {
        {IDC_LOADING_WAIT, L"LBL_LOAD_WAIT", L"Label1"},
        {IDC_LOADING_LOGO, L"IMG_LOAD_PWRD", L"ImageLogo"},
        {IDC_LOADING_PDLOGO, L"IMG_LOAD_PDLOGO", L"Image1"},
    },
};

const FormTags kSettingsFormTags = {
    L"FORM_SETTINGS_TITLE",
    {
        {IDC_SETTINGS_FRAME, L"FRAME_SETTINGS_SETTINGS", L"Frame1"},
        {IDC_SETTINGS_PRINTERS_LABEL, L"LBL_SETTINGS_PRINTERS_NOTRAN", L"lblPrinters"},
        {IDC_SETTINGS_PRINTERS, L"CMB_SETTINGS_PRINTERS", L"cmbPrinters"},
        {IDC_SETTINGS_ONE_PRINTER, nullptr, L"lblOnePrinter"},
        {IDC_SETTINGS_LANGUAGES_LABEL, L"LBL_SETTINGS_LANG", L"lblLanguages"},
        {IDC_SETTINGS_LANGUAGES, L"CMB_SETTINGS_LANG", L"cmbLanguages"},
        {IDC_SETTINGS_IP_LABEL, L"LBL_SETTINGS_IP", L"Label2"},
        {IDC_SETTINGS_IP, L"TXT_SETTINGS_IP", L"editIP"},
        {IDC_SETTINGS_VERSION_LABEL, L"LBL_SETTINGS_VERSION", L"Label1"},
        {IDC_SETTINGS_VERSION, L"TXT_SETTINGS_VERSION", L"editVersion"},
        {IDOK, L"BTN_GEN_OK", L"btnOk"},
        {IDCANCEL, L"BTN_GEN_CANCEL", L"btnCancel"},
        {IDC_SETTINGS_LOGO, L"IMG_SETTINGS_PWRD", L"ImageLogo"},
    },
};

const FormTags kChooseFormTags = {
    L"FORM_CHOOSE_TITLE",
    {
        {IDC_CHOOSE_MESSAGE, L"TXT_CHOOSE_EDIT", L"editMessgae"},
        {IDOK, L"BTN_GEN_OK", L"btnOk"},
        {IDCANCEL, L"BTN_GEN_CANCEL", L"btnCancel"},
        {IDC_CHOOSE_LOGO, L"IMG_CHOOSE_PWRD", L"ImageLogo"},
        {IDC_CHOOSE_PDLOGO, L"IMG_CHOOSE_PDLOGO", L"Image1"},
    },
};

const FormTags kUploadFormTags = {
    L"FORM_UPLOAD_TITLE",
    {
        {IDC_UPLOAD_JOBNAME_LABEL, L"LBL_UPLOAD_JNAME", L"Label1"},
        {IDC_UPLOAD_JOBNAME, L"LBL_UPLOAD_JNAMETEXT_NOTRAN", L"lblJobName"},
        {IDC_UPLOAD_SIZE_LABEL, L"LBL_UPLOAD_FSIZE", L"Label2"},
        {IDC_UPLOAD_SIZE, L"LBL_UPLOAD_FSIZETEXT_NOTRAN", L"lblSize"},
        {IDC_UPLOAD_STATUS_LABEL, L"LBL_UPLOAD_STATUS", L"Label3"},
        {IDC_UPLOAD_STATUS, L"LBL_UPLOAD_STATUSTEXT_NOTRAN", L"lblStatus"},
        {IDC_UPLOAD_PROGRESS, L"PBAR_UPLOAD_PBAR", L"barActionProgress"},
        {IDC_UPLOAD_STOP, L"BTN_UPLOAD_STOP", L"btnStop"},
        {IDC_UPLOAD_LOGO, L"IMG_UPLOAD_PWRD", L"ImageLogo"},
    },
};

const FormTags kDownloadFormTags = {
    L"FORM_DWN_TITLE",
    {
        {IDC_DOWNLOAD_PROGRESS, L"PBAR_DWN_DOWNLOAD", L"ProgressBar1"},
        {IDC_DOWNLOAD_LOGO, L"IMG_DWN_PWRD", L"ImageLogo"},
        {IDC_DOWNLOAD_PDLOGO, L"IMG_DWN_PDLOGO", L"Image1"},
    },
};

const std::vector<const FormTags*>& allFormTags() {
    static const std::vector<const FormTags*> forms = {&kMainFormTags,     &kLoginFormTags,  &kLoadingFormTags,
                                                       &kSettingsFormTags, &kChooseFormTags, &kUploadFormTags,
                                                       &kDownloadFormTags};
    return forms;
}
