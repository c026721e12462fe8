// KeloClient.exe driven as a user drives it: the notification area icon, the hidden
// main window, the single instance, the settings button and the unload button. The
// client runs without a registered print engine here, as on a machine where the engine
// cannot be started.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "client_test_support.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_process.h"
#include "resource_ids.h"

namespace gui = lab::gui;

namespace {

std::wstring withoutLineBreaks(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    return text;
}

class ClientProgramTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto& client : clients) {
            if (!client->running()) continue;
            if (HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", client->processId()))
                gui::click(main, IDC_MAIN_UNLOAD);
            if (!client->waitForExit(5000)) client->terminate();
        }
        clients.clear();
    }

    gui::ProgramUnderTest& start() {
        clients.push_back(
            std::make_unique<gui::ProgramUnderTest>(lab::quoteArgument(lab::programFolder() + L"KeloClient.exe")));
        return *clients.back();
    }

    // The client's message that the engine cannot be used: checked and answered.
    void answerEngineMessage(gui::ProgramUnderTest& client, const std::wstring& caption = L"Print Driver - Error") {
        HWND box = gui::waitForWindow(caption, 15000, client.processId());
        ASSERT_NE(nullptr, box) << "no engine message";
        lastEngineMessage = gui::messageBoxText(box);
        ASSERT_TRUE(gui::click(box, IDOK));
        ASSERT_TRUE(gui::waitForWindowGone(box));
    }

    HWND mainWindow(const gui::ProgramUnderTest& client) {
        HWND main = nullptr;
        gui::waitUntil([&] { return (main = gui::findWindowOfClass(L"KeloPrinterClientMain", client.processId())); });
        return main;
    }

    // The icon the client added: the one that was not there before it started.
    HWND newTrayIcon(const std::vector<HWND>& before) {
        HWND added = nullptr;
        gui::waitUntil([&] {
            for (HWND icon : gui::trayIcons())
                if (std::find(before.begin(), before.end(), icon) == before.end()) added = icon;
            return added != nullptr;
        });
        return added;
    }

    KeloRegRegistration keloReg;
    ClientSettingsBackup settings;
    std::vector<std::unique_ptr<gui::ProgramUnderTest>> clients;
    std::wstring lastEngineMessage;
};

}  // namespace

TEST_F(ClientProgramTest, TheIconComesAtStartShowsTheWindowAndGoesOnUnload) {
    std::vector<HWND> before = gui::trayIcons();
    gui::ProgramUnderTest& client = start();
    answerEngineMessage(client);
    EXPECT_EQ(0u, lastEngineMessage.find(L"The print engine could not be reached"));
    HWND icon = newTrayIcon(before);
    ASSERT_NE(nullptr, icon) << "the icon is in the notification area";
    HWND main = mainWindow(client);
    ASSERT_NE(nullptr, main);
    EXPECT_FALSE(IsWindowVisible(main)) << "the main window stays hidden";
    EXPECT_EQ(L"Print Driver", gui::textOf(main));

    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; })) << "a double click shows it";
    gui::pressCloseBox(main);
    ASSERT_TRUE(gui::waitUntil([&] { return !IsWindowVisible(main); })) << "the close box only hides it";
    EXPECT_TRUE(client.running());
    EXPECT_EQ(before.size() + 1, gui::trayIcons().size()) << "the icon stays";

    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    ASSERT_TRUE(gui::click(main, IDC_MAIN_UNLOAD));
    ASSERT_EQ(std::optional<DWORD>(0), client.waitForExit(10000));
    EXPECT_TRUE(gui::waitUntil([&] { return gui::trayIcons().size() == before.size(); })) << "the icon goes";
    EXPECT_NE(std::string::npos, client.output().find("frmPrinterClientMain - unloaded"));
}

TEST_F(ClientProgramTest, ASecondStartBringsTheFirstClientForwardAndEnds) {
    std::vector<HWND> before = gui::trayIcons();
    gui::ProgramUnderTest& first = start();
    answerEngineMessage(first);
    HWND icon = newTrayIcon(before);
    ASSERT_NE(nullptr, icon);
    HWND main = mainWindow(first);
    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(gui::waitUntil([&] { return IsIconic(main) != FALSE; }));

    gui::ProgramUnderTest& second = start();
    EXPECT_EQ(std::optional<DWORD>(0), second.waitForExit(15000)) << "the second client ends";
    EXPECT_TRUE(gui::waitUntil([&] { return !IsIconic(main); })) << "the first one's window is restored";
    EXPECT_TRUE(gui::waitUntil([&] { return GetForegroundWindow() == main; })) << "and in front";
    EXPECT_EQ(before.size() + 1, gui::trayIcons().size()) << "one icon only";
    EXPECT_TRUE(first.running());
}

TEST_F(ClientProgramTest, SettingsWithoutAnEngineShowTheErrorBox) {
    std::vector<HWND> before = gui::trayIcons();
    gui::ProgramUnderTest& client = start();
    answerEngineMessage(client);
    HWND icon = newTrayIcon(before);
    HWND main = mainWindow(client);
    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));

    ASSERT_TRUE(gui::click(main, IDC_MAIN_SETTINGS));
    HWND box = gui::waitForWindow(L"Print Driver - Error", 10000, client.processId());
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Error while displaying setting!    Code : 1000  Description : The print engine is not available",
              withoutLineBreaks(gui::messageBoxText(box)));
    ASSERT_TRUE(gui::click(box, IDOK));
    ASSERT_TRUE(gui::waitForWindowGone(box));
    EXPECT_TRUE(client.running()) << "the program goes on";
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(ClientProgramTest, TheChosenLanguageTranslatesTheClient) {
    writeClientNumber(L"language", 1031);
    std::vector<HWND> before = gui::trayIcons();
    gui::ProgramUnderTest& client = start();
    answerEngineMessage(client, L"Druckertreiber - Fehler");
    EXPECT_EQ(0u, lastEngineMessage.find(L"Die Druck-Engine ist nicht erreichbar"));
    HWND main = mainWindow(client);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(L"Druckertreiber", gui::textOf(main));
    EXPECT_EQ(L"&Einstellungen", gui::textOf(GetDlgItem(main, IDC_MAIN_SETTINGS)));
    EXPECT_EQ(L"&Beenden", gui::textOf(GetDlgItem(main, IDC_MAIN_UNLOAD)));
    EXPECT_NE(nullptr, newTrayIcon(before));
}
