// The single-instance rule: the marker, and bringing the running client's window back.
#include <gtest/gtest.h>

#include <thread>

#include "single_instance.h"

TEST(SingleInstance, TheSecondMarkerWaitsForTheFirstAndTakesItsPlaceWhenItEnds) {
    KernelHandle firstMarked(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        firstMayEnd(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread first([&] {
        InstanceMarker marker;
        EXPECT_FALSE(marker.previousInstance());
        SetEvent(firstMarked.get());
        WaitForSingleObject(firstMayEnd.get(), INFINITE);
    });
    WaitForSingleObject(firstMarked.get(), INFINITE);
    InstanceMarker second;
    EXPECT_TRUE(second.previousInstance());
    EXPECT_FALSE(second.waitForTurn(300)) << "the first client runs (still without a window)";
    SetEvent(firstMayEnd.get());
    first.join();
    EXPECT_TRUE(second.waitForTurn(60000)) << "the first client ended: this one starts";
    EXPECT_FALSE(second.previousInstance());
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
