#pragma once
// A small user robot for the installer's dialog and message boxes: it finds a process's
// windows by caption and answers them through window messages, as a user would.
#include <windows.h>

#include <string>
#include <vector>

namespace robot {

// A visible top-level window of the process with this caption (not `excluding`), or
// null after the timeout.
HWND waitForWindow(DWORD processId, const std::wstring& caption, HWND excluding = nullptr, DWORD timeoutMs = 30000);
bool waitForGone(HWND window, DWORD timeoutMs = 30000);

std::wstring textOf(HWND window);
// The message of a message box.
std::wstring messageText(HWND box);
// Clicks a button of the window (IDOK, IDYES, IDNO, ...); false when it has none.
bool press(HWND window, int buttonId);
void pressCloseBox(HWND window);

std::vector<std::wstring> listItems(HWND comboBox);
int selection(HWND comboBox);
void select(HWND comboBox, int index);  // -1: nothing

}  // namespace robot
