#include "hidden_window.h"

#include "com/module.h"

HiddenWindow::HiddenWindow(const wchar_t* className, const wchar_t* title, bool messageOnly, Handler handler)
    : handler_(std::move(handler)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = com::moduleHandle();
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly when registered already
    window_ = CreateWindowExW(0, className, title, WS_OVERLAPPED, 0, 0, 0, 0, messageOnly ? HWND_MESSAGE : nullptr,
                              nullptr, com::moduleHandle(), this);
}

HiddenWindow::~HiddenWindow() { destroy(); }

void HiddenWindow::destroy() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
}

LRESULT CALLBACK HiddenWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<HiddenWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HiddenWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    LRESULT result = 0;
    if (self && self->handler_ && self->handler_(message, wParam, lParam, result)) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}
