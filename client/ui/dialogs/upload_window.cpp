#include "upload_window.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>

#include "resource_ids.h"
#include "windows_util.h"

namespace {

std::wstring localeText(LCID locale, LCTYPE type, const wchar_t* fallback) {
    wchar_t text[16] = {};
    return GetLocaleInfoW(locale, type, text, 16) > 0 ? text : fallback;
}

// "##,##0.00" in the locale's separators.
std::wstring twoDecimals(double value, LCID locale) {
    char digits[64];
    snprintf(digits, sizeof digits, "%.2f", value);
    std::string number = digits;
    size_t point = number.find('.');
    std::string whole = number.substr(0, point);
    std::wstring grouped;
    std::wstring thousands = localeText(locale, LOCALE_STHOUSAND, L",");
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += thousands;
        grouped += (wchar_t)whole[i];
    }
    return grouped + localeText(locale, LOCALE_SDECIMAL, L".") + std::wstring(number.begin() + point + 1, number.end());
}

}  // namespace

std::wstring fileSizeText(unsigned long long bytes, const C_localization& localization, LCID locale) {
    double size = (double)bytes / 1024;
    if (size > 1000) return twoDecimals(size / 1024, locale) + L" " + localization.stringLclz(L"STR_UPLOAD_MB", L"Mb");
    return twoDecimals(size, locale) + L" " + localization.stringLclz(L"STR_UPLOAD_KB", L"Kb");
}

std::wstring shortenedToFit(std::wstring text, const std::function<bool(const std::wstring&)>& fits) {
    while (!fits(text) && text.size() > 3) text = text.substr(0, text.size() - 4) + L"...";
    return text;
}

std::optional<int> progressPosition(long value, long min, long max) {
    if (max == min) return std::nullopt;
    double position = (double)value / (double)(max - min) * 100;
    if (position < 0) position = 0;
    if (position > 100) position = 100;
    return (int)std::lround(position);
}

void frmUploadJob::load() {
    m_cancelled = false;
    if (hwnd()) return;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    createModeless(IDD_UPLOAD, nullptr);
}

BOOL frmUploadJob::onInit() {
    m_localization.formLclz(hwnd(), kUploadFormTags, m_objects);
    setProgressLimit(m_min, m_max);
    bringToFront(hwnd());
    return TRUE;
}

void frmUploadJob::show() {
    if (!hwnd()) return;
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    bringToFront(hwnd());
}

void frmUploadJob::hide() {
    if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

bool frmUploadJob::fitsLabel(HWND label, const std::wstring& text) const {
    RECT box;
    GetClientRect(label, &box);
    HDC context = GetDC(label);
    if (!context) return true;
    HGDIOBJ old = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(context, text.c_str(), (int)text.size(), &size);
    SelectObject(context, old);
    ReleaseDC(label, context);
    return size.cx <= box.right - box.left;
}

void frmUploadJob::setJobName(const std::wstring& name) {
    HWND label = GetDlgItem(hwnd(), IDC_UPLOAD_JOBNAME);
    if (!label) return;
    SetWindowTextW(label,
                   shortenedToFit(name, [&](const std::wstring& text) { return fitsLabel(label, text); }).c_str());
}

void frmUploadJob::setFileSize(unsigned long long bytes) {
    setDialogItemText(hwnd(), IDC_UPLOAD_SIZE, fileSizeText(bytes, m_localization));
}

void frmUploadJob::setStatus(const std::wstring& status) { setDialogItemText(hwnd(), IDC_UPLOAD_STATUS, status); }

void frmUploadJob::setProgressLimit(long min, long max) {
    m_min = min;
    m_max = max;
    SendDlgItemMessageW(hwnd(), IDC_UPLOAD_PROGRESS, PBM_SETRANGE32, 0, 100);
}

void frmUploadJob::setProgress(short value) {
    std::optional<int> position = progressPosition(value, m_min, m_max);
    if (position) SendDlgItemMessageW(hwnd(), IDC_UPLOAD_PROGRESS, PBM_SETPOS, (WPARAM)*position, 0);
}

void frmUploadJob::queryUnload(short unloadMode) {
    short cancel = 0;
    if (m_listener) {
        cancel = m_listener->uploadCanUnload(unloadMode);
        if (cancel == 0) m_cancelled = true;
    }
    if (cancel == 0) unload();
}

BOOL frmUploadJob::onMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE) {
        queryUnload(kUnloadByCloseBox);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDC_UPLOAD_STOP || LOWORD(wParam) == IDCANCEL)) {
        queryUnload(kUnloadByCode);
        return TRUE;
    }
    return FALSE;
}
