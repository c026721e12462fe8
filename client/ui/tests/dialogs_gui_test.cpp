// The client's dialogs as windows, shown by kelo-dialog-host.exe and driven by the user
// robot: typing, clicking, choosing, the close box, and what the dialog returned.
#include <gtest/gtest.h>

#include <memory>

#include "client_test_support.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_process.h"
#include "localization_test_support.h"
#include "resource_ids.h"

namespace gui = lab::gui;

namespace {

std::wstring hostCommand(const std::vector<std::wstring>& arguments) {
    std::wstring command = lab::quoteArgument(lab::programFolder() + L"kelo-dialog-host.exe");
    for (const std::wstring& argument : arguments) command += L" " + lab::quoteArgument(argument);
    return command;
}

std::wstring localeName(LCID lcid) {
    wchar_t name[128] = {};
    GetLocaleInfoW(lcid, LOCALE_SLANGUAGE, name, 128);
    return name;
}

std::wstring withoutLineBreaks(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    return text;
}

class DialogTest : public ::testing::Test {
protected:
    // Starts the host and waits for its window.
    HWND show(const std::vector<std::wstring>& arguments, const std::wstring& caption) {
        host = std::make_unique<gui::ProgramUnderTest>(hostCommand(arguments));
        HWND window = gui::waitForWindow(caption, 15000, host->processId());
        EXPECT_NE(nullptr, window) << "no window \"" << std::string(caption.begin(), caption.end()) << "\"";
        return window;
    }
    // What the host printed when the dialog was over.
    std::string result() {
        EXPECT_TRUE(host->waitForExit(10000).has_value()) << "the dialog did not close";
        std::string output = host->output();
        size_t start = output.find("result=");
        if (start == std::string::npos) return output;
        size_t end = output.find_first_of("\r\n", start);
        return output.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    std::unique_ptr<gui::ProgramUnderTest> host;
};

class LoginDialogTest : public DialogTest {};

class ChoiceDialogTest : public DialogTest {
protected:
    HWND option(HWND dialog, const std::wstring& text) { return gui::childWithText(dialog, text); }
};

class SettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keloReg.registered());
        CreateDirectoryW(languages.languages().c_str(), nullptr);
        lab::writeFileBytes(languages.languages() + L"\\lng1031.lng",
                            lab::readFileBytes(lab::programFolder() + L"Localization\\lng1031.lng"));
        languages.writeTexts(
            1049, L"STR_GEN_PDTITLE=\u0414\u0440\u0430\u0439\u0432\u0435\u0440 \u043f\u0435\u0447\u0430\u0442\u0438");
        writeClientText(L"Version", "3.1.4");
        writeClientNumber(L"language", 0);
    }
    HWND showSettings(std::vector<std::wstring> printers,
                      const std::wstring& caption = L"Print Driver - Printer Settings") {
        std::vector<std::wstring> arguments = {L"--root", languages.root(), L"settings"};
        for (const std::wstring& printer : printers) {
            arguments.push_back(L"--printer");
            arguments.push_back(printer);
        }
        return show(arguments, caption);
    }
    // A message box of the host with this caption, other than the dialog itself.
    HWND messageBox(HWND dialog, const std::wstring& caption) {
        return gui::waitForWindow(caption, 10000, host->processId(), dialog);
    }
    int languageIndex(HWND dialog, const std::wstring& text) {
        std::vector<std::wstring> items = gui::comboItems(GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES));
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == text) return (int)i;
        return -1;
    }

    KeloRegRegistration keloReg;
    ClientSettingsBackup settings;
    LanguageFolder languages;
};

}  // namespace

TEST_F(LoginDialogTest, OkStaysDisabledUntilBothBoxesHoldText) {
    HWND dialog = show({L"login"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    HWND user = GetDlgItem(dialog, IDC_LOGIN_USER), password = GetDlgItem(dialog, IDC_LOGIN_PASSWORD);
    HWND ok = GetDlgItem(dialog, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok));
    EXPECT_FALSE(gui::click(ok)) << "a disabled OK cannot be clicked";

    gui::typeText(user, L"anna");
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the password is still empty";
    gui::typeText(password, L"s3cret");
    EXPECT_TRUE(IsWindowEnabled(ok));
    gui::clearText(user);
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the user name is empty again";
    gui::typeText(user, L"b");
    EXPECT_TRUE(IsWindowEnabled(ok)) << "one character is enough";

    ASSERT_TRUE(gui::click(ok));
    EXPECT_EQ("result=1 user=b password=s3cret remember=0", result());
    EXPECT_EQ(std::optional<DWORD>(1), host->waitForExit(0));
}

TEST_F(LoginDialogTest, CancelAndTheCloseBoxReturnFalseAndChangeNothing) {
    HWND dialog = show({L"login", L"--user", L"anna", L"--password", L"old", L"--remember"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"anna", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_USER))) << "prefilled from the user information";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(gui::isChecked(GetDlgItem(dialog, IDC_LOGIN_REMEMBER)));
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), L"new");
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=0 user=anna password=old remember=1", result());

    dialog = show({L"login"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    gui::pressCloseBox(dialog);
    EXPECT_EQ("result=0 user= password= remember=0", result());
}

TEST_F(LoginDialogTest, TheRememberBoxIsTheUsersChoice) {
    HWND dialog = show({L"login", L"--user", L"anna", L"--password", L"pw"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(gui::click(dialog, IDC_LOGIN_REMEMBER));
    ASSERT_TRUE(gui::waitUntil([&] { return gui::isChecked(GetDlgItem(dialog, IDC_LOGIN_REMEMBER)); }));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=1 user=anna password=pw remember=1", result());
}

TEST_F(LoginDialogTest, TheShippedTranslationTranslatesTheDialog) {
    HWND dialog = show({L"--language", L"1031", L"login"}, L"Druckertreiber - Anmeldung");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"Benutzername:", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_USER_LABEL)));
    EXPECT_EQ(L"Kennwort speichern", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_REMEMBER)));
    EXPECT_EQ(L"&Abbrechen", gui::textOf(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_EQ(L"", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_USER))) << "text boxes keep their content";
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=0 user= password= remember=0", result());
}

