// The language decision and the language files of C_localization, with language
// folders made here and the system locale chosen per case. (The code page check and the
// list of available languages are seen in the settings dialog, the character set in a
// translated window.)
#include <gtest/gtest.h>

#include "error_msg.h"
#include "form_layout.h"
#include "localization_test_support.h"

namespace {

std::string utf16LittleEndian(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) bytes += {(char)(c & 0xFF), (char)(c >> 8)};
    return bytes;
}

std::string errorOf(C_localization& localization) {
    try {
        localization.loadLclzData();
    } catch (const cERROR_MSG& error) {
        return error.message;
    }
    return "<no error>";
}

}  // namespace

TEST(LanguageChoice, TheSettingTheSystemLanguageAndTheFilesDecide) {
    LanguageFolder folder;
    folder.writeTexts(3084, L"STR_GEN_PDTITLE=Pilote (Canada)");
    folder.writeTexts(1031, L"STR_GEN_PDTITLE=Druckertreiber");
    folder.writeTexts(2055, L"STR_GEN_PDTITLE=Druckertreiber (Schweiz)");
    struct Case {
        long setting;  // 0: system default, 1: English, else a language
        LCID system;
        unsigned long language;
        bool metric;
        const wchar_t* title;
    };
    for (const Case& c : {Case{0, 1036, 3084, true, L"Pilote (Canada)"},           // France shares primary language 12
                          Case{0, 2055, 2055, true, L"Druckertreiber (Schweiz)"},  // the system's own before 1031
                          Case{0, 1033, 0, false, L"Print Driver"},                // no file of primary language 9
                          Case{1, 1031, 0, true, L"Print Driver"},  // English; the metric flag follows the system
                          Case{1031, 1033, 1031, true, L"Druckertreiber"}}) {  // with the language's own measurement
        SCOPED_TRACE(::testing::Message() << c.setting << " on " << c.system);
        auto localization = makeLocalization(folder, c.setting, c.system);
        localization->loadLclzData();
        EXPECT_EQ(c.language, localization->currLang());
        EXPECT_EQ(c.metric, localization->isMetric());
        EXPECT_EQ(c.title, localization->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
    }

    auto russian = makeLocalization(folder, 1049, 1033);
    EXPECT_NE("<no error>", errorOf(*russian)) << "a named language without its file";
}

TEST(LanguageFiles, LinesAreSplitAtTheirFirstEqualsSignAndALineLayoutGivesItsEnds) {
    TextTable table = parseLanguageText("\xFF\xFE" + utf16LittleEndian(L"K=a=b\r\nno equals\nE="));
    EXPECT_EQ((TextTable{{L"K", L"a=b"}, {L"E", L""}}), table);
    EXPECT_EQ(L"z", parseLanguageText(std::string("\xFE\xFF\0K\0=\0z", 8))[L"K"]) << "big-endian";
    LayoutTable layout = parseLayoutText("BTN_GEN_OK=10|20|30|40\r\nLIN_X=1|2\r\n# comment\r\n");
    EXPECT_EQ((LayoutTable{{L"BTN_GEN_OK", {L"10", L"20", L"30", L"40"}}, {L"LIN_X", {L"1", L"2"}}}), layout);
    // A line: x1, x2, y1, y2.
    EXPECT_EQ((Box{90, 0, 50, 10}), withLineLayout(Box{10, 0, 5, 10}, layoutNumbers({L"10", L"100", L"50", L"50"})));
}
