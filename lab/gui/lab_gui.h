#pragma once
// The user robot: tests drive another program's windows the way a user would, through
// window messages only: find a window by its caption, type into a box, click a button,
// pick an item, use the close box, double-click the notification area icon.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lab {
namespace gui {

// Waits until the condition holds (checked every 20 ms); false after the timeout.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A visible top-level window with exactly this caption (of the given process when one
// is given), or null.
HWND findWindow(const std::wstring& caption, DWORD processId = 0, HWND excluding = nullptr);
HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs = 10000, DWORD processId = 0, HWND excluding = nullptr);
// Any top-level window (visible or not) of a window class, or null.
HWND findWindowOfClass(const std::wstring& className, DWORD processId = 0);
bool waitForWindowGone(HWND window, DWORD timeoutMs = 10000);

// The window's text, asked with WM_GETTEXT.
std::wstring textOf(HWND window);
std::wstring className(HWND window);
DWORD processOf(HWND window);
// The static text of a message box (its message), "" for other windows.
std::wstring messageBoxText(HWND box);
// The visible child windows whose text is this (buttons by caption, for example).
HWND childWithText(HWND parent, const std::wstring& text);

// Types the characters one by one into the box.
void typeText(HWND box, const std::wstring& text);
// Selects everything in the box and deletes it.
void clearText(HWND box);
// Clicks a button; false (and nothing happens) when it is hidden or disabled.
bool click(HWND button);
bool click(HWND dialog, int controlId);
// The close box of a window.
void pressCloseBox(HWND window);
bool isChecked(HWND button);

std::vector<std::wstring> comboItems(HWND combo);
int comboSelection(HWND combo);
// Picks the item as a user does, so that the dialog hears of the change.
bool chooseComboItem(HWND combo, int index);

// The icons in the notification area (Wine's stand-alone system tray).
std::vector<HWND> trayIcons();
// Double-clicks an icon; the notification area tells the icon's owner.
void doubleClickTrayIcon(HWND icon);

// A program started for a test, its output written to a file. A program that has not
// ended is ended (by its process id) when the object goes.
class ProgramUnderTest {
public:
    explicit ProgramUnderTest(const std::wstring& commandLine);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    DWORD processId() const { return m_processId; }
    bool running() const;
    // The exit code, or nothing when it has not ended in time.
    std::optional<DWORD> waitForExit(DWORD timeoutMs = 10000);
    // Everything the program wrote to standard output and error so far.
    std::string output() const;
    // Waits until the output holds the text.
    bool waitForOutput(const std::string& text, DWORD timeoutMs = 10000) const;
    void terminate();

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    std::wstring m_outputPath;
};

}  // namespace gui
}  // namespace lab