TEST_F(ChoiceDialogTest, TheCheckedAnswerIsReturnedAndTheLastOneIsPreselected) {
    HWND dialog = show({L"choice", L"--title", L"Error!", L"--prompt", L"What do you want to do", L"Cancel it",
                        L"Retry it", L"Ignore it"},
                       L"Print Driver - Error!");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"What do you want to do", gui::textOf(GetDlgItem(dialog, IDC_CHOOSE_MESSAGE)));
    ASSERT_NE(nullptr, option(dialog, L"Retry it"));
    EXPECT_FALSE(gui::isChecked(option(dialog, L"Cancel it")));
    EXPECT_TRUE(gui::isChecked(option(dialog, L"Ignore it"))) << "every answer added checked: the last one stays";

    RECT first, second, ok;
    GetWindowRect(option(dialog, L"Cancel it"), &first);
    GetWindowRect(option(dialog, L"Retry it"), &second);
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    EXPECT_LT(first.bottom, second.top) << "one below the other";
    EXPECT_LT(second.bottom, ok.top) << "the buttons below the answers";

    ASSERT_TRUE(gui::click(option(dialog, L"Retry it")));
    ASSERT_TRUE(gui::waitUntil([&] { return gui::isChecked(option(dialog, L"Retry it")); }));
    EXPECT_FALSE(gui::isChecked(option(dialog, L"Ignore it"))) << "one answer at a time";
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=1", result());
}

TEST_F(ChoiceDialogTest, OkWithNoAnswerCheckedCountsAsTheFirstAndCancelIsMinusOne) {
    HWND dialog =
        show({L"choice", L"--title", L"Q", L"--prompt", L"P", L"--no-default", L"a", L"b"}, L"Print Driver - Q");
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(gui::isChecked(option(dialog, L"a")));
    EXPECT_FALSE(gui::isChecked(option(dialog, L"b")));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=0", result());

    dialog = show({L"choice", L"--title", L"Q", L"--prompt", L"P", L"a", L"b"}, L"Print Driver - Q");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=-1", result());

    dialog = show({L"choice", L"--title", L"Q", L"--prompt", L"P", L"a", L"b"}, L"Print Driver - Q");
    ASSERT_NE(nullptr, dialog);
    gui::pressCloseBox(dialog);
    EXPECT_EQ("result=-1", result()) << "with a Cancel button the close box cancels";
}

TEST_F(ChoiceDialogTest, WithoutCancelTheCloseBoxIsRefused) {
    HWND dialog =
        show({L"choice", L"--title", L"Q", L"--prompt", L"P", L"--no-cancel", L"a", L"b"}, L"Print Driver - Q");
    ASSERT_NE(nullptr, dialog);
    HWND cancel = GetDlgItem(dialog, IDCANCEL), ok = GetDlgItem(dialog, IDOK);
    EXPECT_FALSE(IsWindowVisible(cancel));
    RECT okRect, cancelRect;
    GetWindowRect(ok, &okRect);
    GetWindowRect(cancel, &cancelRect);
    EXPECT_EQ(cancelRect.left, okRect.left) << "OK takes the Cancel button's place";

    gui::pressCloseBox(dialog);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "neither the close box nor Escape closes it";
    EXPECT_TRUE(host->running());
    ASSERT_TRUE(gui::click(ok));
    EXPECT_EQ("result=1", result());
}

TEST_F(SettingsDialogTest, OnePrinterIsShownByNameWithItsAmpersand) {
    HWND dialog = showSettings({L"Tom & Jerry=10.0.0.7"});
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS))) << "no list for one printer";
    HWND name = GetDlgItem(dialog, IDC_SETTINGS_ONE_PRINTER);
    EXPECT_TRUE(IsWindowVisible(name));
    EXPECT_EQ(L"Tom && Jerry", gui::textOf(name)) << "the label shows one ampersand";
    EXPECT_EQ(L"Current Printer:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(L"10.0.0.7", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)));
    EXPECT_EQ(L"3.1.4", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_VERSION)));
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=closed language=0", result());
}

