#include "windows_util.h"

void bringToFront(HWND window) {
    HWND foreground = GetForegroundWindow();
    if (foreground == window) return;
    DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD thisThread = GetCurrentThreadId();
    if (foregroundThread && foregroundThread != thisThread) {
        AttachThreadInput(thisThread, foregroundThread, TRUE);
        SetForegroundWindow(window);
        AttachThreadInput(thisThread, foregroundThread, FALSE);
    } else {
        SetForegroundWindow(window);
    }
}

void makeTopMost(HWND window) { SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text((size_t)length + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? (size_t)copied : 0);
    return text;
}

std::wstring dialogItemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

void setDialogItemText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

std::wstring programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], (DWORD)path.size());
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}
