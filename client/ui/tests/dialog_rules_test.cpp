// What the dialogs decide, without their windows: OK enabling, the answers' layout, the
// settings error and the language entries. (The choice's result, the printer label and
// the code page refusal are seen in the windows, in dialogs_gui_test.cpp.)
#include <gtest/gtest.h>

#include "choice_layout.h"
#include "localization_test_support.h"
#include "login_dialog.h"
#include "settings_texts.h"

TEST(LoginRules, OkNeedsAUserNameAndAPassword) {
    EXPECT_FALSE(loginOkEnabled(L"", L""));
    EXPECT_FALSE(loginOkEnabled(L"anna", L""));
    EXPECT_FALSE(loginOkEnabled(L"", L"secret"));
    EXPECT_TRUE(loginOkEnabled(L"a", L"s"));
    EXPECT_TRUE(loginOkEnabled(L" ", L" ")) << "blanks are characters";
}

TEST(ChoiceRules, AnswersStackBelowTheMessageAndTheButtonsMoveDown) {
    RECT message = {10, 40, 210, 76};  // 36 high: answers 18 high, 18 apart
    ChoiceLayout layout(message, 94, 112);
    EXPECT_EQ(18, layout.optionHeight());
    EXPECT_EQ(18, layout.gap());

    RECT first = layout.addOption(220);
    EXPECT_EQ(94, first.top) << "message bottom + gap";
    EXPECT_EQ(112, first.bottom);
    EXPECT_EQ(150, first.right - first.left) << "three quarters of the message width";
    EXPECT_EQ(35, first.left) << "centred";
    EXPECT_EQ(130, layout.okTop());
    EXPECT_EQ(148, layout.clientHeight()) << "the margin below the buttons stays 18";

    RECT second = layout.addOption(220);
    EXPECT_EQ(130, second.top) << "previous bottom + gap";
    EXPECT_EQ(first.left, second.left);
    EXPECT_EQ(166, layout.okTop());
    EXPECT_EQ(184, layout.clientHeight());
}

TEST(SettingsTexts, TheSettingsErrorNamesCodeAndDescription) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"STR_MAIN_CODE=Code\nSTR_MAIN_DESC=Beschreibung");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    EXPECT_EQ(L"Error while displaying setting!\r\n\r\nCode : -2147221164\r\nBeschreibung : Class not registered",
              settingsErrorText(*german, (long)0x80040154, L"Class not registered"));
}

TEST(SettingsTexts, LanguageEntriesStartWithSystemDefaultAndEnglish) {
    LanguageFolder folder;
    folder.writeTexts(1031, L"STR_SETTINGS_USEENGLISH=Englisch verwenden");
    folder.writeTexts(1036, L"A=b");
    auto german = makeLocalization(folder, 1031, 1033);
    german->loadLclzData();
    std::vector<LanguageEntry> entries = languageEntries(*german);
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ(L"** Use System Default **", entries[0].text);
    EXPECT_EQ(0, entries[0].id);
    EXPECT_EQ(L"** Englisch verwenden **", entries[1].text);
    EXPECT_EQ(1, entries[1].id);
    EXPECT_EQ(1031, entries[2].id);
    EXPECT_EQ(1036, entries[3].id);
    EXPECT_FALSE(entries[3].text.empty());
}