TEST_F(SettingsDialogTest, SeveralPrintersAreChosenFromTheList) {
    HWND dialog = showSettings({L"Zolt A=10.0.0.1", L"Zolt B=print.example.com", L"Zolt C=10.0.0.3"});
    ASSERT_NE(nullptr, dialog);
    HWND printers = GetDlgItem(dialog, IDC_SETTINGS_PRINTERS);
    EXPECT_TRUE(IsWindowVisible(printers));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_ONE_PRINTER)));
    EXPECT_EQ((std::vector<std::wstring>{L"Zolt A", L"Zolt B", L"Zolt C"}), gui::comboItems(printers));
    EXPECT_EQ(0, gui::comboSelection(printers));
    EXPECT_EQ(L"Choose Printer:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(L"10.0.0.1", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)));

    ASSERT_TRUE(gui::chooseComboItem(printers, 1));
    EXPECT_TRUE(
        gui::waitUntil([&] { return gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)) == L"print.example.com"; }));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=0", result()) << "the language did not change: nothing is saved";
}

TEST_F(SettingsDialogTest, TheLanguageListAndSavingAnotherLanguage) {
    HWND dialog = showSettings({L"Zolt=host"});
    ASSERT_NE(nullptr, dialog);
    HWND languagesBox = GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES);
    std::vector<std::wstring> items = gui::comboItems(languagesBox);
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ(L"** Use System Default **", items[0]);
    EXPECT_EQ(L"** Use English **", items[1]);
    EXPECT_EQ(localeName(1031), items[2]);
    EXPECT_EQ(localeName(1049), items[3]);
    EXPECT_EQ(0, gui::comboSelection(languagesBox)) << "the stored language is selected";

    ASSERT_TRUE(gui::chooseComboItem(languagesBox, 2));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    HWND box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Print Driver will need to be restarted for the changes to take effect", gui::messageBoxText(box));
    EXPECT_EQ(std::optional<DWORD>(1031), clientNumber(L"language")) << "saved before the message";
    ASSERT_TRUE(gui::click(box, IDOK));
    EXPECT_EQ("result=closed language=1031", result());
}

TEST_F(SettingsDialogTest, TheStoredLanguageClosesWithoutAMessage) {
    writeClientNumber(L"language", 1031);
    HWND dialog = showSettings({L"Zolt=host"}, L"Druckertreiber - Druckereinstellungen");
    ASSERT_NE(nullptr, dialog) << "the stored language translates the dialog";
    HWND languagesBox = GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES);
    EXPECT_EQ(L"** Englisch verwenden **", gui::comboItems(languagesBox).at(1));
    EXPECT_EQ(L"Aktueller Drucker:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(2, gui::comboSelection(languagesBox));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=1031", result());
}

TEST_F(SettingsDialogTest, ALanguageOfAnotherCodePageIsRefusedWithFourParts) {
    HWND dialog = showSettings({L"Zolt=host"});
    ASSERT_NE(nullptr, dialog);
    HWND languagesBox = GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES);
    int russian = languageIndex(dialog, localeName(1049));
    ASSERT_LE(0, russian);
    ASSERT_TRUE(gui::chooseComboItem(languagesBox, russian));
    ASSERT_TRUE(gui::click(dialog, IDOK));

    HWND box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box);
    std::wstring text = withoutLineBreaks(gui::messageBoxText(box));
    EXPECT_EQ(
        L"The language you selected does not match your current system default locale.  "
        L"Print Driver will not be able to display the characters correctly.    "
        L"Please select a different language, or change your system's locale.    "
        L"Your current system default locale is : " +
            localeName(GetSystemDefaultLCID()),
        text);
    EXPECT_EQ(nullptr, GetDlgItem(box, IDCANCEL)) << "an OK button only";
    ASSERT_TRUE(gui::click(box, IDOK));
    ASSERT_TRUE(gui::waitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open for another choice";
    EXPECT_EQ(std::optional<DWORD>(0), clientNumber(L"language")) << "the old setting stays";

    ASSERT_TRUE(gui::chooseComboItem(languagesBox, 1));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box) << "English is always accepted";
    ASSERT_TRUE(gui::click(box, IDOK));
    EXPECT_EQ("result=closed language=1", result());
}

TEST_F(SettingsDialogTest, WithoutAVersionTheBoxKeepsUnknown) {
    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientKeySubkey);
    HWND dialog = showSettings({L"Zolt=host"});
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"Unknown", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_VERSION)));
    EXPECT_EQ(0, gui::comboSelection(GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES))) << "no setting: system default";
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=closed language=0", result());
}

TEST_F(DialogTest, TheLoadingWindowTranslatesItself) {
    HWND window = show({L"--language", L"1031", L"loading", L"--close-after", L"60000"},
                       L"Druckertreiber - Verbindung zum Server...");
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(L"Bitte warten, die Daten werden vom Server abgerufen...",
              gui::textOf(GetDlgItem(window, IDC_LOADING_WAIT)));
    host->terminate();
}
