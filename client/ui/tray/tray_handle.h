#pragma once
// frmTrayHandle: the client's icon in the notification area. A hidden window owns the
// icon; the notification area reports mouse actions on the icon to it as mouse-move
// messages carrying the action, which become the click events.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "hidden_window.h"

class frmTrayHandle {
public:
    // The call that reaches the notification area; tests put their own in.
    using ShellNotify = std::function<BOOL(DWORD action, NOTIFYICONDATAA* data)>;

    static constexpr UINT kIconId = 1;
    static constexpr UINT kFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
    static constexpr UINT kCallbackMessage = WM_MOUSEMOVE;            // 512
    static const wchar_t kWindowClass[];

    explicit frmTrayHandle(ShellNotify notify = Shell_NotifyIconA);
    // Takes the icon away if it is still shown.
    ~frmTrayHandle();
    frmTrayHandle(const frmTrayHandle&) = delete;
    frmTrayHandle& operator=(const frmTrayHandle&) = delete;

    // The program's icon resource becomes the window's icon; a shown icon is refreshed.
    void setTrayIcon(int iconId);
    // A shown icon is refreshed with the new tip (at most 63 characters are shown).
    void setToolTip(const std::wstring& tip);
    const std::wstring& toolTip() const { return m_toolTip; }

    void showTray();
    void hideTray();
    bool shown() const { return m_shown; }
    HWND hwnd() const { return m_window.hwnd(); }

    std::function<void()> onLeftClick;
    std::function<void()> onRightClick;
    std::function<void()> onDoubleClick;

private:
    NOTIFYICONDATAA record() const;
    void refresh();
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    ShellNotify m_notify;
    HiddenWindow m_window;
    HICON m_icon = nullptr;
    std::wstring m_toolTip;
    bool m_shown = false;
    UINT m_taskbarCreated = 0;
};
