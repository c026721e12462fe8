#pragma once
// A window made from a dialog template of this program, with its messages handed to
// the object: modal (runs until end() is called) or modeless.
#include <windows.h>

class Dialog {
public:
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const { return m_window; }

protected:
    Dialog() = default;

    INT_PTR runModal(int templateId, HWND owner);
    HWND createModeless(int templateId, HWND owner);
    void end(INT_PTR result);
    void destroy();

    // WM_INITDIALOG; return TRUE to let the system set the focus.
    virtual BOOL onInit() { return TRUE; }
    // Every other message; return TRUE when handled (set DWLP_MSGRESULT where it counts).
    virtual BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }
    // WM_DESTROY, before the window is gone.
    virtual void onDestroy() {}

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    bool m_modal = false;
};
