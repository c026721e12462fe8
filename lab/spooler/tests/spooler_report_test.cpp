#include "spooler_report.h"

#include <gtest/gtest.h>

using lab::ReportLine;

TEST(SpoolerReport, LinesReadBackAsTheyWereWritten) {
    ReportLine line{"startdocport"};
    line.add("doc", 2)
        .add("printer", L"Site \u00e9 \"Nord\"")
        .add("path", "C:\\jobs\\a=b")
        .add("empty", "")
        .add("controls", std::string("tab\there\nnew\x01line\x7f"))
        .add("job", 4294967295ul)
        .add("plain", "ZOLT0");
    std::string text = line.format();
    EXPECT_EQ(
        0u, text.find("startdocport doc=2 printer=\"Site \xc3\xa9 \\\"Nord\\\"\" path=\"C:\\\\jobs\\\\a=b\" empty=\"\" "
                      "controls=\"tab\\there\\nnew\\x01line\\x7f\" job=4294967295 plain=ZOLT0"))
        << text;
    EXPECT_EQ(std::string::npos, text.find('\n'));

    ReportLine back;
    ASSERT_TRUE(ReportLine::parse(text, back));
    EXPECT_EQ(line.call, back.call);
    EXPECT_EQ(line.fields, back.fields);
    EXPECT_EQ(4294967295ll, back.number("job"));
    EXPECT_EQ("", back.field("absent"));
    EXPECT_FALSE(back.has("absent"));
    EXPECT_TRUE(back.has("empty"));
}

TEST(SpoolerReport, TextsOutsideTheFormAreRefused) {
    ReportLine line;
    EXPECT_TRUE(ReportLine::parse("document", line));
    EXPECT_TRUE(line.fields.empty());
    for (const char* bad :
         {"", " doc=1", "call doc", "call =1", "call doc=\"open", "call doc=1  x=2", "call a=\"b\\"}) {
        EXPECT_FALSE(ReportLine::parse(bad, line)) << bad;
    }
}
