// Server dates with the offset given: the text the client sends, and the local time it
// makes of the server's texts.
#include <gtest/gtest.h>
#include <comdef.h>

#include "server_date.h"

namespace {
std::string text(const SYSTEMTIME& time) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute, time.wSecond);
    return buffer;
}
}  // namespace

TEST(ServerDate, TheOffsetIsWrittenWithSignAndTwoDigitsAndZeroAsMinusAndComesBack) {
    const SYSTEMTIME march5 = {2002, 3, 2, 5, 9, 7, 45};
    EXPECT_EQ(L"2002-03-05T09:07+02:00", formatServerDate(march5, 2));
    EXPECT_EQ(L"2002-03-05T09:07-05:00", formatServerDate(march5, -5));
    EXPECT_EQ(L"2002-03-05T09:07-00:00", formatServerDate(march5, 0));
    for (int offset : {-12, -5, 0, 2, 14})
        EXPECT_EQ("2002-03-05 09:07:00", text(parseServerDate(formatServerDate(march5, offset), offset))) << offset;
}

TEST(ServerDate, ServerTimesBecomeLocalTimeAcrossMidnight) {
    EXPECT_EQ("2002-03-06 01:30:00", text(parseServerDate(L"2002-03-05T23:30+00:00", 2)));
    EXPECT_EQ("2002-03-01 08:00:00", text(parseServerDate(L"2002-02-28T23:00-09:00", 0))) << "into the next month";
    EXPECT_EQ("2002-03-05 03:37:00", text(parseServerDate(L"2002-03-05T09:07+05:30", 0))) << "minutes of the offset";
    for (const wchar_t* bad : {L"", L"yesterday", L"2002-02-30T09:07+00:00", L"2002-03-05 09:07",
                               L"2002-03-05T09:07*02:00", L"2002-03-05T09:07+02:00 and more"}) {
        try {
            parseServerDate(bad, 0);
            ADD_FAILURE() << "no error for " << std::wstring(bad).size() << " characters";
        } catch (const _com_error& error) {
            EXPECT_EQ(DISP_E_TYPEMISMATCH, error.Error());
        }
    }
}
