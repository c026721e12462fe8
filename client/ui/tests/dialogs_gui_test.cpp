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

class SettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keloReg.registered());
        lab::writeFileBytes(languages.languages() + L"\\lng1031.lng",
                            lab::readFileBytes(lab::programFolder() + L"Localization\\lng1031.lng"));
        languages.writeTexts(
            1049, L"STR_GEN_PDTITLE=\u0414\u0440\u0430\u0439\u0432\u0435\u0440 \u043f\u0435\u0447\u0430\u0442\u0438");
        lab::writeRegistryString(HKEY_LOCAL_MACHINE, kClientKeySubkey, L"Version", L"3.1.4");
        lab::writeRegistryNumber(HKEY_LOCAL_MACHINE, kClientKeySubkey, L"language", 0);
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

    KeloRegRegistration keloReg;
    ClientSettingsBackup settings;
    LanguageFolder languages;
};

}  // namespace

TEST_F(DialogTest, LoginOkNeedsBothBoxesAndTheDialogReturnsWhatTheUserGave) {
    HWND dialog = show({L"login"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    HWND user = GetDlgItem(dialog, IDC_LOGIN_USER), password = GetDlgItem(dialog, IDC_LOGIN_PASSWORD);
    HWND ok = GetDlgItem(dialog, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok));
    gui::typeText(user, L"anna");
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the password is still empty";
    gui::typeText(password, L"s3cret");
    EXPECT_TRUE(IsWindowEnabled(ok));
    ASSERT_TRUE(gui::click(ok));
    EXPECT_EQ("result=1 user=anna password=s3cret remember=0", result());
    EXPECT_EQ(std::optional<DWORD>(1), host->waitForExit(0));
}

TEST_F(DialogTest, LoginCancelChangesNothingAndTheLoadingWindowIsTranslated) {
    HWND dialog = show({L"login", L"--user", L"anna", L"--password", L"old", L"--remember"}, L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"anna", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_USER))) << "prefilled from the user information";
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), L"new");
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=0 user=anna password=old remember=1", result());

    HWND window = show({L"--language", L"1031", L"loading"}, L"Druckertreiber - Verbindung zum Server...");
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(L"Bitte warten, die Daten werden vom Server abgerufen...",
              gui::textOf(GetDlgItem(window, IDC_LOADING_WAIT)));
}

TEST_F(DialogTest, TheChoiceDialogsLastAnswerIsPreselectedTheCheckedOneIsReturnedAndClosingIsRefused) {
    // As the upload error question shows it: without Cancel.
    HWND dialog = show({L"choice", L"--title", L"Error!", L"--prompt", L"What do you want to do", L"--no-cancel",
                        L"Cancel it", L"Retry it", L"Ignore it"},
                       L"Print Driver - Error!");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"What do you want to do", gui::textOf(GetDlgItem(dialog, IDC_CHOOSE_MESSAGE)));
    EXPECT_FALSE(gui::isChecked(gui::childWithText(dialog, L"Cancel it")));
    EXPECT_TRUE(gui::isChecked(gui::childWithText(dialog, L"Ignore it")))
        << "every answer added checked: the last one stays";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDCANCEL)));

    gui::pressCloseBox(dialog);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "neither the close box nor Escape closes it";
    ASSERT_TRUE(gui::click(gui::childWithText(dialog, L"Retry it")));
    ASSERT_TRUE(gui::waitUntil([&] { return gui::isChecked(gui::childWithText(dialog, L"Retry it")); }));
    EXPECT_FALSE(gui::isChecked(gui::childWithText(dialog, L"Ignore it"))) << "one answer at a time";
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=1", result());
}

TEST_F(SettingsDialogTest, OnePrinterIsShownByNameSeveralAreChosenFromTheList) {
    HWND dialog = showSettings({L"Tom & Jerry=10.0.0.7"});
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS))) << "no list for one printer";
    EXPECT_EQ(L"Tom && Jerry", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_ONE_PRINTER))) << "one ampersand shown";
    EXPECT_EQ(L"3.1.4", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_VERSION)));
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=closed language=0", result());

    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientKeySubkey);
    dialog = showSettings({L"Zolt A=10.0.0.1", L"Zolt B=print.example.com", L"Zolt C=10.0.0.3"});
    ASSERT_NE(nullptr, dialog);
    HWND printers = GetDlgItem(dialog, IDC_SETTINGS_PRINTERS);
    EXPECT_EQ((std::vector<std::wstring>{L"Zolt A", L"Zolt B", L"Zolt C"}), gui::comboItems(printers));
    EXPECT_EQ(L"10.0.0.1", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)));
    ASSERT_TRUE(gui::chooseComboItem(printers, 1));
    EXPECT_TRUE(
        gui::waitUntil([&] { return gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)) == L"print.example.com"; }));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=0", result());
}

TEST_F(SettingsDialogTest, ALanguageOfAnotherCodePageIsRefusedAndAnotherIsSavedForTheNextStart) {
    HWND dialog = showSettings({L"Zolt=host"});
    ASSERT_NE(nullptr, dialog);
    HWND languagesBox = GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES);
    EXPECT_EQ((std::vector<std::wstring>{L"** Use System Default **", L"** Use English **", localeName(1031),
                                         localeName(1049)}),
              gui::comboItems(languagesBox));
    ASSERT_TRUE(gui::chooseComboItem(languagesBox, 3));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    HWND box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box);
    EXPECT_NE(std::wstring::npos, gui::messageBoxText(box).find(L"Your current system default locale is : " +
                                                                localeName(GetSystemDefaultLCID())));
    ASSERT_TRUE(gui::click(box, IDOK));
    ASSERT_TRUE(gui::waitForWindowGone(box));
    EXPECT_EQ(std::optional<DWORD>(0), clientNumber(L"language")) << "the old setting stays";

    ASSERT_TRUE(gui::chooseComboItem(languagesBox, 2));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Print Driver will need to be restarted for the changes to take effect", gui::messageBoxText(box));
    EXPECT_EQ(std::optional<DWORD>(1031), clientNumber(L"language")) << "saved before the message";
    ASSERT_TRUE(gui::click(box, IDOK));
    EXPECT_EQ("result=closed language=1031", result());

    // The stored language translates the dialog, is selected, and closing keeps it.
    dialog = showSettings({L"Zolt=host"}, L"Druckertreiber - Druckereinstellungen");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(2, gui::comboSelection(GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES)));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=1031", result()) << "closing keeps it silently";
}
