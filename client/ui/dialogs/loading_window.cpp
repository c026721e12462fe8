#include "loading_window.h"

#include "resource_ids.h"
#include "windows_util.h"

void frmLoading::show(HWND owner) {
    if (!hwnd()) createModeless(IDD_LOADING, owner);
    if (hwnd()) {
        ShowWindow(hwnd(), SW_SHOW);
        UpdateWindow(hwnd());
        bringToFront(hwnd());
    }
}

BOOL frmLoading::onInit() {
    m_localization.formLclz(hwnd(), kLoadingFormTags, m_objects);
    bringToFront(hwnd());
    return TRUE;
}
