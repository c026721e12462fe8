// The notification icon's record and calls, seen through a recording stand-in for the
// notification area, and the mouse actions the area reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource_ids.h"
#include "tray_handle.h"

namespace {

struct Call {
    DWORD action;
    NOTIFYICONDATAA data;
};

class TrayHandleTest : public ::testing::Test {
protected:
    std::vector<Call> calls;
    frmTrayHandle::ShellNotify recorder() {
        return [this](DWORD action, NOTIFYICONDATAA* data) {
            calls.push_back({action, *data});
            return TRUE;
        };
    }
};

}  // namespace

TEST_F(TrayHandleTest, ShowingAddsTheIconWithItsRecordAndLatestTip) {
    frmTrayHandle tray(recorder());
    tray.setTrayIcon(IDI_KELO);
    tray.setToolTip(L"old");
    tray.setToolTip(L"Print Driver");
    EXPECT_TRUE(calls.empty()) << "nothing is shown yet";
    tray.showTray();
    ASSERT_EQ(1u, calls.size());
    const NOTIFYICONDATAA& data = calls[0].data;
    EXPECT_EQ((DWORD)NIM_ADD, calls[0].action);
    EXPECT_EQ((DWORD)NOTIFYICONDATAA_V1_SIZE, data.cbSize);
    EXPECT_EQ(tray.hwnd(), data.hWnd);
    EXPECT_EQ(1u, data.uID);
    EXPECT_EQ((UINT)(NIF_MESSAGE | NIF_ICON | NIF_TIP), data.uFlags);
    EXPECT_EQ((UINT)WM_MOUSEMOVE, data.uCallbackMessage);
    EXPECT_NE(nullptr, data.hIcon);
    EXPECT_STREQ("Print Driver", data.szTip);
    EXPECT_TRUE(tray.shown());
}

TEST_F(TrayHandleTest, ChangesWhileShownModifyTheIcon) {
    frmTrayHandle tray(recorder());
    tray.setToolTip(L"first");
    tray.showTray();
    tray.setToolTip(L"second");
    tray.setTrayIcon(IDI_KELO);
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ((DWORD)NIM_MODIFY, calls[1].action);
    EXPECT_STREQ("second", calls[1].data.szTip);
    EXPECT_EQ((DWORD)NIM_MODIFY, calls[2].action);
    EXPECT_NE(nullptr, calls[2].data.hIcon);

    tray.hideTray();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ((DWORD)NIM_DELETE, calls[3].action);
    EXPECT_EQ(1u, calls[3].data.uID);
    tray.setToolTip(L"third");
    EXPECT_EQ(4u, calls.size()) << "a hidden icon is not touched";
}

TEST_F(TrayHandleTest, LongTipsAreCutToTheRecordAndAShownIconGoesWithTheObject) {
    {
        frmTrayHandle tray(recorder());
        tray.setToolTip(std::wstring(100, L'x'));
        tray.showTray();
        EXPECT_EQ(63u, strlen(calls[0].data.szTip));
    }
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ((DWORD)NIM_DELETE, calls[1].action);
}

TEST_F(TrayHandleTest, MouseActionsBecomeEventsInTheirOrder) {
    frmTrayHandle tray(recorder());
    std::vector<std::string> events;
    tray.onLeftClick = [&] { events.push_back("left"); };
    tray.onRightClick = [&] { events.push_back("right"); };
    tray.onDoubleClick = [&] { events.push_back("double"); };
    auto notify = [&](UINT mouseMessage) { SendMessageW(tray.hwnd(), 512, 1, mouseMessage); };

    notify(WM_RBUTTONDOWN);
    notify(WM_RBUTTONUP);
    EXPECT_EQ(std::vector<std::string>{"right"}, events) << "a right click raises only trayRightClick";
    events.clear();
    notify(WM_LBUTTONDOWN);
    notify(WM_LBUTTONUP);
    notify(WM_LBUTTONDBLCLK);
    notify(WM_LBUTTONUP);
    notify(WM_MOUSEMOVE);
    EXPECT_EQ((std::vector<std::string>{"left", "double", "left"}), events);
}
