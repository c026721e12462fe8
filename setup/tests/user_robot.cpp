#include "user_robot.h"

namespace robot {
namespace {

LRESULT send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return (LRESULT)result;
}

struct Search {
    DWORD processId;
    std::wstring caption;
    HWND excluding;
    HWND found = nullptr;
};

BOOL CALLBACK matches(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->processId || window == search->excluding || !IsWindowVisible(window)) return TRUE;
    if (textOf(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND waitForWindow(DWORD processId, const std::wstring& caption, HWND excluding, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        Search search{processId, caption, excluding};
        EnumWindows(matches, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(25);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool waitForGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(25);
    }
    return true;
}

std::wstring textOf(HWND window) {
    std::wstring text((size_t)send(window, WM_GETTEXTLENGTH) + 1, L'\0');
    LRESULT copied = send(window, WM_GETTEXT, (WPARAM)text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? (size_t)copied : 0);
    return text;
}

std::wstring messageText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? textOf(text) : L"";
}

bool press(HWND window, int buttonId) {
    HWND button = GetDlgItem(window, buttonId);
    if (!button || !IsWindowVisible(button)) return false;
    // Posted: the click may open another modal window, which must not hold the robot.
    return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

void pressCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::vector<std::wstring> listItems(HWND comboBox) {
    std::vector<std::wstring> items;
    LRESULT count = send(comboBox, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring item((size_t)send(comboBox, CB_GETLBTEXTLEN, (WPARAM)i) + 1, L'\0');
        send(comboBox, CB_GETLBTEXT, (WPARAM)i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize(wcslen(item.c_str()));
        items.push_back(item);
    }
    return items;
}

int selection(HWND comboBox) { return (int)send(comboBox, CB_GETCURSEL); }

void select(HWND comboBox, int index) {
    send(comboBox, CB_SETCURSEL, (WPARAM)index);
    PostMessageW(GetParent(comboBox), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(comboBox), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(comboBox));
}

}  // namespace robot
