#include "choice_dialog.h"

#include <memory>

#include "choice_layout.h"
#include "resource_ids.h"
#include "windows_util.h"

namespace {
RECT childRect(HWND dialog, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void moveTop(HWND dialog, int id, int top) {
    RECT rect = childRect(dialog, id);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, rect.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
}  // namespace

void frmStdChoose::addOption(const std::wstring& name, bool def) {
    m_options.push_back(name);
    if (def) m_checked = (int)m_options.size() - 1;
}

short frmStdChoose::doDlg(std::optional<bool> canCancel, HWND owner) {
    m_cancelAllowed = !(canCancel.has_value() && !*canCancel);
    m_result = -1;
    runModal(IDD_CHOOSE, owner);
    return m_result;
}

BOOL frmStdChoose::onInit() {
    setDialogItemText(hwnd(), IDC_CHOOSE_MESSAGE, m_prompt);
    placeOptions();
    if (!m_cancelAllowed) {
        RECT cancel = childRect(hwnd(), IDCANCEL), ok = childRect(hwnd(), IDOK);
        ShowWindow(GetDlgItem(hwnd(), IDCANCEL), SW_HIDE);
        SetWindowPos(GetDlgItem(hwnd(), IDOK), nullptr, cancel.left, ok.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    m_localization.formLclz(hwnd(), kChooseFormTags, m_objects);
    SetWindowTextW(hwnd(), (windowText(hwnd()) + m_title).c_str());
    bringToFront(hwnd());
    return TRUE;
}

void frmStdChoose::placeOptions() {
    RECT client;
    GetClientRect(hwnd(), &client);
    ChoiceLayout layout(childRect(hwnd(), IDC_CHOOSE_MESSAGE), childRect(hwnd(), IDOK).top, client.bottom);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
    HWND previous = GetDlgItem(hwnd(), IDC_CHOOSE_MESSAGE);
    for (size_t i = 0; i < m_options.size(); ++i) {
        RECT place = layout.addOption(client.right);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_MULTILINE | (i == 0 ? WS_GROUP : 0);
        HWND option = CreateWindowExW(0, L"BUTTON", m_options[i].c_str(), style, place.left, place.top,
                                      place.right - place.left, place.bottom - place.top, hwnd(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHOOSE_OPTION_FIRST + i)),
                                      nullptr, nullptr);
        SendMessageW(option, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if ((int)i == m_checked) SendMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
        // The answers come after the message and before the buttons in the tab order.
        SetWindowPos(option, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        previous = option;
    }
    if (m_options.empty()) return;
    moveTop(hwnd(), IDOK, layout.okTop());
    moveTop(hwnd(), IDCANCEL, layout.okTop());
    RECT window;
    GetWindowRect(hwnd(), &window);
    SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top + layout.clientHeight() - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

void frmStdChoose::finish(bool cancelled) {
    std::unique_ptr<bool[]> checked(new bool[m_options.size() + 1]);
    for (size_t i = 0; i < m_options.size(); ++i)
        checked[i] = IsDlgButtonChecked(hwnd(), IDC_CHOOSE_OPTION_FIRST + (int)i) == BST_CHECKED;
    m_result = choiceResult(cancelled, checked.get(), m_options.size());
    end(cancelled ? IDCANCEL : IDOK);
}

BOOL frmStdChoose::onMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)) {
        // The close box counts as Cancel, and is refused while there is none.
        if (m_cancelAllowed) finish(true);
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    if (id == IDOK) {
        finish(false);
        return TRUE;
    }
    if (id == IDCANCEL) {
        // Escape or the Cancel button; nothing while Cancel is hidden.
        if (m_cancelAllowed) finish(true);
        return TRUE;
    }
    return FALSE;
}

short showChoice(const C_localization& localization, const std::wstring& title, const std::wstring& prompt,
                 const std::vector<std::wstring>& options, bool noDefault, bool canCancel, HWND owner) {
    frmStdChoose dialog(localization);
    dialog.setTitle(title);
    dialog.setPrompt(prompt);
    for (const std::wstring& option : options) dialog.addOption(option, !noDefault);
    return dialog.doDlg(canCancel, owner);
}
