#include "dialog.h"

#include "com/module.h"

Dialog::~Dialog() { destroy(); }

INT_PTR Dialog::runModal(int templateId, HWND owner) {
    m_modal = true;
    return DialogBoxParamW(com::moduleHandle(), MAKEINTRESOURCEW(templateId), owner, procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::createModeless(int templateId, HWND owner) {
    m_modal = false;
    return CreateDialogParamW(com::moduleHandle(), MAKEINTRESOURCEW(templateId), owner, procedure,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::end(INT_PTR result) {
    if (!m_window) return;
    if (m_modal)
        EndDialog(m_window, result);
    else
        destroy();
}

void Dialog::destroy() {
    if (m_window && !m_modal) DestroyWindow(m_window);
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_window = window;
        return self->onInit();
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_DESTROY) {
        self->onDestroy();
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_window = nullptr;
        return FALSE;
    }
    return self->onMessage(message, wParam, lParam);
}
