#include "bv_mutex.h"
#include "debug_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {
// A manual-reset event for ordering the threads of a test.
class Signal {
public:
    Signal() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Signal() { CloseHandle(m_event); }
    void set() { SetEvent(m_event); }
    bool wait(DWORD ms = 20000) { return WaitForSingleObject(m_event, ms) == WAIT_OBJECT_0; }

private:
    HANDLE m_event;
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
    EXPECT_EQ(nullptr, mutex.owner());
    {
        C_BVMutexLock outer(mutex, 200, "outer");
        EXPECT_TRUE(outer.locked());
        EXPECT_STREQ("outer", mutex.owner());
        {
            C_BVMutexLock inner(mutex, 200, "inner");  // the same thread may enter again
            EXPECT_STREQ("inner", mutex.owner());
            EXPECT_STREQ("outer", mutex.previousOwner());
        }
        EXPECT_STREQ("outer", mutex.owner());
    }
    EXPECT_EQ(nullptr, mutex.owner());
    EXPECT_TRUE(log.lines().empty());

    // Released for real: another thread gets it at once.
    bool entered = false;
    std::thread([&] {
        C_BVMutexLock other(mutex, 200, "other");
        entered = other.locked();
    }).join();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(log.lines().empty());
}

TEST(BVMutex, EnterGivesUpAfterTheTimeoutAndLogsBothLabels) {
    C_BVMutex mutex;
    Signal held, done;
    std::thread holder([&] {
        C_BVMutexLock lock(mutex, 200, "holder");
        held.set();
        done.wait();
    });
    ASSERT_TRUE(held.wait());
    DebugLogCapture log;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nullptr, mutex.enter("waiter", 200));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_LT(waited, std::chrono::seconds(20));
    EXPECT_EQ(1, countLines(log, "enterCritical: captured on:holder  - not allowing:waiter   handle:"));
    EXPECT_EQ(0u, log.lines()[0].find("*****C_BVMutex: [" + std::to_string(GetCurrentThreadId()) + "] "));

    EXPECT_EQ(nullptr, mutex.enter(nullptr, 10));
    EXPECT_EQ(1, countLines(log, "captured on:holder  - not allowing:no-code"));
    EXPECT_STREQ("holder", mutex.owner());
    done.set();
    holder.join();
}

TEST(BVMutex, AWaiterTakesOverALockHeldTooLong) {
    C_BVMutex mutex;
    DebugLogCapture log;
    Signal held, taken, waiterDone;
    std::thread holder([&] {
        C_BVMutexLock lock(mutex, 200, "holder");
        held.set();
        waiterDone.wait();
    });
    ASSERT_TRUE(held.wait());
    std::thread waiter([&] {
        {
            C_BVMutexLock lock(mutex, 200, "waiter");
            EXPECT_TRUE(lock.locked());
            EXPECT_STREQ("waiter", mutex.owner());
            taken.set();
        }
        waiterDone.set();
    });
    EXPECT_TRUE(taken.wait());
    waiter.join();
    holder.join();

    EXPECT_EQ(1, countLines(log, "enterCritical: captured on:holder  - not allowing:waiter"));
    EXPECT_EQ(1, countLines(log, "] reset handle from:holder  - with:waiter"));
    EXPECT_EQ(1, countLines(log, "] (1) cannot release mutex captured by "));
    EXPECT_EQ(0, countLines(log, "] cannot release mutex"));

    // The new mutex works as before: free, and taken without a wait.
    size_t linesBefore = log.lines().size();
    std::thread([&] { C_BVMutexLock lock(mutex, 200, "later"); }).join();
    EXPECT_EQ(linesBefore, log.lines().size());
}

TEST(BVMutex, OfTwoWaitersOneResetsAndTheOtherWaitsForTheNewMutex) {
    C_BVMutex mutex;
    DebugLogCapture log;
    Signal held, release;
    std::thread holder([&] {
        C_BVMutexLock lock(mutex, 1000, "holder");
        held.set();
        release.wait();
    });
    ASSERT_TRUE(held.wait());
    int entered = 0;
    std::mutex count;
    auto wait = [&](const char* label) {
        C_BVMutexLock lock(mutex, 1000, label);
        std::lock_guard<std::mutex> guard(count);
        entered += lock.locked();
    };
    std::thread first(wait, "first");
    std::thread second(wait, "second");
    first.join();
    second.join();
    release.set();
    holder.join();

    EXPECT_EQ(2, entered);
    EXPECT_EQ(1, countLines(log, "] reset handle from:holder  - with:"));
    EXPECT_EQ(1, countLines(log, "] tring to reset handle "));
    EXPECT_EQ(1, countLines(log, "  when the handle is:"));
    EXPECT_EQ(1, countLines(log, "] (1) cannot release mutex captured by "));
}

TEST(BVMutex, AScopedLockWithoutLabelNeverWaits) {
    C_BVMutex mutex;
    Signal held, done;
    std::thread holder([&] {
        C_BVMutexLock lock(mutex, 200, "holder");
        held.set();
        done.wait();
    });
    ASSERT_TRUE(held.wait());
    DebugLogCapture log;
    auto start = std::chrono::steady_clock::now();
    {
        C_BVMutexLock unlabelled(mutex, 60000, nullptr);
        EXPECT_FALSE(unlabelled.locked());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_STREQ("holder", mutex.owner());
    done.set();
    holder.join();
}
