#include "bv_mutex.h"
#include "debug_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {
// Another thread holds the lock under the label "holder" until release() or the end.
class Holder {
public:
    Holder(C_BVMutex& mutex, DWORD timeoutMs) : m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([&mutex, timeoutMs, held, this] {
            C_BVMutexLock lock(mutex, timeoutMs, "holder");
            SetEvent(held);
            WaitForSingleObject(m_release, 20000);
        });
        WaitForSingleObject(held, 20000);
        CloseHandle(held);
    }
    ~Holder() {
        release();
        CloseHandle(m_release);
    }
    void release() {
        SetEvent(m_release);
        if (m_thread.joinable()) m_thread.join();
    }

private:
    HANDLE m_release;
    std::thread m_thread;
};

int countLines(const DebugLogCapture& log, const std::string& text) {
    int count = 0;
    for (const std::string& line : log.lines()) count += line.find(text) != std::string::npos;
    return count;
}
}  // namespace

TEST(BVMutex, ScopedLocksNestAndGiveTheOwnerBack) {
    C_BVMutex mutex;
    DebugLogCapture log;
    {
        C_BVMutexLock outer(mutex, 200, "outer");
        EXPECT_TRUE(outer.locked());
        {
            C_BVMutexLock inner(mutex, 200, "inner");  // the same thread may enter again
            EXPECT_STREQ("inner", mutex.owner());
            EXPECT_STREQ("outer", mutex.previousOwner());
        }
        EXPECT_STREQ("outer", mutex.owner());
    }
    EXPECT_EQ(nullptr, mutex.owner());
    bool entered = false;  // released for real: another thread gets it at once
    std::thread([&] { entered = C_BVMutexLock(mutex, 200, "other").locked(); }).join();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(log.lines().empty());
}

TEST(BVMutex, EnterGivesUpAfterTheTimeoutAndAnUnlabelledLockNeverWaits) {
    C_BVMutex mutex;
    Holder holder(mutex, 200);
    DebugLogCapture log;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nullptr, mutex.enter("waiter", 200));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(1, countLines(log, "enterCritical: captured on:holder  - not allowing:waiter   handle:"));
    EXPECT_EQ(0u, log.lines()[0].find("*****C_BVMutex: [" + std::to_string(GetCurrentThreadId()) + "] "));
    EXPECT_EQ(nullptr, mutex.enter(nullptr, 10));
    EXPECT_EQ(1, countLines(log, "captured on:holder  - not allowing:no-code"));

    size_t linesBefore = log.lines().size();
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(C_BVMutexLock(mutex, 60000, nullptr).locked());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(linesBefore, log.lines().size());
    EXPECT_STREQ("holder", mutex.owner());
}

TEST(BVMutex, AWaiterTakesOverALockHeldTooLongAndASecondWaitsForTheNewMutex) {
    C_BVMutex mutex;
    DebugLogCapture log;
    std::atomic<int> entered{0};
    {
        Holder holder(mutex, 1000);
        auto wait = [&](const char* label) {
            C_BVMutexLock lock(mutex, 1000, label);
            entered += lock.locked() && strcmp(mutex.owner(), label) == 0;
        };
        std::thread first(wait, "first"), second(wait, "second");
        first.join();
        second.join();
    }
    EXPECT_EQ(2, entered);
    EXPECT_EQ(1, countLines(log, "] reset handle from:holder  - with:"));
    EXPECT_EQ(1, countLines(log, "] tring to reset handle "));
    EXPECT_EQ(1, countLines(log, "  when the handle is:"));
    EXPECT_EQ(1, countLines(log, "] (1) cannot release mutex captured by "));

    size_t linesBefore = log.lines().size();  // the new mutex is free and taken without a wait
    std::thread([&] { C_BVMutexLock lock(mutex, 200, "later"); }).join();
    EXPECT_EQ(linesBefore, log.lines().size());
}
