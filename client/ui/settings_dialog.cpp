#include "settings_dialog.h"

#include <comdef.h>

#include "client_settings.h"
#include "com/guard.h"
#include "error_msg.h"
#include "registry_key_client.h"
#include "resource_ids.h"
#include "settings_texts.h"
#include "windows_util.h"

SettingsDialog::SettingsDialog(C_localization& localization, PrinterCatalog* printers)
    : localization_(localization), printers_(printers) {}

void SettingsDialog::doDlg(HWND owner) {
    if (!printers_) throw cERROR_MSG(BV_ERR_GENERAL, "The print engine is not available");
    printerNames_ = printers_->printerNames();
    runModal(IDD_SETTINGS, owner);
}

std::wstring SettingsDialog::title() const {
    return localization_.stringLclz(L"STR_SETTINGS_SETTINGSTITLE", L"Print Driver - Printer Settings");
}

BOOL SettingsDialog::onInit() {
    fillPrinters();
    fillLanguages();
    localization_.formLclz(hwnd(), kSettingsFormTags, objects_);
    loadPrinterValues();
    bringToFront(hwnd());
    return TRUE;
}

void SettingsDialog::fillPrinters() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_PRINTERS);
    if (printerNames_.size() <= 1) {
        ShowWindow(combo, SW_HIDE);
        setDialogItemText(hwnd(), IDC_SETTINGS_PRINTERS_LABEL,
                          localization_.stringLclz(L"STR_SETTINGS_CURRENT", L"Current Printer", {L":"}));
        selectedPrinter_ = printerNames_.empty() ? std::wstring() : printerNames_.front();
        setDialogItemText(hwnd(), IDC_SETTINGS_ONE_PRINTER, escapeAmpersands(selectedPrinter_));
        ShowWindow(GetDlgItem(hwnd(), IDC_SETTINGS_ONE_PRINTER), SW_SHOW);
        return;
    }
    for (const std::wstring& name : printerNames_)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    setDialogItemText(hwnd(), IDC_SETTINGS_PRINTERS_LABEL,
                      localization_.stringLclz(L"STR_SETTINGS_CHOOSE", L"Choose Printer", {L":"}));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    selectedPrinter_ = printerNames_.front();
}

void SettingsDialog::fillLanguages() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    for (const LanguageEntry& entry : languageEntries(localization_)) {
        LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, index, (LPARAM)entry.id);
    }
}

void SettingsDialog::loadPrinterValues() {
    // Each value that cannot be read leaves its box as it is.
    com::runCaught([&] {
        if (printerNames_.empty()) return;
        RegistryKeyClient driverData;
        driverData.setPath(printers_->driverDataPath(selectedPrinter_));
        setDialogItemText(hwnd(), IDC_SETTINGS_IP, driverData.value(L"keloServerIp").toString());
    });
    com::runCaught([&] {
        RegistryKeyClient client;
        client.setPath(kClientSettingsKey);
        com::runCaught([&] { setDialogItemText(hwnd(), IDC_SETTINGS_VERSION, client.value(L"Version").toString()); });
        storedLanguage_ = 0;
        com::runCaught([&] { storedLanguage_ = variantAsNumber(client.value(L"language")); });
    });
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if ((long)SendMessageW(combo, CB_GETITEMDATA, i, 0) == storedLanguage_) {
            SendMessageW(combo, CB_SETCURSEL, i, 0);
            break;
        }
    }
}

void SettingsDialog::onOk() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) {
        end(IDOK);  // nothing chosen, nothing to save
        return;
    }
    long chosen = (long)SendMessageW(combo, CB_GETITEMDATA, selected, 0);
    if (chosen == storedLanguage_) {
        end(IDOK);
        return;
    }
    if (!saveLanguage(chosen)) return;
    MessageBoxW(hwnd(),
                localization_
                    .stringLclz(L"STR_SETTINGS_RESTART",
                                L"Print Driver will need to be restarted for the changes to take effect")
                    .c_str(),
                title().c_str(), MB_OK | MB_ICONINFORMATION);
    end(IDOK);
}

bool SettingsDialog::saveLanguage(long language) {
    if (language != 0 && language != 1 && !localization_.validateCodePage((LCID)language)) {
        MessageBoxW(hwnd(), codePageRefusalText(localization_).c_str(), title().c_str(), MB_OK);
        return false;
    }
    auto failure = com::runCaught([&] { writeLanguageSetting(language); });
    if (!failure) return true;
    long code = failure->kind == com::Failure::ComError ? (long)failure->hr : (long)BV_ERR_GENERAL;
    MessageBoxW(hwnd(), settingsErrorText(localization_, code, failure->description).c_str(),
                localization_.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(), MB_OK | MB_ICONSTOP);
    return false;
}

BOOL SettingsDialog::onMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_SETTINGS_PRINTERS && code == CBN_SELCHANGE) {
        LRESULT selected = SendDlgItemMessageW(hwnd(), IDC_SETTINGS_PRINTERS, CB_GETCURSEL, 0, 0);
        if (selected >= 0 && (size_t)selected < printerNames_.size()) {
            selectedPrinter_ = printerNames_[(size_t)selected];
            loadPrinterValues();
        }
        return TRUE;
    }
    if (id == IDOK) {
        onOk();
        return TRUE;
    }
    if (id == IDCANCEL) {
        end(IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
