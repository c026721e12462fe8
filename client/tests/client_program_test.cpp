// KeloClient.exe driven as a user drives it: the notification area icon, the hidden
// main window, a second start and the unload button. The client
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
    HWND box = gui::waitForWindow(L"Print Driver - Error", 15000, client.processId());
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(0u, gui::messageBoxText(box).find(L"The print engine could not be reached"));
    ASSERT_TRUE(gui::click(box, IDOK));
    HWND icon = newTrayIcon(), main = nullptr;
    ASSERT_NE(nullptr, icon) << "the icon is in the notification area";
    ASSERT_TRUE(gui::waitUntil(
        [&] { return (main = gui::findWindowOfClass(L"KeloPrinterClientMain", client.processId())) != nullptr; }));
    EXPECT_FALSE(IsWindowVisible(main)) << "the main window stays hidden";
    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; })) << "a double click shows it";
    gui::pressCloseBox(main);
    ASSERT_TRUE(gui::waitUntil([&] { return !IsWindowVisible(main); })) << "the close box only hides it";
    gui::doubleClickTrayIcon(icon);
    ASSERT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));

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
