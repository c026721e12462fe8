#include "platform.h"

#include <gtest/gtest.h>

TEST(Platform, EveryRowOfTheVersionTableAndTheInterfacesByCode) {
    const DWORD nt = VER_PLATFORM_WIN32_NT, win9x = VER_PLATFORM_WIN32_WINDOWS;
    struct Row {
        DWORD major, minor, platform;
        int code;
    } rows[] = {
        {3, 51, nt, 1}, {3, 50, nt, 0}, {4, 0, win9x, 2}, {4, 0, nt, 3}, {4, 10, win9x, 4}, {4, 90, win9x, 5},
        {4, 50, nt, 0}, {5, 0, nt, 6},  {5, 1, nt, 7},    {5, 3, nt, 8}, {6, 0, nt, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.code, classifyWindowsVersion(row.major, row.minor, row.platform))
            << row.major << "." << row.minor << " platform " << row.platform;
    for (int code : {1, 3, 6, 7, 8}) EXPECT_TRUE(usesWideApi(code) && !usesAnsiApi(code)) << code;
    for (int code : {2, 4, 5}) EXPECT_TRUE(usesAnsiApi(code) && !usesWideApi(code)) << code;
    // The lab reports Windows XP x64.
    EXPECT_EQ(kWindowsLater5, windowsVersionClass());
    EXPECT_TRUE(bvfsIsNT());
}
