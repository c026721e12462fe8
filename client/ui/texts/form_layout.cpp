#include "form_layout.h"

#include "language_files.h"

namespace {

// Dialog units to pixels of this dialog, horizontally (x) or vertically.
std::optional<int> toPixels(HWND dialog, const std::optional<int>& units, bool horizontal) {
    if (!units) return std::nullopt;
    RECT rect = {0, 0, horizontal ? *units : 0, horizontal ? 0 : *units};
    MapDialogRect(dialog, &rect);
    return horizontal ? rect.right : rect.bottom;
}

std::vector<std::optional<int>> inPixels(HWND dialog, const std::vector<std::wstring>& values,
                                         const bool horizontal[4]) {
    std::vector<std::optional<int>> numbers = layoutNumbers(values, 4);
    for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = toPixels(dialog, numbers[i], horizontal[i]);
    return numbers;
}

}  // namespace

Box withLayout(Box box, const std::vector<std::optional<int>>& values) {
    int* fields[] = {&box.width, &box.height, &box.top, &box.left};
    for (size_t i = 0; i < 4 && i < values.size(); ++i)
        if (values[i]) *fields[i] = *values[i];
    return box;
}

Box withLineLayout(Box box, const std::vector<std::optional<int>>& values) {
    auto value = [&](size_t i) { return i < values.size() ? values[i] : std::nullopt; };
    int x1 = value(0).value_or(box.left), x2 = value(1).value_or(box.left + box.width);
    int y1 = value(2).value_or(box.top), y2 = value(3).value_or(box.top + box.height);
    return Box{x2 - x1, y2 - y1, y1, x1};
}

void applyFormLayout(HWND form, const std::vector<std::wstring>& values) {
    const bool horizontal[4] = {true, false, false, true};
    RECT rect;
    if (!GetWindowRect(form, &rect)) return;
    Box box{rect.right - rect.left, rect.bottom - rect.top, rect.top, rect.left};
    box = withLayout(box, inPixels(form, values, horizontal));
    MoveWindow(form, box.left, box.top, box.width, box.height, TRUE);
}

void applyControlLayout(HWND dialog, HWND control, const std::vector<std::wstring>& values, bool isLine) {
    RECT rect;
    if (!GetWindowRect(control, &rect)) return;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    Box box{rect.right - rect.left, rect.bottom - rect.top, rect.top, rect.left};
    if (isLine) {
        const bool horizontal[4] = {true, true, false, false};
        box = withLineLayout(box, inPixels(dialog, values, horizontal));
    } else {
        const bool horizontal[4] = {true, false, false, true};
        box = withLayout(box, inPixels(dialog, values, horizontal));
    }
    MoveWindow(control, box.left, box.top, box.width, box.height, TRUE);
}
