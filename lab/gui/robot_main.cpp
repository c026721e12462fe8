// lab-robot.exe: the user robot for scripts (the screenshots).
//   lab-robot wait <caption> [timeout ms]       waits for the window, prints "x y width height"
//   lab-robot click <caption> <button text>     clicks a button of the window
//   lab-robot close <caption>                   presses the window's close box
//   lab-robot tray-double-click                 double-clicks the first notification area icon
//   lab-robot tray-notify <window class> <callback message> <mouse message>
//                                               what the notification area tells an icon's
//                                               owner (for a desktop whose icons have no windows)
// Exit code 0 when it worked, 1 when the window or control was not found.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lab_gui.h"
#include "lab_text.h"

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    if (args.empty()) {
        fprintf(stderr, "usage: lab-robot wait|click|close|tray-double-click ...\n");
        return 2;
    }
    const std::wstring& command = args[0];
    if (command == L"tray-double-click") {
        std::vector<HWND> icons;
        lab::gui::waitUntil([&] { return !(icons = lab::gui::trayIcons()).empty(); });
        if (icons.empty()) return 1;
        lab::gui::doubleClickTrayIcon(icons.front());
        return 0;
    }
    if (command == L"tray-notify" && args.size() > 3) {
        HWND owner = lab::gui::findWindowOfClass(args[1]);
        if (!owner) return 1;
        return PostMessageW(owner, (UINT)std::stoul(args[2]), 1, (LPARAM)std::stoul(args[3])) ? 0 : 1;
    }
    if (args.size() < 2) return 2;
    DWORD timeout = args.size() > 2 && command == L"wait" ? (DWORD)std::stoul(args[2]) : 10000;
    HWND window = lab::gui::waitForWindow(args[1], timeout);
    if (!window) {
        fprintf(stderr, "no window \"%s\"\n", lab::toUtf8(args[1]).c_str());
        return 1;
    }
    if (command == L"wait") {
        RECT rect;
        GetWindowRect(window, &rect);
        printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (command == L"click" && args.size() > 2) {
        HWND button = lab::gui::childWithText(window, args[2]);
        return lab::gui::click(button) ? 0 : 1;
    }
    if (command == L"close") {
        lab::gui::pressCloseBox(window);
        return 0;
    }
    return 2;
}
