// The notification icon in the real notification area (Wine's system tray under the
// lab's display): it appears, reports a double click and goes.
#include <gtest/gtest.h>

#include <algorithm>

#include "client_test_support.h"
#include "lab_gui.h"
#include "resource_ids.h"
#include "tray_handle.h"

TEST(TrayIcon, ItAppearsChangesReportsADoubleClickAndGoes) {
    std::vector<HWND> before = lab::gui::trayIcons();
    std::vector<BOOL> answers;
    auto shell = [&](DWORD action, NOTIFYICONDATAA* data) {
        answers.push_back(Shell_NotifyIconA(action, data));
        return answers.back();
    };
    bool doubleClicked = false;
    {
        frmTrayHandle tray(shell);
        tray.onDoubleClick = [&] { doubleClicked = true; };
        tray.setTrayIcon(IDI_KELO);
        tray.setToolTip(L"Print Driver");
        tray.showTray();
        HWND icon = nullptr;
        ASSERT_TRUE(pumpMessagesUntil([&] {
            for (HWND candidate : lab::gui::trayIcons())
                if (std::find(before.begin(), before.end(), candidate) == before.end()) icon = candidate;
            return icon != nullptr;
        })) << "the icon is shown";

        tray.setToolTip(L"Print Driver - busy");
        lab::gui::doubleClickTrayIcon(icon);
        EXPECT_TRUE(pumpMessagesUntil([&] { return doubleClicked; }));
        tray.hideTray();
        EXPECT_TRUE(pumpMessagesUntil([&] { return lab::gui::trayIcons().size() == before.size(); }));
    }
    ASSERT_EQ(3u, answers.size()) << "add, modify, delete; nothing more when the object goes";
    for (BOOL answer : answers) EXPECT_TRUE(answer);
}
