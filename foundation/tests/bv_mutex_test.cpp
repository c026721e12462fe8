#include "bv_mutex.h"
#include "debug_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

// A lock held longer than the waiters' timeout: the first waiter to give up replaces the
// mutex and logs it, the second waits for the new one; both get the lock in turn.
// (Nesting and plain waiting are used by every component that locks.)
TEST(BVMutex, AWaiterTakesOverALockHeldTooLongAndASecondWaitsForTheNewMutex) {
    C_BVMutex mutex;
    DebugLogCapture log;
    std::atomic<int> entered{0};
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        C_BVMutexLock lock(mutex, 1000, "holder");
        SetEvent(held);
        WaitForSingleObject(release, 20000);
    });
    WaitForSingleObject(held, 20000);
    auto wait = [&](const char* label) {
        C_BVMutexLock lock(mutex, 1000, label);
        entered += lock.locked() && strcmp(mutex.owner(), label) == 0;
    };
    std::thread first(wait, "first"), second(wait, "second");
    first.join();
    second.join();
    SetEvent(release);
    holder.join();
    CloseHandle(held);
    CloseHandle(release);
    EXPECT_EQ(2, entered);
    int resets = 0;
    for (const std::string& line : log.lines()) resets += line.find("] reset handle from:holder  - with:") != line.npos;
    EXPECT_EQ(1, resets);

    size_t linesBefore = log.lines().size();  // the new mutex is free and taken without a wait
    std::thread([&] { C_BVMutexLock lock(mutex, 200, "later"); }).join();
    EXPECT_EQ(linesBefore, log.lines().size());
}
