// KeloClient.exe driven as a user drives it: the notification area icon, the hidden
// main window, the settings button, a second start and the unload button. The client
// runs without a registered print engine here, as on a machine where the engine cannot
// be started. (The chosen language translating the windows is seen in the settings
// dialog, in dialogs_gui_test.cpp.)
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

class ClientProgramTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto& client : clients) {
            if (!client->running()) continue;
            if (HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", client->processId()))
                gui::click(main, IDC_MAIN_UNLOAD);
            if (!client->waitForExit(5000)) client->terminate();
        }
    }

    gui::ProgramUnderTest& start() {
        clients.push_back(
            std::make_unique<gui::ProgramUnderTest>(lab::quoteArgument(lab::programFolder() + L"KeloClient.exe")));
        return *clients.back();
    }

    // A message box of the client: its text, after OK.
    std::wstring answerBox(gui::ProgramUnderTest& client, const std::wstring& caption) {
        HWND box = gui::waitForWindow(caption, 15000, client.processId());
        if (!box) return L"<no box>";
        std::wstring text = gui::messageBoxText(box);
        for (wchar_t& c : text)
            if (c == L'\r' || c == L'\n') c = L' ';
        EXPECT_TRUE(gui::click(box, IDOK));
        EXPECT_TRUE(gui::waitForWindowGone(box));
        return text;
    }

    HWND mainWindow(const gui::ProgramUnderTest& client) {
        HWND main = nullptr;
        gui::waitUntil([&] { return (main = gui::findWindowOfClass(L"KeloPrinterClientMain", client.processId())); });
        return main;
    }

    // The icon the client added: the one that was not there before it started.
    HWND newTrayIcon() {
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
    std::vector<HWND> before = gui::trayIcons();
    std::vector<std::unique_ptr<gui::ProgramUnderTest>> clients;
};

}  // namespace

TEST_F(ClientProgramTest, TheIconShowsTheHiddenWindowASecondStartBringsItForwardAndUnloadEndsAll) {
    gui::ProgramUnderTest& client = start();
    EXPECT_EQ(0u, answerBox(client, L"Print Driver - Error").find(L"The print engine could not be reached"));
    HWND icon = newTrayIcon();
    ASSERT_NE(nullptr, icon) << "the icon is in the notification area";
    HWND main = mainWindow(client);
    ASSERT_NE(nullptr, main);
    EXPECT_FALSE(IsWindowVisible(main)) << "the main window stays hidden";
    EXPECT_EQ(L"Print Driver", gui::textOf(main));
    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; })) << "a double click shows it";
    gui::pressCloseBox(main);
    ASSERT_TRUE(gui::waitUntil([&] { return !IsWindowVisible(main); })) << "the close box only hides it";

    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    ASSERT_TRUE(gui::click(main, IDC_MAIN_SETTINGS));
    EXPECT_EQ(L"Error while displaying setting!    Code : 1000  Description : The print engine is not available",
              answerBox(client, L"Print Driver - Error"));
    EXPECT_TRUE(IsWindowEnabled(main));

    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(gui::waitUntil([&] { return IsIconic(main) != FALSE; }));
    EXPECT_EQ(std::optional<DWORD>(0), start().waitForExit(15000)) << "a second client ends";
    EXPECT_TRUE(gui::waitUntil([&] { return !IsIconic(main); })) << "the first one's window is restored";
    EXPECT_TRUE(gui::waitUntil([&] { return GetForegroundWindow() == main; })) << "and in front";
    EXPECT_EQ(before.size() + 1, gui::trayIcons().size()) << "one icon only";

    ASSERT_TRUE(gui::click(main, IDC_MAIN_UNLOAD));
    ASSERT_EQ(std::optional<DWORD>(0), client.waitForExit(10000));
    EXPECT_TRUE(gui::waitUntil([&] { return gui::trayIcons().size() == before.size(); })) << "the icon goes";
}
