// The deferred call: n notifications with the context on consecutive ticks, then the
// timer stops; a count of zero or less, or a new call, stops or restarts it.
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
}  // namespace

TEST(frmNotifier, ACountOfNRaisesExactlyNNotificationsWithTheContext) {
    std::vector<Variant> contexts;
    frmNotifier notifier{[&](Variant& context) { contexts.push_back(context); }};
    // Runs the ticks until `count` notifications came (or 5 s went), and a while more.
    auto settle = [&](size_t count) {
        for (DWORD start = GetTickCount(); contexts.size() < count && GetTickCount() - start < 5000;) pumpFor(5);
        pumpFor(150);
    };
    Variant context(42L);
    notifier.issueCall(&context, 3);
    settle(3u);
    ASSERT_EQ(3u, contexts.size());
    EXPECT_EQ(42, contexts[2].lVal);
    EXPECT_FALSE(notifier.timerRunning());

    notifier.issueCall(nullptr, 1000);
    notifier.issueCall(nullptr, 2);
    settle(5u);
    EXPECT_EQ(5u, contexts.size()) << "a new call restarts the countdown";
    EXPECT_EQ(VT_EMPTY, contexts[4].vt);
    notifier.issueCall(nullptr, 1000);
    notifier.issueCall(nullptr, -5);
    EXPECT_FALSE(notifier.timerRunning());
    pumpFor(200);
    EXPECT_EQ(5u, contexts.size()) << "zero or less stops at once";
}
