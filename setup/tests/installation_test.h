#pragma once
// The fixture of the tests that run keloInstallPrinter: the lab's spooler state saved and
// put back, the monitors in the system folder, the printer UI stand-in's journal, and a
// runner folder with that stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "error_text.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_text.h"
#include "setup_lab.h"
#include "lab_gui.h"

namespace gui = lab::gui;

class InstallationTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kInstallDir = L"C:\\Program Files\\Kelo Print Driver\\";
    static constexpr const wchar_t* kSite = L"Print Site";
    static constexpr const wchar_t* kServerIp = L"192.0.2.10";

    void SetUp() override {
        m_ntMonitor =
            std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort.dll", lab::programFolder() + L"ZoltPort.dll");
        // Wine's spooler loads only monitors with the NT entry: the Windows 9x cases that
        // need a registered monitor take the lab's test monitor under the 9x name.
        m_nineXMonitor = std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort98.dll",
                                                                      lab::programFolder() + L"lab_test_monitor.dll");
        m_folder = std::make_unique<setuplab::ActionFolder>(setuplab::PrintUi::Wide);
    }

    void useVersion(const std::wstring& version) {
        m_version.reset();
        m_version = std::make_unique<setuplab::ScopedRunnerVersion>(version);
    }
    void usePrintUi(setuplab::PrintUi printUi) { m_folder = std::make_unique<setuplab::ActionFolder>(printUi); }
    // The real ZoltPort98.dll from now on.
    void useRealNineXMonitor() {
        m_nineXMonitor.reset();
        m_nineXMonitor =
            std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort98.dll", lab::programFolder() + L"ZoltPort98.dll");
    }
    void removeNtMonitorFile() { m_ntMonitor.reset(); }

    // The properties of a site, followed by more arguments for the runner.
    static std::vector<std::wstring> siteProperties(const std::wstring& site = kSite,
                                                    const std::wstring& serverIp = kServerIp,
                                                    std::initializer_list<std::wstring> more = {}) {
        std::vector<std::wstring> arguments{std::wstring(L"INSTALLDIR=") + kInstallDir, L"INSTALL_IP=" + serverIp,
                                            L"INSTALL_SITE=" + site};
        arguments.insert(arguments.end(), more);
        return arguments;
    }

    std::unique_ptr<setuplab::ActionRun> start(const std::vector<std::wstring>& arguments) {
        return std::make_unique<setuplab::ActionRun>(*m_folder, L"keloInstallPrinter", arguments);
    }
    setuplab::RunReport install(const std::vector<std::wstring>& arguments) { return start(arguments)->finish(); }

    // Waits for a message box or dialog of the run with this caption.
    static HWND waitFor(setuplab::ActionRun& run, const std::wstring& caption, HWND excluding = nullptr) {
        HWND window = gui::waitForWindow(caption, 30000, run.processId(), excluding);
        if (!window)
            ADD_FAILURE() << "no window \"" << lab::toUtf8(caption)
                          << "\"; windows: " << lab::toUtf8(run.visibleWindows());
        return window;
    }

    static std::optional<lab::PrinterEntry> printer(const std::wstring& name) {
        for (const lab::PrinterEntry& entry : lab::listPrinters())
            if (entry.name == name) return entry;
        return std::nullopt;
    }
    static std::optional<std::wstring> driverData(const std::wstring& printerKeyName, const std::wstring& value) {
        return setuplab::registryString(
            std::wstring(setuplab::kPrintersKey) + L"\\" + printerKeyName + L"\\PrinterDriverData", value);
    }
    static void expectDriverData(const std::wstring& printerKeyName, const std::wstring& serverIp) {
        EXPECT_EQ(driverData(printerKeyName, L"keloServerIp"), serverIp) << lab::toUtf8(printerKeyName);
        EXPECT_EQ(driverData(printerKeyName, L"Mfg"), std::wstring(L"Vorlane"));
        EXPECT_EQ(driverData(printerKeyName, L"KeloDriverID"), std::wstring(L"stdPrinterDriver"));
    }
    static std::vector<std::wstring> ports() {
        return setuplab::registrySubkeys(std::wstring(setuplab::kMonitorKey) + L"\\Private");
    }
    // The monitor marks every port it reads from the registry inactive.
    static std::optional<DWORD> portActive(const std::wstring& port) {
        return setuplab::registryNumber(std::wstring(setuplab::kMonitorKey) + L"\\Private\\" + port, L"active");
    }
    static std::wstring systemText(DWORD error) { return lab::fromAnsi(systemErrorText(error)); }

    setuplab::SpoolerState m_spooler;
    setuplab::PrintUiJournal m_printUi;
    std::unique_ptr<setuplab::ScopedSystemFile> m_ntMonitor;
    std::unique_ptr<setuplab::ScopedSystemFile> m_nineXMonitor;
    std::unique_ptr<setuplab::ActionFolder> m_folder;
    std::unique_ptr<setuplab::ScopedRunnerVersion> m_version;
};

// Report details for a failing expectation.
inline std::string describe(const setuplab::RunReport& report) { return "runner output:\n" + report.output; }
