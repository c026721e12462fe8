// The language decision, the language files and the lookups of C_localization, with
// language folders made here and the system locale chosen per case. (The code page
// check is seen in the settings dialog, the character set and the logo in a translated
// window.)
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
    folder.writeLayout(1031, "FORM_LOGIN_TITLE=1|2|3|4\r\n");
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
        EXPECT_EQ(c.language == 1031, localization->layout(L"FORM_LOGIN_TITLE") != nullptr);
    }

    auto russian = makeLocalization(folder, 1049, 1033);
    EXPECT_NE("<no error>", errorOf(*russian)) << "a named language without its file";
    EXPECT_EQ(L"Print Driver", russian->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
    C_localization unreadable(
        folder.root(), []() -> long { throw cERROR_MSG(BV_ERR_GENERAL, "no registry"); },
        localeQueriesWithSystem(3084));
    unreadable.loadLclzData();
    EXPECT_EQ(3084u, unreadable.currLang()) << "an unreadable setting counts as system default";
}

TEST(LanguageFiles, KeysComingTwiceStopTheLoad) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"A=eins\nB=zwei\nA=drei");
    auto texts = makeLocalization(folder, 1031, 1033);
    std::string error = errorOf(*texts);
    EXPECT_NE(std::string::npos, error.find("already associated")) << error;
    EXPECT_NE(std::string::npos, error.find(" A ")) << error;
    EXPECT_EQ(L"", texts->text(L"B")) << "nothing of the broken file is used";

    folder.writeTexts(1031, L"A=eins");
    folder.writeLayout(1031, "FORM_X=1|2\r\nFORM_X=3|4\r\n");
    EXPECT_NE(std::string::npos, errorOf(*makeLocalization(folder, 1031, 1033)).find("FORM_X"));
}

TEST(LanguageFiles, LinesAreSplitAtTheirFirstEqualsSignAndLayoutsChangeWhatTheyGive) {
    TextTable table = parseLanguageText("\xFF\xFE" + utf16LittleEndian(L"K=a=b\r\nno equals\nE="));
    EXPECT_EQ((TextTable{{L"K", L"a=b"}, {L"E", L""}}), table);
    EXPECT_EQ(L"z", parseLanguageText(std::string("\xFE\xFF\0K\0=\0z", 8))[L"K"]) << "big-endian";
    EXPECT_EQ(L"\u00e4", parseLanguageText(utf16LittleEndian(L"K=\u00e4"))[L"K"]) << "without a byte order mark";
    LayoutTable layout = parseLayoutText("BTN_GEN_OK=10|20|30|40\r\nLIN_X=1|2\r\n# comment\r\n");
    EXPECT_EQ((LayoutTable{{L"BTN_GEN_OK", {L"10", L"20", L"30", L"40"}}, {L"LIN_X", {L"1", L"2"}}}), layout);

    Box designed{100, 20, 30, 40};
    EXPECT_EQ((Box{150, 25, 30, 40}), withLayout(designed, layoutNumbers({L"150", L"25"})));
    EXPECT_EQ((Box{100, 20, 35, 40}), withLayout(designed, layoutNumbers({L"", L"x", L"35"})))
        << "values that are not numbers change nothing";
    EXPECT_EQ((Box{1, 2, 3, 4}), withLayout(designed, layoutNumbers({L"1", L"2", L"3", L"4", L"5"})));
    // A line: x1, x2, y1, y2.
    EXPECT_EQ((Box{90, 0, 50, 10}), withLineLayout(Box{10, 0, 5, 10}, layoutNumbers({L"10", L"100", L"50", L"50"})));
    EXPECT_EQ((Box{20, 0, 5, 10}), withLineLayout(Box{10, 0, 5, 10}, layoutNumbers({L"", L"30"})));
}

TEST(LanguageFiles, AvailableLanguagesAreTheLanguageFilesWithAKnownLocale) {
    LanguageFolder folder;
    for (const wchar_t* name : {L"lng1036.lng", L"LNG1031.LNG", L"lng11274.lng", L"lng1049.lng.old", L"readme.lng"})
        folder.writeTexts(name, L"A=b");
    folder.writeLayout(1033, "A=1");
    auto localization = makeLocalization(folder, 1, 1033);
    const LanguageList& languages = localization->availableLangs();
    ASSERT_EQ(3u, languages.size());
    EXPECT_EQ(1031u, languages[0].first) << "in file name order";
    EXPECT_EQ(1036u, languages[1].first);
    EXPECT_EQ(11274u, languages[2].first);
    wchar_t name[128] = {};
    GetLocaleInfoW(1036, LOCALE_SLANGUAGE, name, 128);
    EXPECT_EQ(std::wstring(name), languages[1].second);
}

TEST(Lookups, ParametersAreAppendedInOrderOrPutInFrontForRightToLeft) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"STR_MAIN_CODE=Kode");
    folder.writeTexts(1037, L"STR_MAIN_CODE=\u05e7\u05d5\u05d3");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    EXPECT_FALSE(german->isRTL());
    EXPECT_EQ(L"Kode : 42", german->stringLclz(L"STR_MAIN_CODE", L"Code", {L" : ", L"42"}));
    EXPECT_EQ(L"Missing!", german->stringLclz(L"STR_NONE", L"Missing", {L"!"}));
    auto hebrew = makeLocalization(folder, 1037, 1033);
    hebrew->loadLclzData();
    EXPECT_TRUE(hebrew->isRTL()) << "primary language 13";
    EXPECT_EQ(L"42 : \u05e7\u05d5\u05d3", hebrew->stringLclz(L"STR_MAIN_CODE", L"Code", {L" : ", L"42"}))
        << "each parameter goes in front in turn: the last one ends up first";
}
