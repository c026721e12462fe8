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
    EXPECT_FALSE(gui::click(ok)) << "a disabled OK cannot be clicked";
    gui::typeText(user, L"anna");
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the password is still empty";
    gui::typeText(password, L"s3cret");
    EXPECT_TRUE(IsWindowEnabled(ok));
    gui::clearText(user);
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the user name is empty again";
    gui::typeText(user, L" ");
    EXPECT_TRUE(IsWindowEnabled(ok)) << "one character is enough, a blank too";
    ASSERT_TRUE(gui::click(dialog, IDC_LOGIN_REMEMBER));
    ASSERT_TRUE(gui::waitUntil([&] { return gui::isChecked(GetDlgItem(dialog, IDC_LOGIN_REMEMBER)); }));
    ASSERT_TRUE(gui::click(ok));
    EXPECT_EQ("result=1 user=  password=s3cret remember=1", result());
    EXPECT_EQ(std::optional<DWORD>(1), host->waitForExit(0));
}

TEST_F(DialogTest, LoginCancelAndTheCloseBoxChangeNothingAndTheLoadingWindowIsTranslated) {
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

    HWND window = show({L"--language", L"1031", L"loading", L"--close-after", L"60000"},
                       L"Druckertreiber - Verbindung zum Server...");
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(L"Bitte warten, die Daten werden vom Server abgerufen...",
              gui::textOf(GetDlgItem(window, IDC_LOADING_WAIT)));
    host->terminate();
}

TEST_F(ChoiceDialogTest, TheAnswersStackTheLastIsPreselectedTheCheckedOneIsReturnedAndClosingIsRefused) {
    // As the upload error question shows it: without Cancel.
    HWND dialog = show({L"choice", L"--title", L"Error!", L"--prompt", L"What do you want to do", L"--no-cancel",
                        L"Cancel it", L"Retry it", L"Ignore it"},
                       L"Print Driver - Error!");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"What do you want to do", gui::textOf(GetDlgItem(dialog, IDC_CHOOSE_MESSAGE)));
    EXPECT_FALSE(gui::isChecked(option(dialog, L"Cancel it")));
    EXPECT_TRUE(gui::isChecked(option(dialog, L"Ignore it"))) << "every answer added checked: the last one stays";
    HWND cancel = GetDlgItem(dialog, IDCANCEL), ok = GetDlgItem(dialog, IDOK);
    RECT message, first, second, okRect, cancelRect;
    GetWindowRect(GetDlgItem(dialog, IDC_CHOOSE_MESSAGE), &message);
    GetWindowRect(option(dialog, L"Cancel it"), &first);
    GetWindowRect(option(dialog, L"Retry it"), &second);
    GetWindowRect(ok, &okRect);
    GetWindowRect(cancel, &cancelRect);
    EXPECT_LT(message.bottom, first.top) << "below the message";
    EXPECT_LT(first.bottom, second.top) << "one below the other";
    EXPECT_EQ(first.left, second.left);
    EXPECT_LT(second.bottom, okRect.top) << "the buttons below the answers";
    EXPECT_FALSE(IsWindowVisible(cancel));
    EXPECT_EQ(cancelRect.left, okRect.left) << "OK takes the Cancel button's place";

    gui::pressCloseBox(dialog);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "neither the close box nor Escape closes it";
    ASSERT_TRUE(gui::click(option(dialog, L"Retry it")));
    ASSERT_TRUE(gui::waitUntil([&] { return gui::isChecked(option(dialog, L"Retry it")); }));
    EXPECT_FALSE(gui::isChecked(option(dialog, L"Ignore it"))) << "one answer at a time";
    ASSERT_TRUE(gui::click(ok));
    EXPECT_EQ("result=1", result());
}

TEST_F(SettingsDialogTest, OnePrinterIsShownByNameSeveralAreChosenFromTheList) {
    HWND dialog = showSettings({L"Tom & Jerry=10.0.0.7"});
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS))) << "no list for one printer";
    EXPECT_EQ(L"Tom && Jerry", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_ONE_PRINTER))) << "one ampersand shown";
    EXPECT_EQ(L"Current Printer:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(L"10.0.0.7", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)));
    EXPECT_EQ(L"3.1.4", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_VERSION)));
    ASSERT_TRUE(gui::click(dialog, IDCANCEL));
    EXPECT_EQ("result=closed language=0", result());

    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientKeySubkey);
    dialog = showSettings({L"Zolt A=10.0.0.1", L"Zolt B=print.example.com", L"Zolt C=10.0.0.3"});
    ASSERT_NE(nullptr, dialog);
    HWND printers = GetDlgItem(dialog, IDC_SETTINGS_PRINTERS);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_ONE_PRINTER)));
    EXPECT_EQ((std::vector<std::wstring>{L"Zolt A", L"Zolt B", L"Zolt C"}), gui::comboItems(printers));
    EXPECT_EQ(0, gui::comboSelection(printers));
    EXPECT_EQ(L"Choose Printer:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(L"10.0.0.1", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)));
    EXPECT_EQ(L"Unknown", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_VERSION))) << "no version stored";
    EXPECT_EQ(0, gui::comboSelection(GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES))) << "no setting: system default";
    ASSERT_TRUE(gui::chooseComboItem(printers, 1));
    EXPECT_TRUE(
        gui::waitUntil([&] { return gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_IP)) == L"print.example.com"; }));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=0", result()) << "the language did not change: nothing is saved";
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
    std::wstring text = gui::messageBoxText(box);
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
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

    ASSERT_TRUE(gui::chooseComboItem(languagesBox, 2));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    box = messageBox(dialog, L"Print Driver - Printer Settings");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Print Driver will need to be restarted for the changes to take effect", gui::messageBoxText(box));
    EXPECT_EQ(std::optional<DWORD>(1031), clientNumber(L"language")) << "saved before the message";
    ASSERT_TRUE(gui::click(box, IDOK));
    EXPECT_EQ("result=closed language=1031", result());

    // The stored language translates the dialog, is selected, and closing keeps it silently.
    dialog = showSettings({L"Zolt=host"}, L"Druckertreiber - Druckereinstellungen");
    ASSERT_NE(nullptr, dialog);
    languagesBox = GetDlgItem(dialog, IDC_SETTINGS_LANGUAGES);
    EXPECT_EQ(L"** Englisch verwenden **", gui::comboItems(languagesBox).at(1));
    EXPECT_EQ(L"Aktueller Drucker:", gui::textOf(GetDlgItem(dialog, IDC_SETTINGS_PRINTERS_LABEL)));
    EXPECT_EQ(2, gui::comboSelection(languagesBox));
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_EQ("result=closed language=1031", result());
}
