#include "choice_layout.h"

ChoiceLayout::ChoiceLayout(const RECT& messageBox, int okTop, int clientHeight)
    : m_message(messageBox),
      m_optionHeight((messageBox.bottom - messageBox.top) / 2),
      m_gap((messageBox.bottom - messageBox.top) / 2),
      m_bottomMargin(clientHeight - okTop),
      m_okTop(okTop),
      m_nextTop(messageBox.bottom + m_gap) {}

RECT ChoiceLayout::addOption(int clientWidth) {
    int width = (m_message.right - m_message.left) * 3 / 4;
    int left = (clientWidth - width) / 2;
    RECT option = {left, m_nextTop, left + width, m_nextTop + m_optionHeight};
    m_nextTop = option.bottom + m_gap;
    m_okTop += m_optionHeight + m_gap;
    return option;
}

short choiceResult(bool cancelled, const bool* checked, size_t count) {
    if (cancelled) return -1;
    for (size_t i = 0; i < count; ++i)
        if (checked[i]) return (short)i;
    return 0;
}
