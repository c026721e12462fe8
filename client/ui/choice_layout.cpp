#include "choice_layout.h"

ChoiceLayout::ChoiceLayout(const RECT& messageBox, int okTop, int clientHeight)
    : message_(messageBox),
      optionHeight_((messageBox.bottom - messageBox.top) / 2),
      gap_((messageBox.bottom - messageBox.top) / 2),
      bottomMargin_(clientHeight - okTop),
      okTop_(okTop),
      nextTop_(messageBox.bottom + gap_) {}

RECT ChoiceLayout::addOption(int clientWidth) {
    int width = (message_.right - message_.left) * 3 / 4;
    int left = (clientWidth - width) / 2;
    RECT option = {left, nextTop_, left + width, nextTop_ + optionHeight_};
    nextTop_ = option.bottom + gap_;
    okTop_ += optionHeight_ + gap_;
    return option;
}

short choiceResult(bool cancelled, const bool* checked, size_t count) {
    if (cancelled) return -1;
    for (size_t i = 0; i < count; ++i)
        if (checked[i]) return (short)i;
    return 0;
}
