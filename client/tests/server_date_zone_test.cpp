// The server dates in the time zone this program was started in (ctest runs it once per
// zone, with the Unix TZ of the process set, which Wine follows): the offset the client
// finds, the text it sends for 5 March 2002 09:07, and server times across midnight.
// KELO_EXPECTED_UTC_OFFSET names the zone's offset in hours.
#include <gtest/gtest.h>

#include <cstdlib>

#include "server_date.h"

namespace {

int expectedOffset() {
    const char* text = getenv("KELO_EXPECTED_UTC_OFFSET");
    return text ? atoi(text) : 0;
}

std::wstring expectedOffsetText(int hours) {
    if (hours == 0) return L"-00:00";
    wchar_t text[8];
    swprintf(text, 8, L"%c%02d:00", hours > 0 ? L'+' : L'-', hours > 0 ? hours : -hours);
    return text;
}

}  // namespace

TEST(ServerDateInThisZone, TheZoneIsTheOneAskedFor) {
    ASSERT_NE(nullptr, getenv("KELO_EXPECTED_UTC_OFFSET")) << "run by ctest with a zone";
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    EXPECT_EQ(-expectedOffset() * 60, zone.Bias) << "the process runs in the zone";
    EXPECT_EQ(expectedOffset(), utcOffsetHours());
}

TEST(ServerDateInThisZone, TheClientSendsItsLocalTimeWithItsOffset) {
    SYSTEMTIME march5 = {};
    march5.wYear = 2002;
    march5.wMonth = 3;
    march5.wDay = 5;
    march5.wHour = 9;
    march5.wMinute = 7;
    EXPECT_EQ(L"2002-03-05T09:07" + expectedOffsetText(expectedOffset()), formatServerDate(march5));
}

TEST(ServerDateInThisZone, ServerTimesAreTurnedIntoThisZonesTime) {
    // 23:30 UTC on 5 March is 6 March east of +1, still 5 March at 0 and to the west.
    SYSTEMTIME late = parseServerDate(L"2002-03-05T23:30+00:00");
    int hour = 23 + expectedOffset();
    int day = 5 + (hour > 23 ? 1 : hour < 0 ? -1 : 0);
    EXPECT_EQ(day, late.wDay);
    EXPECT_EQ((hour + 24) % 24, late.wHour);
    EXPECT_EQ(30, late.wMinute);
    // 01:30 UTC on 5 March is 4 March west of -1.
    SYSTEMTIME early = parseServerDate(L"2002-03-05T01:30+00:00");
    hour = 1 + expectedOffset();
    EXPECT_EQ(5 + (hour < 0 ? -1 : hour > 23 ? 1 : 0), early.wDay);
    EXPECT_EQ((hour + 24) % 24, early.wHour);
    // What this zone sends comes back as it was.
    SYSTEMTIME back = parseServerDate(L"2002-03-05T09:07" + expectedOffsetText(expectedOffset()));
    EXPECT_EQ(5, back.wDay);
    EXPECT_EQ(9, back.wHour);
    EXPECT_EQ(7, back.wMinute);
}
