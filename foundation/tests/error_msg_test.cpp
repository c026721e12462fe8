#include "error_msg.h"

#include <gtest/gtest.h>

#include <string>

TEST(ErrorMsg, FormatsAndCutsToTheMessageSize) {
    cERROR_MSG error(BV_ERR_GENERAL, "Cannot find printer: %s", "ZOLT");
    EXPECT_EQ(1000u, error.code);
    EXPECT_STREQ("Cannot find printer: ZOLT", error.message);
    EXPECT_EQ(cERROR_MSG::kMessageSize - 1,
              (int)std::string(cERROR_MSG(BV_ERR_GENERAL, "%s", std::string(1000, 'x').c_str()).message).size());
    EXPECT_STREQ("", cERROR_MSG().message);
}
