#include "hidden_window.h"

#include "com/module.h"

HiddenWindow::HiddenWindow(const wchar_t* className, const wchar_t* title, bool messageOnly, Handler handler)
    : m_handler(std::move(handler)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = com::moduleHandle();
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly when registered already
    m_window = CreateWindowExW(0, className, title, WS_OVERLAPPED, 0, 0, 0, 0, messageOnly ? HWND_MESSAGE : nullptr,
                               nullptr, com::moduleHandle(), this);
}

HiddenWindow::~HiddenWindow() { destroy(); }

void HiddenWindow::destroy() {
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
}

LRESULT CALLBACK HiddenWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<HiddenWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HiddenWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
    }
    LRESULT result = 0;
    if (self && self->m_handler && self->m_handler(message, wParam, lParam, result)) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}
