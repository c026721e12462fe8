#include "login_dialog.h"

#include "resource_ids.h"
#include "windows_util.h"

bool loginOkEnabled(const std::wstring& userName, const std::wstring& password) {
    return !userName.empty() && !password.empty();
}

frmLogin::frmLogin(const C_localization& localization) : m_localization(localization) {}

bool frmLogin::doModal(HWND owner) {
    m_result = false;
    runModal(IDD_LOGIN, owner);
    return m_result;
}

BOOL frmLogin::onInit() {
    bringToFront(hwnd());
    makeTopMost(hwnd());
    EnableWindow(GetDlgItem(hwnd(), IDOK), FALSE);
    m_localization.formLclz(hwnd(), kLoginFormTags, m_objects);
    if (m_information) {
        setDialogItemText(hwnd(), IDC_LOGIN_USER, m_information->loginName);
        setDialogItemText(hwnd(), IDC_LOGIN_PASSWORD, m_information->loginPassword);
    }
    CheckDlgButton(hwnd(), IDC_LOGIN_REMEMBER, m_remember ? BST_CHECKED : BST_UNCHECKED);
    updateOk();
    SetFocus(GetDlgItem(hwnd(), IDC_LOGIN_USER));
    return FALSE;
}

void frmLogin::updateOk() {
    bool enabled = loginOkEnabled(dialogItemText(hwnd(), IDC_LOGIN_USER), dialogItemText(hwnd(), IDC_LOGIN_PASSWORD));
    EnableWindow(GetDlgItem(hwnd(), IDOK), enabled);
}

void frmLogin::accept() {
    if (!m_information) m_information = std::make_shared<C_userInformation>();
    m_information->loginName = dialogItemText(hwnd(), IDC_LOGIN_USER);
    m_information->loginPassword = dialogItemText(hwnd(), IDC_LOGIN_PASSWORD);
    m_remember = IsDlgButtonChecked(hwnd(), IDC_LOGIN_REMEMBER) == BST_CHECKED;
    m_result = true;
    end(IDOK);
}

BOOL frmLogin::onMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            updateOk();
            PostMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd(), IDC_LOGIN_USER)), TRUE);
        }
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam), code = HIWORD(wParam);
        if ((id == IDC_LOGIN_USER || id == IDC_LOGIN_PASSWORD) && code == EN_CHANGE) {
            updateOk();
            return TRUE;
        }
        if ((id == IDC_LOGIN_USER || id == IDC_LOGIN_PASSWORD) && code == EN_SETFOCUS) {
            SendDlgItemMessageW(hwnd(), id, EM_SETSEL, 0, -1);
            return TRUE;
        }
        if (id == IDOK) {
            // Enter reaches here even while OK is disabled.
            if (IsWindowEnabled(GetDlgItem(hwnd(), IDOK))) accept();
            return TRUE;
        }
        if (id == IDCANCEL) {
            m_result = false;
            end(IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}
