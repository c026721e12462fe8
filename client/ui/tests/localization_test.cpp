// The language decision, the language files and the lookups of C_localization, with
// language folders made here and the system locale chosen per test.
#include <gtest/gtest.h>

#include "error_msg.h"
#include "form_layout.h"
#include "localization_test_support.h"

namespace {

std::string utf16LittleEndian(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back((char)(c & 0xFF));
        bytes.push_back((char)(c >> 8));
    }
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

TEST(LanguageChoice, SystemDefaultTakesTheSystemLanguageThenOneOfTheSamePrimaryLanguage) {
    LanguageFolder folder;
    folder.writeTexts(3084, L"STR_GEN_PDTITLE=Pilote d'impression (Canada)");
    auto french = makeLocalization(folder, 0, 1036);
    french->loadLclzData();
    EXPECT_EQ(3084u, french->currLang()) << "only French (Canada) exists; France shares its primary language 12";
    EXPECT_EQ(L"Pilote d'impression (Canada)", french->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
    EXPECT_TRUE(french->isMetric()) << "France measures in metric units";

    folder.writeTexts(1036, L"STR_GEN_PDTITLE=Pilote d'impression");
    auto exact = makeLocalization(folder, 0, 1036);
    exact->loadLclzData();
    EXPECT_EQ(1036u, exact->currLang()) << "the system's own language comes first";

    auto american = makeLocalization(folder, 0, 1033);
    american->loadLclzData();
    EXPECT_EQ(0u, american->currLang()) << "no file of primary language 9: English";
    EXPECT_FALSE(american->isMetric());
    EXPECT_EQ(L"Print Driver", american->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
}

TEST(LanguageChoice, EnglishSettingIgnoresTheFilesButTheMetricFlagFollowsTheSystem) {
    LanguageFolder folder;
    folder.writeTexts(1036, L"STR_GEN_PDTITLE=Pilote d'impression");
    folder.writeLayout(1036, "FORM_LOGIN_TITLE=1|2|3|4\r\n");
    auto english = makeLocalization(folder, 1, 1036);
    english->loadLclzData();
    EXPECT_EQ(0u, english->currLang());
    EXPECT_TRUE(english->isMetric()) << "the system's French locale is metric";
    EXPECT_FALSE(english->isRTL());
    EXPECT_EQ(L"", english->text(L"STR_GEN_PDTITLE"));
    EXPECT_EQ(nullptr, english->layout(L"FORM_LOGIN_TITLE"));
    EXPECT_EQ(L"Print Driver", english->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));

    auto inTheStates = makeLocalization(folder, 1, 1033);
    inTheStates->loadLclzData();
    EXPECT_FALSE(inTheStates->isMetric());
}

TEST(LanguageChoice, ANamedLanguageIsUsedWithItsOwnMeasurement) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"STR_GEN_PDTITLE=Druckertreiber");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    EXPECT_EQ(1031u, german->currLang());
    EXPECT_TRUE(german->isMetric()) << "Germany's measurement, not the system's";
    EXPECT_EQ(L"Druckertreiber", german->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
}

TEST(LanguageChoice, ANamedLanguageWithoutItsFileFailsAndLeavesEnglish) {
    LanguageFolder folder;
    auto russian = makeLocalization(folder, 1049, 1033);
    EXPECT_NE("<no error>", errorOf(*russian));
    EXPECT_EQ(L"Print Driver", russian->stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
    russian->useEnglish();
    EXPECT_EQ(0u, russian->currLang());
}

TEST(LanguageChoice, AnUnreadableSettingCountsAsSystemDefault) {
    LanguageFolder folder;
    folder.writeTexts(1036, L"X=y");
    C_localization localization(
        folder.root(), []() -> long { throw cERROR_MSG(BV_ERR_GENERAL, "no registry"); },
        localeQueriesWithSystem(1036));
    localization.loadLclzData();
    EXPECT_EQ(1036u, localization.currLang());
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
    auto layouts = makeLocalization(folder, 1031, 1033);
    EXPECT_NE(std::string::npos, errorOf(*layouts).find("FORM_X"));
}

TEST(LanguageFiles, LinesAreSplitAtTheirFirstEqualsSign) {
    TextTable table = parseLanguageText("\xFF\xFE" + utf16LittleEndian(L"K=a=b\r\nno equals\nE="));
    ASSERT_EQ(2u, table.size());
    EXPECT_EQ(L"a=b", table[L"K"]);
    EXPECT_EQ(L"", table[L"E"]);

    TextTable bigEndian = parseLanguageText(std::string("\xFE\xFF\0K\0=\0z", 8));
    EXPECT_EQ(L"z", bigEndian[L"K"]);
    TextTable withoutMark = parseLanguageText(utf16LittleEndian(L"K=\u00e4"));
    EXPECT_EQ(L"\u00e4", withoutMark[L"K"]);

    LayoutTable layout = parseLayoutText("BTN_GEN_OK=10|20|30|40\r\nLIN_X=1|2\r\n# comment\r\n");
    ASSERT_EQ(2u, layout.size());
    EXPECT_EQ((std::vector<std::wstring>{L"10", L"20", L"30", L"40"}), layout[L"BTN_GEN_OK"]);
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"2"}), layout[L"LIN_X"]);
}

