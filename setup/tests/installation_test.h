#pragma once
// The fixture of the tests that run keloInstallPrinter: the lab's spooler state saved and
// put back, the stand-in monitor under both monitor file names in the system folder, the
// stand-ins' journals, and a runner folder with the printer UI stand-in.
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
#include "user_robot.h"

class InstallationTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kInstallDir = L"C:\\Program Files\\Kelo Print Driver\\";
    static constexpr const wchar_t* kSite = L"Print Site";
    static constexpr const wchar_t* kServerIp = L"192.0.2.10";

    void SetUp() override {
        std::wstring standIn = lab::programFolder() + L"setup_test_monitor.dll";
        ntMonitor_ = std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort.dll", standIn);
        nineXMonitor_ = std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort98.dll", standIn);
        folder_ = std::make_unique<setuplab::ActionFolder>(setuplab::PrintUi::Wide);
    }

    void useVersion(const std::wstring& version) {
        version_.reset();
        version_ = std::make_unique<setuplab::ScopedRunnerVersion>(version);
    }
    void usePrintUi(setuplab::PrintUi printUi) { folder_ = std::make_unique<setuplab::ActionFolder>(printUi); }
    // The nine-x monitor file is another DLL from now on (nullopt: none at all).
    void useNineXMonitor(const std::optional<std::wstring>& source) {
        nineXMonitor_.reset();
        if (source) nineXMonitor_ = std::make_unique<setuplab::ScopedSystemFile>(L"ZoltPort98.dll", *source);
    }
    void removeNtMonitorFile() { ntMonitor_.reset(); }

    static std::vector<std::wstring> siteProperties(const std::wstring& site = kSite,
                                                    const std::wstring& serverIp = kServerIp) {
        return {std::wstring(L"INSTALLDIR=") + kInstallDir, L"INSTALL_IP=" + serverIp, L"INSTALL_SITE=" + site};
    }

    std::unique_ptr<setuplab::ActionRun> start(const std::vector<std::wstring>& arguments) {
        return std::make_unique<setuplab::ActionRun>(*folder_, L"keloInstallPrinter", arguments);
    }
    setuplab::RunReport install(const std::vector<std::wstring>& arguments) { return start(arguments)->finish(); }

    // Waits for a message box or dialog of the run with this caption.
    static HWND waitFor(setuplab::ActionRun& run, const std::wstring& caption, HWND excluding = nullptr) {
        HWND window = robot::waitForWindow(run.processId(), caption, excluding);
        if (!window) ADD_FAILURE() << "no window \"" << lab::toUtf8(caption) << "\"; windows: " << lab::toUtf8(run.visibleWindows());
        return window;
    }

    static std::optional<lab::PrinterEntry> printer(const std::wstring& name) {
        for (const lab::PrinterEntry& entry : lab::listPrinters())
            if (entry.name == name) return entry;
        return std::nullopt;
    }
    static std::optional<std::wstring> driverData(const std::wstring& printerKeyName, const std::wstring& value) {
        return setuplab::registryString(std::wstring(setuplab::kPrintersKey) + L"\\" + printerKeyName + L"\\PrinterDriverData",
                                        value);
    }
    static void expectDriverData(const std::wstring& printerKeyName, const std::wstring& serverIp) {
        EXPECT_EQ(driverData(printerKeyName, L"keloServerIp"), serverIp) << lab::toUtf8(printerKeyName);
        EXPECT_EQ(driverData(printerKeyName, L"Mfg"), std::wstring(L"Vorlane"));
        EXPECT_EQ(driverData(printerKeyName, L"KeloDriverID"), std::wstring(L"stdPrinterDriver"));
    }
    static std::vector<std::wstring> ports() {
        return setuplab::registrySubkeys(std::wstring(setuplab::kMonitorKey) + L"\\Private");
    }
    static std::wstring systemText(DWORD error) { return lab::fromAnsi(systemErrorText(error)); }

    setuplab::SpoolerState spooler_;
    setuplab::StandInJournals journals_;
    std::unique_ptr<setuplab::ScopedSystemFile> ntMonitor_;
    std::unique_ptr<setuplab::ScopedSystemFile> nineXMonitor_;
    std::unique_ptr<setuplab::ActionFolder> folder_;
    std::unique_ptr<setuplab::ScopedRunnerVersion> version_;
};

// Report details for a failing expectation.
inline std::string describe(const setuplab::RunReport& report) { return "runner output:\n" + report.output; }
