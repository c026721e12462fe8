// The single-instance marker. (Bringing the running client's window back is seen with
// KeloClient.exe itself, in client_program_test.cpp.)
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
