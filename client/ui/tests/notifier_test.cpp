// The deferred call: n notifications on consecutive ticks, then the timer stops.
#include <gtest/gtest.h>

#include <vector>

#include "notifier.h"

namespace {

// Lets this thread's messages run for a while.
void pumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        pumpFor(5);
    }
    return true;
}

struct Recorder {
    std::vector<Variant> contexts;
    frmNotifier notifier{[this](Variant& ctx) { contexts.push_back(ctx); }};
};

}  // namespace

TEST(frmNotifier, ACountOfNRaisesExactlyNNotifications) {
    for (short count : {1, 3}) {
        Recorder recorder;
        recorder.notifier.issueCall(nullptr, count);
        EXPECT_TRUE(recorder.contexts.empty()) << "nothing happens inside the call";
        ASSERT_TRUE(pumpUntil([&] { return recorder.contexts.size() >= (size_t)count; }));
        EXPECT_FALSE(recorder.notifier.timerRunning());
        pumpFor(200);
        EXPECT_EQ((size_t)count, recorder.contexts.size()) << "and no more afterwards";
    }
}

TEST(frmNotifier, TheContextIsPassedAlongOrEmpty) {
    Recorder recorder;
    Variant context(42L);
    recorder.notifier.issueCall(&context, 2);
    ASSERT_TRUE(pumpUntil([&] { return recorder.contexts.size() == 2; }));
    EXPECT_EQ(VT_I4, recorder.contexts[0].vt);
    EXPECT_EQ(42, recorder.contexts[1].lVal);

    recorder.notifier.issueCall();
    ASSERT_TRUE(pumpUntil([&] { return recorder.contexts.size() == 3; }));
    EXPECT_EQ(VT_EMPTY, recorder.contexts[2].vt);
}

TEST(frmNotifier, ACountOfZeroOrLessStopsAtOnce) {
    Recorder recorder;
    recorder.notifier.issueCall(nullptr, 0);
    EXPECT_FALSE(recorder.notifier.timerRunning());
    recorder.notifier.issueCall(nullptr, -5);
    EXPECT_FALSE(recorder.notifier.timerRunning());
    pumpFor(100);
    EXPECT_TRUE(recorder.contexts.empty());

    recorder.notifier.issueCall(nullptr, 1000);
    ASSERT_TRUE(pumpUntil([&] { return !recorder.contexts.empty(); }));
    recorder.notifier.issueCall(nullptr, 0);
    size_t seen = recorder.contexts.size();
    pumpFor(150);
    EXPECT_EQ(seen, recorder.contexts.size()) << "a running countdown stops too";
}

TEST(frmNotifier, ANewCallRestartsTheCountdown) {
    Recorder recorder;
    recorder.notifier.issueCall(nullptr, 2);
    recorder.notifier.issueCall(nullptr, 1);
    ASSERT_TRUE(pumpUntil([&] { return !recorder.contexts.empty(); }));
    pumpFor(150);
    EXPECT_EQ(1u, recorder.contexts.size());
}
