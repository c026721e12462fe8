#pragma once
// frmDownloadFile: downloads one file through a web component object of its own and
// shows the download's progress meanwhile.
#include <windows.h>

#include <functional>
#include <string>

#include "dialog.h"
#include "localization.h"
#include "web_access.h"

class frmDownloadFile : public Dialog {
public:
    using WebFactory = std::function<ComPtr<I_Web>()>;

    frmDownloadFile(const C_localization& localization, WebFactory createWeb)
        : m_localization(localization), m_createWeb(std::move(createWeb)) {}

    void setUrl(const std::wstring& url) { m_url = url; }
    const std::wstring& url() const { return m_url; }
    void setPath(const std::wstring& path) { m_path = path; }
    const std::wstring& path() const { return m_path; }

    // Shows the window and downloads url to path; true when the download succeeded.
    // The window stays until unload.
    bool doDlg();
    void unload() { destroy(); }

    // The web component's progress, in percent.
    void iweb_fileUploadProgress(long percentDone);

protected:
    BOOL onInit() override;

private:
    const C_localization& m_localization;
    WebFactory m_createWeb;
    FormGdiObjects m_objects;
    std::wstring m_url;
    std::wstring m_path;
    bool m_result = false;
};
