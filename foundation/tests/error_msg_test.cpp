#include "debug_log.h"
#include "error_msg.h"

#include <gtest/gtest.h>

#include <string>

TEST(ErrorMsg, FormatsAndCutsToTheMessageSize) {
    cERROR_MSG error(BV_ERR_GENERAL, "Cannot find printer: %s", "ZOLT");
    EXPECT_EQ(1000u, error.code);
    EXPECT_STREQ("Cannot find printer: ZOLT", error.message);

    std::string longText(1000, 'x');
    cERROR_MSG cut(BV_ERR_GENERAL, "%s", longText.c_str());
    EXPECT_EQ(cERROR_MSG::kMessageSize - 1, (int)std::string(cut.message).size());

    EXPECT_STREQ("", cERROR_MSG().message);
}

TEST(DebugLog, CaptureSeesLinesWrittenWhileItLives) {
    DebugLogCapture capture;
    DebugLine() << "line " << 42;
    EXPECT_TRUE(capture.contains("line 42"));
    ASSERT_EQ(1u, capture.lines().size());
}
