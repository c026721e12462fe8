// The single-instance rule: the marker, and bringing the running client's window back.
#include <gtest/gtest.h>

#include "single_instance.h"

TEST(SingleInstance, TheSecondMarkerSeesTheFirst) {
    InstanceMarker first;
    EXPECT_FALSE(first.previousInstance());
    {
        InstanceMarker second;
        EXPECT_TRUE(second.previousInstance());
    }
}

TEST(SingleInstance, AMinimisedMainWindowIsRestoredAndBroughtForward) {
    EXPECT_FALSE(ActivatePrevInstance()) << "no client window: this instance starts normally";

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kMainWindowClass;
    ASSERT_TRUE(RegisterClassExW(&windowClass));
    HWND window = CreateWindowExW(0, kMainWindowClass, L"Print Driver", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));

    EXPECT_TRUE(ActivatePrevInstance());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(window, GetForegroundWindow());
    DestroyWindow(window);
    UnregisterClassW(kMainWindowClass, GetModuleHandleW(nullptr));
}
