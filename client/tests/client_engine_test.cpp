// KeloClient.exe with the real print engine (KeloEngine.exe registered in the lab
// prefix) and printers of this system in the lab's spooler: the client binds to every
// printer of the engine, hears its new jobs, lists the printers in its settings, and
// follows the engine when its process ends and a new one comes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <wrl/client.h>

#include "client_test_support.h"
#include "engine_h.h"
#include "error_msg.h"
#include "lab_engine.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "lab_road.h"
#include "resource_ids.h"

namespace gui = lab::gui;
using Microsoft::WRL::ComPtr;

namespace {

std::wstring besideTest(const wchar_t* name) { return lab::programFolder() + name; }

// The engine registered for the whole run, as the lab registers it for the whole road.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        try {
            m_engine = std::make_unique<lab::ScopedEngineRegistration>(besideTest(L"KeloEngine.exe"));
        } catch (const cERROR_MSG& error) {
            FAIL() << error.message;
        }
    }
    void TearDown() override { m_engine.reset(); }

private:
    std::unique_ptr<lab::ScopedEngineRegistration> m_engine;
};
::testing::Environment* const engineEnvironment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

class ClientWithEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keloReg.registered());
        for (const lab::PrinterEntry& printer : lab::listPrinters())
            ASSERT_NE(std::optional<std::wstring>(lab::kKeloMfg), printer.mfg)
                << "another printer of this system is installed: "
                << std::string(printer.name.begin(), printer.name.end());
        writeClientText(L"Version", "5.0.2");
    }

    void TearDown() override {
        if (client && client->running()) {
            if (HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", client->processId()))
                gui::click(main, IDC_MAIN_UNLOAD);
            if (!client->waitForExit(10000)) client->terminate();
        }
        client.reset();
        lab::endEngineServers();
    }

    void addPrinter(const std::wstring& name, const std::wstring& ip) {
        printers.push_back(std::make_unique<lab::ScopedPrinter>(lab::keloPrinter(name, L"ZOLT0", ip)));
    }

    // Starts the client and waits until it has bound its printers.
    void startClient() {
        client = std::make_unique<gui::ProgramUnderTest>(lab::quoteArgument(besideTest(L"KeloClient.exe")));
        ASSERT_TRUE(client->waitForOutput("frmPrinterClientMain - started", 30000)) << client->output();
        EXPECT_EQ(std::string::npos, client->output().find("cannot be used")) << client->output();
    }

    HWND showMainWindow() {
        HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", client->processId());
        EXPECT_NE(nullptr, main);
        // What the notification area tells the client when its icon is double-clicked.
        HWND tray = gui::findWindowOfClass(L"KeloTrayHandle", client->processId());
        PostMessageW(tray, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }));
        return main;
    }

    HWND openSettings() {
        HWND main = showMainWindow();
        EXPECT_TRUE(gui::click(main, IDC_MAIN_SETTINGS));
        return gui::waitForWindow(L"Print Driver - Printer Settings", 15000, client->processId());
    }

    KeloRegRegistration keloReg;
    // A new job's web component is made before the login is asked for.
    lab::ScopedDllRegistration keloWeb{besideTest(L"KeloWeb.dll"), L"{452A5491-A466-401B-9430-441A23E7E6B2}"};
    ClientSettingsBackup settings;
    std::vector<std::unique_ptr<lab::ScopedPrinter>> printers;
    std::unique_ptr<gui::ProgramUnderTest> client;
};

}  // namespace

TEST_F(ClientWithEngineTest, EveryPrinterOfTheEngineGetsAHandlerThatHearsItsJobs) {
    lab::ScopedPrinter foreign(lab::foreignPrinter(L"Kelo Client Foreign", L"ZOLT1"));
    addPrinter(L"Kelo Client One", L"10.0.0.1");
    addPrinter(L"Kelo Client Two", L"print.example.com");
    startClient();
    std::string output = client->output();
    EXPECT_NE(std::string::npos, output.find("started with 2 printers")) << output;
    EXPECT_NE(std::string::npos, output.find("printer Kelo Client One bound, host 10.0.0.1")) << output;
    EXPECT_NE(std::string::npos, output.find("printer Kelo Client Two bound, host print.example.com")) << output;
    EXPECT_EQ(std::string::npos, output.find("Kelo Client Foreign")) << "not a printer of this system";

    gui::ProgramUnderTest job(lab::quoteArgument(besideTest(L"engine-job.exe")) + L" run \"Kelo Client Two\" 4711");
    EXPECT_TRUE(client->waitForOutput("C_driverHandler - new print job 4711 on Kelo Client Two"))
        << "the engine's event reached the client's handler of that printer";
    // Nobody is logged in: the client asks, and the job goes when the user says no.
    HWND login = gui::waitForWindow(L"Print Driver - Login", 15000, client->processId());
    ASSERT_NE(nullptr, login) << client->output();
    ASSERT_TRUE(gui::click(login, IDCANCEL));
    EXPECT_EQ(0u, job.waitForExit(30000).value_or(99)) << job.output();
    EXPECT_TRUE(client->waitForOutput("job 4711 dropped: not logged in")) << client->output();
    EXPECT_EQ(std::string::npos, client->output().find("on Kelo Client One"));
}

