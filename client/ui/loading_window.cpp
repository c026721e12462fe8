#include "loading_window.h"

#include "resource_ids.h"
#include "windows_util.h"

void LoadingWindow::show(HWND owner) {
    if (!hwnd()) createModeless(IDD_LOADING, owner);
    if (hwnd()) {
        ShowWindow(hwnd(), SW_SHOW);
        UpdateWindow(hwnd());
        bringToFront(hwnd());
    }
}

BOOL LoadingWindow::onInit() {
    localization_.formLclz(hwnd(), kLoadingFormTags, objects_);
    bringToFront(hwnd());
    return TRUE;
}
