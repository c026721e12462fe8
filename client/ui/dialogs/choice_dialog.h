#pragma once
// frmStdChoose: a question with a message, one option button per answer, OK and an
// optional Cancel. showChoice wraps it for callers.
#include <optional>
#include <string>
#include <vector>

#include "dialog.h"
#include "localization.h"

class frmStdChoose : public Dialog {
public:
    explicit frmStdChoose(const C_localization& localization) : m_localization(localization) {}

    // Appended to the dialog's own caption.
    void setTitle(const std::wstring& title) { m_title = title; }
    const std::wstring& title() const { return m_title; }
    void setPrompt(const std::wstring& prompt) { m_prompt = prompt; }
    const std::wstring& prompt() const { return m_prompt; }

    // The next answer; checking one answer unchecks the others.
    void addOption(const std::wstring& name, bool def);

    // Shows the dialog; the index of the checked answer in the order added (0 when none
    // is checked), or -1 when cancelled. With canCancel false there is no Cancel button
    // and the close box does nothing.
    short doDlg(std::optional<bool> canCancel = std::nullopt, HWND owner = nullptr);

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void placeOptions();
    void finish(bool cancelled);

    const C_localization& m_localization;
    FormGdiObjects m_objects;
    std::wstring m_title;
    std::wstring m_prompt;
    std::vector<std::wstring> m_options;
    int m_checked = -1;
    bool m_cancelAllowed = true;
    short m_result = -1;
};

// Asks a question: the answers in order, each checked unless noDefault (so that the
// last one is preselected), brought to the foreground. Returns what doDlg returns.
short showChoice(const C_localization& localization, const std::wstring& title, const std::wstring& prompt,
                 const std::vector<std::wstring>& options, bool noDefault, bool canCancel, HWND owner = nullptr);
