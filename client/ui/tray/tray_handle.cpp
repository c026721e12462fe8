#include "tray_handle.h"

#include <cstring>

#include "com/module.h"
#include "text_convert.h"

const wchar_t frmTrayHandle::kWindowClass[] = L"KeloTrayHandle";

frmTrayHandle::frmTrayHandle(ShellNotify notify)
    : m_notify(std::move(notify)),
      m_window(kWindowClass, L"Kelo Print Driver Tray", false,
               [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                   return handle(message, wParam, lParam, result);
               }),
      m_taskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {}

frmTrayHandle::~frmTrayHandle() {
    if (m_shown) hideTray();
    m_window.destroy();
    if (m_icon) DestroyIcon(m_icon);
}

NOTIFYICONDATAA frmTrayHandle::record() const {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = m_window.hwnd();
    data.uID = kIconId;
    data.uFlags = kFlags;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = m_icon;
    // The first version of the record, which every system takes, has 64 bytes of tip.
    std::string tip = toAnsi(m_toolTip).substr(0, 63);
    memcpy(data.szTip, tip.c_str(), tip.size() + 1);
    return data;
}

void frmTrayHandle::setTrayIcon(int iconId) {
    HICON icon = static_cast<HICON>(LoadImageW(com::moduleHandle(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!icon) return;
    SendMessageW(m_window.hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (m_icon) DestroyIcon(m_icon);
    m_icon = icon;
    refresh();
}

void frmTrayHandle::setToolTip(const std::wstring& tip) {
    m_toolTip = tip;
    refresh();
}

void frmTrayHandle::showTray() {
    NOTIFYICONDATAA data = record();
    m_notify(NIM_ADD, &data);
    m_shown = true;
}

void frmTrayHandle::hideTray() {
    NOTIFYICONDATAA data = record();
    m_notify(NIM_DELETE, &data);
    m_shown = false;
}

void frmTrayHandle::refresh() {
    if (!m_shown) return;
    NOTIFYICONDATAA data = record();
    m_notify(NIM_MODIFY, &data);
}

bool frmTrayHandle::handle(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
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
        default: break;
        }
        result = 0;
        return true;
    }
    if (message == m_taskbarCreated && m_taskbarCreated != 0 && m_shown) {
        showTray();  // the notification area was restarted: the icon is put back
        return false;
    }
    return false;
}
