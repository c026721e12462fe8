#include "tray_handle.h"

#include <cstring>

#include "com/module.h"
#include "text_convert.h"

const wchar_t TrayHandle::kWindowClass[] = L"KeloTrayHandle";

TrayHandle::TrayHandle(ShellNotify notify)
    : notify_(std::move(notify)),
      window_(kWindowClass, L"Kelo Print Driver Tray", false,
              [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                  return handle(message, wParam, lParam, result);
              }),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {}

TrayHandle::~TrayHandle() {
    if (shown_) hideTray();
    window_.destroy();
    if (icon_) DestroyIcon(icon_);
}

NOTIFYICONDATAA TrayHandle::record() const {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window_.hwnd();
    data.uID = kIconId;
    data.uFlags = kFlags;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    // The first version of the record, which every system takes, has 64 bytes of tip.
    std::string tip = toAnsi(toolTip_).substr(0, 63);
    memcpy(data.szTip, tip.c_str(), tip.size() + 1);
    return data;
}

void TrayHandle::setTrayIcon(int iconId) {
    HICON icon = static_cast<HICON>(LoadImageW(com::moduleHandle(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!icon) return;
    SendMessageW(window_.hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (icon_) DestroyIcon(icon_);
    icon_ = icon;
    refresh();
}

void TrayHandle::setToolTip(const std::wstring& tip) {
    toolTip_ = tip;
    refresh();
}

void TrayHandle::showTray() {
    NOTIFYICONDATAA data = record();
    notify_(NIM_ADD, &data);
    shown_ = true;
}

void TrayHandle::hideTray() {
    NOTIFYICONDATAA data = record();
    notify_(NIM_DELETE, &data);
    shown_ = false;
}

void TrayHandle::refresh() {
    if (!shown_) return;
    NOTIFYICONDATAA data = record();
    notify_(NIM_MODIFY, &data);
}

bool TrayHandle::handle(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == kCallbackMessage) {
        // The window is never shown, so its mouse-move messages come from the icon.
        switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
            if (onLeftClick) onLeftClick();
            break;
        case WM_RBUTTONUP:
            if (onRightClick) onRightClick();
            break;
        case WM_LBUTTONDBLCLK:
            if (onDoubleClick) onDoubleClick();
            break;
        default:
            break;
        }
        result = 0;
        return true;
    }
    if (message == taskbarCreated_ && taskbarCreated_ != 0 && shown_) {
        showTray();  // the notification area was restarted: the icon is put back
        return false;
    }
    return false;
}
