// The server dates in the time zone this program was started in (ctest runs it with
// the Unix TZ of a zone west of UTC, which Wine follows): without an offset given, the
// client uses its zone's. KELO_EXPECTED_UTC_OFFSET names the zone's offset in hours.
#include <gtest/gtest.h>

#include <cstdlib>

#include "server_date.h"

TEST(ServerDateInThisZone, TheClientUsesTheOffsetOfItsZone) {
    const char* expected = getenv("KELO_EXPECTED_UTC_OFFSET");
    ASSERT_NE(nullptr, expected) << "run by ctest with a zone";
    const int offset = atoi(expected);
    EXPECT_EQ(offset, utcOffsetHours());
    const SYSTEMTIME march5 = {2002, 3, 2, 5, 9, 7};
    EXPECT_EQ(formatServerDate(march5, offset), formatServerDate(march5));
    EXPECT_EQ(parseServerDate(L"2002-03-05T01:30+00:00", offset).wDay, parseServerDate(L"2002-03-05T01:30+00:00").wDay);
}