TEST_F(ClientWithEngineTest, TheSettingsShowTheOnlyPrinterWithItsAddress) {
    addPrinter(L"Kelo & Sons", L"10.9.8.7");
    startClient();
    HWND settingsDialog = openSettings();
    ASSERT_NE(nullptr, settingsDialog);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(settingsDialog, IDC_SETTINGS_PRINTERS)));
    EXPECT_EQ(L"Kelo && Sons", gui::textOf(GetDlgItem(settingsDialog, IDC_SETTINGS_ONE_PRINTER)));
    EXPECT_EQ(L"10.9.8.7", gui::textOf(GetDlgItem(settingsDialog, IDC_SETTINGS_IP)))
        << "read from the printer's driver data through the registry component";
    EXPECT_EQ(L"5.0.2", gui::textOf(GetDlgItem(settingsDialog, IDC_SETTINGS_VERSION)));
    ASSERT_TRUE(gui::click(settingsDialog, IDCANCEL));
    EXPECT_TRUE(gui::waitForWindowGone(settingsDialog));
}

TEST_F(ClientWithEngineTest, TheSettingsListSeveralPrintersOfTheEngine) {
    addPrinter(L"Kelo List A", L"10.0.0.1");
    addPrinter(L"Kelo List B", L"10.0.0.2");
    startClient();
    HWND settingsDialog = openSettings();
    ASSERT_NE(nullptr, settingsDialog);
    HWND list = GetDlgItem(settingsDialog, IDC_SETTINGS_PRINTERS);
    EXPECT_TRUE(IsWindowVisible(list));
    std::vector<std::wstring> names = gui::comboItems(list);
    ASSERT_EQ(2u, names.size());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"Kelo List A", L"Kelo List B"}), names);
    std::wstring first = gui::comboItems(list)[0];
    EXPECT_EQ(first == L"Kelo List A" ? L"10.0.0.1" : L"10.0.0.2",
              gui::textOf(GetDlgItem(settingsDialog, IDC_SETTINGS_IP)));
    ASSERT_TRUE(gui::chooseComboItem(list, 1));
    std::wstring second = gui::comboItems(list)[1];
    std::wstring expected = second == L"Kelo List A" ? L"10.0.0.1" : L"10.0.0.2";
    EXPECT_TRUE(gui::waitUntil([&] { return gui::textOf(GetDlgItem(settingsDialog, IDC_SETTINGS_IP)) == expected; }));
    ASSERT_TRUE(gui::click(settingsDialog, IDCANCEL));
}

TEST_F(ClientWithEngineTest, WhenTheEngineEndsTheClientBindsToTheNextAndHearsItsJobs) {
    addPrinter(L"Kelo Client Again", L"10.0.0.7");
    startClient();
    ASSERT_EQ(1u, lab::engineServerProcesses().size());
    lab::endEngineServers();

    EXPECT_TRUE(client->waitForOutput("the print engine is gone", 30000)) << client->output();
    ASSERT_TRUE(client->waitForOutput("bound to the print engine again: 1 printers", 60000)) << client->output();
    EXPECT_EQ(1u, lab::engineServerProcesses().size()) << "the client started the new engine";

    gui::ProgramUnderTest job(lab::quoteArgument(besideTest(L"engine-job.exe")) + L" run \"Kelo Client Again\" 4712");
    EXPECT_TRUE(client->waitForOutput("C_driverHandler - new print job 4712 on Kelo Client Again")) << client->output();
    // Heard: the job goes on to the login, where the user says no (or, where the web
    // component is not registered in the prefix, to the box that says so).
    EXPECT_TRUE(gui::waitUntil(
        [&] {
            if (HWND login = gui::findWindow(L"Print Driver - Login", client->processId())) gui::click(login, IDCANCEL);
            if (HWND problem = gui::findWindow(L"Login error", client->processId())) gui::click(problem, IDOK);
            return client->output().find("job 4712 dropped") != std::string::npos &&
                   !gui::findWindow(L"Login error", client->processId());
        },
        30000))
        << client->output();
    EXPECT_EQ(0u, job.waitForExit(30000).value_or(99)) << job.output();
    EXPECT_TRUE(client->running());
}
