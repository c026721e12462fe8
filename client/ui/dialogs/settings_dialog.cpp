#include "settings_dialog.h"

#include <comdef.h>

#include "client_settings.h"
#include "com/guard.h"
#include "error_msg.h"
#include "registry_key_client.h"
#include "resource_ids.h"
#include "settings_texts.h"
#include "windows_util.h"

frmSettings::frmSettings(C_localization& localization, PrinterCatalog* printers)
    : m_localization(localization), m_printers(printers) {}

void frmSettings::doDlg(HWND owner) {
    if (!m_printers) throw cERROR_MSG(BV_ERR_GENERAL, "The print engine is not available");
    m_printerNames = m_printers->printerNames();
    runModal(IDD_SETTINGS, owner);
}

std::wstring frmSettings::title() const {
    return m_localization.stringLclz(L"STR_SETTINGS_SETTINGSTITLE", L"Print Driver - Printer Settings");
}

BOOL frmSettings::onInit() {
    fillPrinters();
    fillLanguages();
    m_localization.formLclz(hwnd(), kSettingsFormTags, m_objects);
    loadPrinterValues();
    bringToFront(hwnd());
    return TRUE;
}

void frmSettings::fillPrinters() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_PRINTERS);
    if (m_printerNames.size() <= 1) {
        ShowWindow(combo, SW_HIDE);
        setDialogItemText(hwnd(), IDC_SETTINGS_PRINTERS_LABEL,
                          m_localization.stringLclz(L"STR_SETTINGS_CURRENT", L"Current Printer", {L":"}));
        m_selectedPrinter = m_printerNames.empty() ? std::wstring() : m_printerNames.front();
        setDialogItemText(hwnd(), IDC_SETTINGS_ONE_PRINTER, escapeAmpersands(m_selectedPrinter));
        ShowWindow(GetDlgItem(hwnd(), IDC_SETTINGS_ONE_PRINTER), SW_SHOW);
        return;
    }
    for (const std::wstring& name : m_printerNames)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    setDialogItemText(hwnd(), IDC_SETTINGS_PRINTERS_LABEL,
                      m_localization.stringLclz(L"STR_SETTINGS_CHOOSE", L"Choose Printer", {L":"}));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    m_selectedPrinter = m_printerNames.front();
}

void frmSettings::fillLanguages() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    for (const LanguageEntry& entry : languageEntries(m_localization)) {
        LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, index, (LPARAM)entry.id);
    }
}

void frmSettings::loadPrinterValues() {
    // Each value that cannot be read leaves its box as it is.
    com::runCaught([&] {
        if (m_printerNames.empty()) return;
        RegistryKeyClient driverData;
        driverData.setPath(m_printers->driverDataPath(m_selectedPrinter));
        setDialogItemText(hwnd(), IDC_SETTINGS_IP, driverData.value(L"keloServerIp").toString());
    });
    com::runCaught([&] {
        RegistryKeyClient client;
        client.setPath(kClientSettingsKey);
        com::runCaught([&] { setDialogItemText(hwnd(), IDC_SETTINGS_VERSION, client.value(L"Version").toString()); });
        m_storedLanguage = 0;
        com::runCaught([&] { m_storedLanguage = variantAsNumber(client.value(L"language")); });
    });
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if ((long)SendMessageW(combo, CB_GETITEMDATA, i, 0) == m_storedLanguage) {
            SendMessageW(combo, CB_SETCURSEL, i, 0);
            break;
        }
    }
}

void frmSettings::onOk() {
    HWND combo = GetDlgItem(hwnd(), IDC_SETTINGS_LANGUAGES);
    LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) {
        end(IDOK);  // nothing chosen, nothing to save
        return;
    }
    long chosen = (long)SendMessageW(combo, CB_GETITEMDATA, selected, 0);
    if (chosen == m_storedLanguage) {
        end(IDOK);
        return;
    }
    if (!saveLanguage(chosen)) return;
    MessageBoxW(hwnd(),
                m_localization
                    .stringLclz(L"STR_SETTINGS_RESTART",
                                L"Print Driver will need to be restarted for the changes to take effect")
                    .c_str(),
                title().c_str(), MB_OK | MB_ICONINFORMATION);
    end(IDOK);
}

bool frmSettings::saveLanguage(long language) {
    if (language != 0 && language != 1 && !m_localization.validateCodePage((LCID)language)) {
        MessageBoxW(hwnd(), codePageRefusalText(m_localization).c_str(), title().c_str(), MB_OK);
        return false;
    }
    auto failure = com::runCaught([&] { writeLanguageSetting(language); });
    if (!failure) return true;
    long code = failure->kind == com::Failure::ComError ? (long)failure->hr : (long)BV_ERR_GENERAL;
    MessageBoxW(hwnd(), settingsErrorText(m_localization, code, failure->description).c_str(),
                m_localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(), MB_OK | MB_ICONSTOP);
    return false;
}

BOOL frmSettings::onMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_SETTINGS_PRINTERS && code == CBN_SELCHANGE) {
        LRESULT selected = SendDlgItemMessageW(hwnd(), IDC_SETTINGS_PRINTERS, CB_GETCURSEL, 0, 0);
        if (selected >= 0 && (size_t)selected < m_printerNames.size()) {
            m_selectedPrinter = m_printerNames[(size_t)selected];
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
