#pragma once
// frmStdChoose: a question with a message, one option button per answer, OK and an
// optional Cancel. showChoice wraps it for callers.
#include <optional>
#include <string>
#include <vector>

#include "dialog.h"
#include "localization.h"

class ChoiceDialog : public Dialog {
public:
    explicit ChoiceDialog(const C_localization& localization) : localization_(localization) {}

    // Appended to the dialog's own caption.
    void setTitle(const std::wstring& title) { title_ = title; }
    const std::wstring& title() const { return title_; }
    void setPrompt(const std::wstring& prompt) { prompt_ = prompt; }
    const std::wstring& prompt() const { return prompt_; }

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

    const C_localization& localization_;
    FormGdiObjects objects_;
    std::wstring title_;
    std::wstring prompt_;
    std::vector<std::wstring> options_;
    int checked_ = -1;
    bool cancelAllowed_ = true;
    short result_ = -1;
};

// Asks a question: the answers in order, each checked unless noDefault (so that the
// last one is preselected), brought to the foreground. Returns what doDlg returns.
short showChoice(const C_localization& localization, const std::wstring& title, const std::wstring& prompt,
                 const std::vector<std::wstring>& options, bool noDefault, bool canCancel, HWND owner = nullptr);
