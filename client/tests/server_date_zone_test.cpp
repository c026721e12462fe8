// The server dates in the time zone this program was started in (ctest runs it once per
// zone, with the Unix TZ of the process set, which Wine follows): the client finds the
// zone's offset and uses it when none is given. KELO_EXPECTED_UTC_OFFSET names the
// zone's offset in hours.
#include <gtest/gtest.h>

#include <cstdlib>

#include "server_date.h"

TEST(ServerDateInThisZone, TheClientUsesTheOffsetOfItsZone) {
    const char* expected = getenv("KELO_EXPECTED_UTC_OFFSET");
    ASSERT_NE(nullptr, expected) << "run by ctest with a zone";
    const int offset = atoi(expected);
    EXPECT_EQ(offset, utcOffsetHours());

    SYSTEMTIME march5 = {};
    march5.wYear = 2002;
    march5.wMonth = 3;
    march5.wDay = 5;
    march5.wHour = 9;
    march5.wMinute = 7;
    EXPECT_EQ(formatServerDate(march5, offset), formatServerDate(march5));
    SYSTEMTIME late = parseServerDate(L"2002-03-05T23:30+00:00"),
               asked = parseServerDate(L"2002-03-05T23:30+00:00", offset);
    EXPECT_EQ(asked.wDay, late.wDay);
    EXPECT_EQ(asked.wHour, late.wHour);
}
