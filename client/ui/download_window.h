#pragma once
// frmDownloadFile: downloads one file through a web component object of its own and
// shows the download's progress meanwhile.
#include <windows.h>

#include <functional>
#include <string>

#include "dialog.h"
#include "localization.h"
#include "web_access.h"

class DownloadWindow : public Dialog {
public:
    using WebFactory = std::function<ComPtr<I_Web>()>;

    DownloadWindow(const C_localization& localization, WebFactory createWeb)
        : localization_(localization), createWeb_(std::move(createWeb)) {}

    void setUrl(const std::wstring& url) { url_ = url; }
    const std::wstring& url() const { return url_; }
    void setPath(const std::wstring& path) { path_ = path; }
    const std::wstring& path() const { return path_; }

    // Shows the window and downloads url to path; true when the download succeeded.
    // The window stays until unload.
    bool doDlg();
    void unload() { destroy(); }

    // The web component's progress, in percent.
    void iweb_fileUploadProgress(long percentDone);

protected:
    BOOL onInit() override;

private:
    const C_localization& localization_;
    WebFactory createWeb_;
    FormGdiObjects objects_;
    std::wstring url_;
    std::wstring path_;
    bool result_ = false;
};
