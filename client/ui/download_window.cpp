#include "download_window.h"

#include <commctrl.h>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "resource_ids.h"
#include "text_convert.h"
#include "web_wrapper.h"
#include "windows_util.h"

bool DownloadWindow::doDlg() {
    result_ = false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!hwnd()) createModeless(IDD_DOWNLOAD, nullptr);
    if (hwnd()) {
        ShowWindow(hwnd(), SW_SHOW);
        UpdateWindow(hwnd());
    }
    auto failure = com::runCaught([&] {
        c_iWebWrapper web;
        web.setServer(createWeb_());
        web.fileUploadProgress = [this](long percentDone) { iweb_fileUploadProgress(percentDone); };
        com::check(web.server()->downloadFile(BStr(url_).get(), BStr(path_).get(), VARIANT_TRUE));
        result_ = true;
    });
    if (failure)
        DebugLine() << "frmDownloadFile - " << toAnsi(url_) << " cannot be downloaded: 0x" << std::hex << failure->hr
                    << " " << toAnsi(failure->description);
    return result_;
}

BOOL DownloadWindow::onInit() {
    localization_.formLclz(hwnd(), kDownloadFormTags, objects_);
    SendDlgItemMessageW(hwnd(), IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, 100);
    bringToFront(hwnd());
    return TRUE;
}

void DownloadWindow::iweb_fileUploadProgress(long percentDone) {
    SendDlgItemMessageW(hwnd(), IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, (WPARAM)percentDone, 0);
}
