#pragma once
// frmUploadJob: the progress of one job's upload, shown without blocking while the
// upload runs. Stop (or the close box) asks the listener whether the window may go.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "dialog.h"
#include "localization.h"

// Who is asked before the window closes: 0 lets it close, anything else keeps it.
class UploadWindowListener {
public:
    virtual short uploadCanUnload(short unloadMode) = 0;

protected:
    ~UploadWindowListener() = default;
};

// How a window is being closed: by its close box, or by the program.
const short kUnloadByCloseBox = 0;
const short kUnloadByCode = 1;

// The size shown for a file: kilobytes, or megabytes once the kilobytes pass 1000,
// with two decimals and grouped thousands in the locale's separators ("1.46 Mb").
std::wstring fileSizeText(unsigned long long bytes, const C_localization& localization,
                          LCID locale = LOCALE_USER_DEFAULT);

// The text cut until it fits: while it does not, its first length-4 characters and
// "..." (one character shorter each time), down to "..." at the least.
std::wstring shortenedToFit(std::wstring text, const std::function<bool(const std::wstring&)>& fits);

// The progress bar's position for a value: value / (max - min) * 100, within 0 to 100,
// rounded; none when the range is empty.
std::optional<int> progressPosition(long value, long min, long max);

class frmUploadJob : public Dialog {
public:
    explicit frmUploadJob(const C_localization& localization) : m_localization(localization) {}

    // Creates the window hidden, translated and in front; clears the cancelled flag.
    void load();
    void show();
    void hide();
    void unload() { destroy(); }
    bool visible() const { return hwnd() && IsWindowVisible(hwnd()); }

    void setListener(UploadWindowListener* listener) { m_listener = listener; }
    void setJobName(const std::wstring& name);
    void setFileSize(unsigned long long bytes);
    void setStatus(const std::wstring& status);
    void setProgressLimit(long min, long max);
    void setProgress(short value);
    bool isCanceled() const { return m_cancelled; }

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void queryUnload(short unloadMode);
    bool fitsLabel(HWND label, const std::wstring& text) const;

    const C_localization& m_localization;
    FormGdiObjects m_objects;
    UploadWindowListener* m_listener = nullptr;
    bool m_cancelled = false;
    long m_min = 0;
    long m_max = 100;
};
