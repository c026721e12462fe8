#include "download_window.h"

#include <commctrl.h>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "resource_ids.h"
#include "text_convert.h"
#include "web_wrapper.h"
#include "windows_util.h"

bool frmDownloadFile::doDlg() {
    m_result = false;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!hwnd()) createModeless(IDD_DOWNLOAD, nullptr);
    if (hwnd()) {
        ShowWindow(hwnd(), SW_SHOW);
        UpdateWindow(hwnd());
    }
    auto failure = com::runCaught([&] {
        c_iWebWrapper web;
        web.setServer(m_createWeb());
        web.fileUploadProgress = [this](long percentDone) { iweb_fileUploadProgress(percentDone); };
        com::check(web.server()->downloadFile(BStr(m_url).get(), BStr(m_path).get(), VARIANT_TRUE));
        m_result = true;
    });
    if (failure)
        DebugLine() << "frmDownloadFile - " << toAnsi(m_url) << " cannot be downloaded: 0x" << std::hex << failure->hr
                    << " " << toAnsi(failure->description);
    return m_result;
}

BOOL frmDownloadFile::onInit() {
    m_localization.formLclz(hwnd(), kDownloadFormTags, m_objects);
    SendDlgItemMessageW(hwnd(), IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, 100);
    bringToFront(hwnd());
    return TRUE;
}

void frmDownloadFile::iweb_fileUploadProgress(long percentDone) {
    SendDlgItemMessageW(hwnd(), IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, (WPARAM)percentDone, 0);
}
