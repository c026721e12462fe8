#pragma once
// Where the answers of the choice dialog go: each answer one below the other under the
// message box, three quarters of its width, centred, half its height high and half its
// height apart; the buttons and the window's bottom edge move down by what each answer
// takes, so that the margin below the buttons stays.
#include <windows.h>

class ChoiceLayout {
public:
    // Taken from the window as designed: the message box, the top of the OK button and
    // the inner height of the window.
    ChoiceLayout(const RECT& messageBox, int okTop, int clientHeight);

    // The place of the next answer in a window of this inner width.
    RECT addOption(int clientWidth);

    int okTop() const { return m_okTop; }
    int clientHeight() const { return m_okTop + m_bottomMargin; }
    int optionHeight() const { return m_optionHeight; }
    int gap() const { return m_gap; }

private:
    RECT m_message;
    int m_optionHeight;
    int m_gap;
    int m_bottomMargin;
    int m_okTop;
    int m_nextTop;
};

// The result of the dialog: -1 when cancelled, else the index of the first checked
// answer (0 when none is checked).
short choiceResult(bool cancelled, const bool* checked, size_t count);
