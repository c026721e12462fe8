// The notification icon's calls, seen through a recording stand-in for the
// notification area, and the mouse actions the area reports. (The icon in the real
// notification area is seen with KeloClient.exe, in client_program_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource_ids.h"
#include "tray_handle.h"

TEST(TrayHandle, TheIconIsAddedModifiedWhileShownAndDeletedWithTheObject) {
    std::vector<std::pair<DWORD, std::string>> calls;  // action, tip
    {
        frmTrayHandle tray([&](DWORD action, NOTIFYICONDATAA* data) {
            calls.push_back({action, data->szTip});
            EXPECT_EQ(1u, data->uID);
            return TRUE;
        });
        tray.setTrayIcon(IDI_KELO);
        tray.setToolTip(L"old");
        tray.setToolTip(std::wstring(100, L'x'));
        EXPECT_TRUE(calls.empty()) << "nothing is shown yet";
        tray.showTray();
        tray.setToolTip(L"second");
        tray.hideTray();
        tray.setToolTip(L"hidden");
        tray.showTray();
    }
    const std::vector<std::pair<DWORD, std::string>> expected = {{NIM_ADD, std::string(63, 'x')},
                                                                 {NIM_MODIFY, "second"},
                                                                 {NIM_DELETE, "second"},
                                                                 {NIM_ADD, "hidden"},
                                                                 {NIM_DELETE, "hidden"}};
    EXPECT_EQ(expected, calls) << "the tip cut to the record; a hidden icon is not touched";
}

TEST(TrayHandle, MouseActionsBecomeEventsInTheirOrder) {
    frmTrayHandle tray([](DWORD, NOTIFYICONDATAA*) { return TRUE; });
    std::string events;
    tray.onLeftClick = [&] { events += "left "; };
    tray.onRightClick = [&] { events += "right "; };
    tray.onDoubleClick = [&] { events += "double "; };
    for (UINT mouse :
         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_MOUSEMOVE})
        SendMessageW(tray.hwnd(), WM_MOUSEMOVE, 1, mouse);
    EXPECT_EQ("right left double left ", events);
}
