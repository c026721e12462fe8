// The name a new port of the monitor gets.
#include <gtest/gtest.h>

#include "monitor_setup.h"

namespace {

TEST(PortName, CountsTheExistingPorts) {
    EXPECT_EQ(nextPortName({}), L"ZOLT0");
    EXPECT_EQ(nextPortName({L"ZOLT0"}), L"ZOLT1");
    EXPECT_EQ(nextPortName({L"ZOLT0", L"ZOLT1"}), L"ZOLT2");
}

TEST(PortName, NeverHandsOutAPortThatExists) {
    // ZOLT1 was removed: counting alone would give ZOLT2 a second time.
    EXPECT_EQ(nextPortName({L"ZOLT0", L"ZOLT2"}), L"ZOLT3");
    EXPECT_EQ(nextPortName({L"zolt1"}), L"ZOLT2");
    EXPECT_EQ(nextPortName({L"Other", L"ZOLT2", L"ZOLT3"}), L"ZOLT4");
}

}  // namespace
