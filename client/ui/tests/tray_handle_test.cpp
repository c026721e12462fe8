// The notification icon's calls, seen through a recording stand-in for the
// notification area. (The icon in the real notification area, and its double click
// showing the main window, are seen with KeloClient.exe, in client_program_test.cpp.)
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
            return TRUE;
        });
        tray.setTrayIcon(IDI_KELO);
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
