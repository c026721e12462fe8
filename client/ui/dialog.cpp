#include "dialog.h"

#include "com/module.h"

Dialog::~Dialog() { destroy(); }

INT_PTR Dialog::runModal(int templateId, HWND owner) {
    modal_ = true;
    return DialogBoxParamW(com::moduleHandle(), MAKEINTRESOURCEW(templateId), owner, procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::createModeless(int templateId, HWND owner) {
    modal_ = false;
    return CreateDialogParamW(com::moduleHandle(), MAKEINTRESOURCEW(templateId), owner, procedure,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::end(INT_PTR result) {
    if (!window_) return;
    if (modal_)
        EndDialog(window_, result);
    else
        destroy();
}

void Dialog::destroy() {
    if (window_ && !modal_) DestroyWindow(window_);
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        return self->onInit();
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_DESTROY) {
        self->onDestroy();
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
        return FALSE;
    }
    return self->onMessage(message, wParam, lParam);
}
