#pragma once
// The layout values of a language's layout file applied to a window or control:
// width, height, top, left (a line: x1, x2, y1, y2). Values are dialog units; a value
// that is missing or not a number leaves that property as it is.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct Box {
    int width = 0, height = 0, top = 0, left = 0;
    bool operator==(const Box& other) const {
        return width == other.width && height == other.height && top == other.top && left == other.left;
    }
};

// values: width, height, top, left, already in the box's units.
Box withLayout(Box box, const std::vector<std::optional<int>>& values);
// values: x1, x2, y1, y2 of a line, already in the box's units.
Box withLineLayout(Box box, const std::vector<std::optional<int>>& values);

// Applies layout values (dialog units) to a top-level window or to a control of a dialog.
void applyFormLayout(HWND form, const std::vector<std::wstring>& values);
void applyControlLayout(HWND dialog, HWND control, const std::vector<std::wstring>& values, bool isLine);
