#include "cstring.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

TEST(CString, ACopyChangesAloneAndConversions) {
    cSTRING original("printer"), copy = original;
    copy += " port";
    EXPECT_STREQ("printer", original.c_str());
    EXPECT_STREQ("printer port", copy.c_str());
    EXPECT_STREQ("pRinteR", original.replace('r', 'R').c_str());
    EXPECT_STREQ("printer", original.c_str());

    EXPECT_STREQ("", cSTRING((const char*)nullptr).c_str());
    EXPECT_STREQ("abc", cSTRING("abcdef", 3).c_str());
    EXPECT_STREQ("Wide text", cSTRING(L"Wide text").c_str());
    EXPECT_EQ(L"Wide text", cSTRING("Wide text").wide());
    EXPECT_EQ("cSTRING: index 4 out of range", errorMessageOf([] { cSTRING("abcd")[4]; }));
    EXPECT_TRUE(cSTRING("ab") + "c" == cSTRING("abc"));
}

TEST(CString, FindSplitNumbersAndFormat) {
    cSTRING text("a.b.c");
    EXPECT_EQ(1, text.find('.'));
    EXPECT_EQ(3, text.find('.', 2));
    EXPECT_EQ(-1, text.find('.', 4));

    auto parts = [](const char* text, const char* separator) {
        std::string joined;
        for (const cSTRING& part : cSTRING(text).split(separator)) joined += "[" + part.str() + "]";
        return joined;
    };
    EXPECT_EQ("[a][b][][c]", parts("a,b,,c", ","));
    EXPECT_EQ("[one][two][]", parts("one::two::", "::"));
    EXPECT_EQ("[]", parts("", ","));
    EXPECT_EQ("[a,b]", parts("a,b", ""));

    EXPECT_EQ(42, cSTRING(" 42 ").toInt(-1));
    EXPECT_EQ(-7, cSTRING("-7 pages").toInt(0));
    EXPECT_FLOAT_EQ(595.0f, cSTRING(" 595 842").toReal(0));
    EXPECT_FLOAT_EQ(8.5f, cSTRING("wide").toReal(8.5f));

    // Formatting holds the whole text however long.
    EXPECT_STREQ("job 7 of printer ZOLT", cSTRING::format("job %d of %s", 7, "printer ZOLT").c_str());
    std::string longText(25000, 'x');
    EXPECT_EQ("<" + longText + "|12345>", cSTRING::format("<%s|%d>", longText.c_str(), 12345).str());
}