TEST(LanguageFiles, LayoutLinesWithFewerValuesLeaveTheRestAsItWas) {
    Box designed{100, 20, 30, 40};
    EXPECT_EQ((Box{150, 25, 30, 40}), withLayout(designed, layoutNumbers({L"150", L"25"})));
    EXPECT_EQ((Box{100, 20, 30, 40}), withLayout(designed, layoutNumbers({})));
    EXPECT_EQ((Box{100, 20, 35, 40}), withLayout(designed, layoutNumbers({L"", L"x", L"35"})))
        << "values that are not numbers change nothing";
    EXPECT_EQ((Box{1, 2, 3, 4}), withLayout(designed, layoutNumbers({L"1", L"2", L"3", L"4", L"5"})));
    // A line: x1, x2, y1, y2.
    EXPECT_EQ((Box{90, 0, 50, 10}), withLineLayout(Box{10, 0, 5, 10}, layoutNumbers({L"10", L"100", L"50", L"50"})));
    EXPECT_EQ((Box{20, 0, 5, 10}), withLineLayout(Box{10, 0, 5, 10}, layoutNumbers({L"", L"30"})));
}

TEST(LanguageFiles, AvailableLanguagesAreTheLanguageFilesWithAKnownLocale) {
    LanguageFolder folder;
    folder.writeTexts(1036, L"A=b");
    folder.writeTexts(L"LNG1031.LNG", L"A=b");
    folder.writeTexts(11274, L"A=b");  // Spanish (Argentina): five digits
    folder.writeTexts(L"lng1049.lng.old", L"A=b");
    folder.writeTexts(L"readme.lng", L"A=b");
    folder.writeLayout(1033, "A=1");
    folder.writeFile(L"notes.txt", "lng1040.lng");
    auto localization = makeLocalization(folder, 1, 1033);
    const LanguageList& languages = localization->availableLangs();
    ASSERT_EQ(3u, languages.size());
    EXPECT_EQ(1031u, languages[0].first) << "in file name order";
    EXPECT_EQ(1036u, languages[1].first);
    EXPECT_EQ(11274u, languages[2].first);
    wchar_t name[128] = {};
    GetLocaleInfoW(1036, LOCALE_SLANGUAGE, name, 128);
    EXPECT_EQ(std::wstring(name), languages[1].second);
    EXPECT_EQ(&languages, &localization->availableLangs()) << "scanned once";

    EXPECT_EQ(1036u, languageIdOfFileName(L"lng1036.lng"));
    EXPECT_EQ(0u, languageIdOfFileName(L"lng1036.dgn"));
    EXPECT_EQ(0u, languageIdOfFileName(L"abc1036.lng"));
    EXPECT_EQ(0u, languageIdOfFileName(L"lng.lng"));
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

    folder.writeTexts(1025, L"A=b");
    auto arabic = makeLocalization(folder, 1025, 1033);
    arabic->loadLclzData();
    EXPECT_TRUE(arabic->isRTL()) << "primary language 1";
}

TEST(LocaleQuestions, CodePagesLanguageIdsAndTheSystemLanguage) {
    LanguageFolder folder;
    auto american = makeLocalization(folder, 1, 1033);
    EXPECT_TRUE(american->validateCodePage(1031)) << "1252 both";
    EXPECT_TRUE(american->validateCodePage(1036));
    EXPECT_FALSE(american->validateCodePage(1049)) << "1251 against 1252";
    EXPECT_FALSE(american->validateCodePage(1041));
    auto russian = makeLocalization(folder, 1, 1049);
    EXPECT_TRUE(russian->validateCodePage(1049));
    EXPECT_FALSE(russian->validateCodePage(1033));

    EXPECT_EQ(9u, C_localization::primaryLangId(1033));
    EXPECT_EQ(12u, C_localization::primaryLangId(3084));
    EXPECT_EQ(L"1049", russian->systemDefaultLang(false));
    wchar_t name[128] = {};
    GetLocaleInfoW(1049, LOCALE_SLANGUAGE, name, 128);
    EXPECT_EQ(std::wstring(name), russian->systemDefaultLang(true));
    EXPECT_DOUBLE_EQ(25.4, C_localization::UStoMetric(1.0));
    EXPECT_DOUBLE_EQ(2.0, C_localization::MetricToUS(50.8));
}

TEST(LocaleQuestions, CharacterSetsAndTheLogo) {
    LanguageFolder folder;
    for (unsigned long id : {1041ul, 3076ul, 1042ul, 2052ul, 1031ul}) folder.writeTexts(id, L"A=b");
    const std::pair<long, BYTE> expected[] = {{1041, 128}, {3076, 136}, {1042, 129}, {2052, 134}, {1031, 0}, {1, 0}};
    for (const auto& entry : expected) {
        auto localization = makeLocalization(folder, entry.first, 1033);
        localization->loadLclzData();
        EXPECT_EQ(entry.second, localization->fontCharset()) << entry.first;
        EXPECT_EQ(L"", localization->logoPath());
    }
    lab::writeFileBytes(folder.root() + L"logo.gif", "GIF89a");
    auto withLogo = makeLocalization(folder, 1, 1033);
    withLogo->loadLclzData();
    EXPECT_EQ(folder.root() + L"logo.gif", withLogo->logoPath());
}
