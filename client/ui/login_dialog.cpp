#include "login_dialog.h"

#include "resource_ids.h"
#include "windows_util.h"

bool loginOkEnabled(const std::wstring& userName, const std::wstring& password) {
    return !userName.empty() && !password.empty();
}

LoginDialog::LoginDialog(const C_localization& localization) : localization_(localization) {}

bool LoginDialog::doModal(HWND owner) {
    result_ = false;
    runModal(IDD_LOGIN, owner);
    return result_;
}

BOOL LoginDialog::onInit() {
    bringToFront(hwnd());
    makeTopMost(hwnd());
    EnableWindow(GetDlgItem(hwnd(), IDOK), FALSE);
    localization_.formLclz(hwnd(), kLoginFormTags, objects_);
    if (information_) {
        setDialogItemText(hwnd(), IDC_LOGIN_USER, information_->loginName);
        setDialogItemText(hwnd(), IDC_LOGIN_PASSWORD, information_->loginPassword);
    }
    CheckDlgButton(hwnd(), IDC_LOGIN_REMEMBER, remember_ ? BST_CHECKED : BST_UNCHECKED);
    updateOk();
    SetFocus(GetDlgItem(hwnd(), IDC_LOGIN_USER));
    return FALSE;
}

void LoginDialog::updateOk() {
    bool enabled = loginOkEnabled(dialogItemText(hwnd(), IDC_LOGIN_USER), dialogItemText(hwnd(), IDC_LOGIN_PASSWORD));
    EnableWindow(GetDlgItem(hwnd(), IDOK), enabled);
}

void LoginDialog::accept() {
    if (!information_) information_ = std::make_shared<C_userInformation>();
    information_->loginName = dialogItemText(hwnd(), IDC_LOGIN_USER);
    information_->loginPassword = dialogItemText(hwnd(), IDC_LOGIN_PASSWORD);
    remember_ = IsDlgButtonChecked(hwnd(), IDC_LOGIN_REMEMBER) == BST_CHECKED;
    result_ = true;
    end(IDOK);
}

BOOL LoginDialog::onMessage(UINT message, WPARAM wParam, LPARAM) {
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
            result_ = false;
            end(IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}
