#pragma once
// The lab of the installer's tests: a custom action runs in setup-action-runner.exe,
// copied with KeloSetup.dll and a printer UI stand-in into a folder of its own and started
// under the Windows version a case needs, against the lab's spooler, whose printers,
// monitor and printer lists are put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_registry.h"
#include "lab_text.h"

namespace setuplab {

using Run = std::unique_ptr<lab::gui::ProgramUnderTest>;

extern const wchar_t kMonitorKey[];   // SYSTEM\...\Print\Monitors\ZOLT Print Port (under HKLM)
extern const wchar_t kPrintersKey[];  // SYSTEM\...\Print\Printers (under HKLM)

// The lines of the text that start with this.
std::vector<std::string> linesOf(const std::string& text, const std::string& start = "");

// What the runner printed (action_runner_main.cpp) and its result, none when it had to
// be ended.
struct RunReport {
    std::optional<DWORD> result;
    std::string output;

    std::vector<std::string> lines(const std::string& start) const { return linesOf(output, start); }
    int platform() const;
    // The answers to one recorded spooler call ("AddPrinterW"), "result=<0|1> TAB
    // error=<n>" each, separated by ", ".
    std::string spooler(const std::string& call) const;
};

// The runner's folder; printUi is the stand-in copied as printui.dll ("" for none).
class ActionFolder {
public:
    explicit ActionFolder(const std::wstring& printUi = L"printui_wide.dll");
    Run start(const std::wstring& action, const std::vector<std::wstring>& arguments) const;
    // The calls the stand-in recorded: "<entry> <command>".
    std::vector<std::string> printUiCalls() const;

private:
    lab::TempFolder m_folder{L"kelo-setup"};
};

// Waits for the end (a run still going after the timeout is ended) and reads the report.
RunReport finish(lab::gui::ProgramUnderTest& run, DWORD timeoutMs = 60000);
// The Windows version Wine reports to the runner ("winxp", "nt40", "win98"...) until the
// returned backup goes.
std::unique_ptr<lab::RegistryBackup> runnerVersion(const std::wstring& version);

// A file of the program's folder put into the system folder for a while.
class ScopedSystemFile {
public:
    ScopedSystemFile(const std::wstring& name, const std::wstring& source);
    ~ScopedSystemFile();

private:
    std::wstring m_path;
    std::optional<std::string> m_previous;
};

// The spooler state that installations change, put back in reverse order: printers,
// the monitor's registration and ports, the user's printer lists. The driver
// "ZOLT Print Driver" stands in for the INF installation.
struct SpoolerState {
    bool m_driver = (lab::ensureDriver(), true);
    lab::RegistryBackup m_printers{HKEY_LOCAL_MACHINE, kPrintersKey};
    lab::RegistryBackup m_monitor{HKEY_LOCAL_MACHINE, kMonitorKey};
    lab::RegistryBackup m_devices{HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices"};
    lab::RegistryBackup m_ports{HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"};
};

// A value under HKEY_LOCAL_MACHINE: REG_SZ as it is, REG_DWORD in decimal.
std::optional<std::wstring> registryValue(const std::wstring& path, const std::wstring& name);

}  // namespace setuplab

// The fixture of the keloInstallPrinter tests: the spooler's state put back, the
// monitor in the system folder, a runner folder with the wide printer UI stand-in.
class InstallationTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kSite = L"Print Site";
    static constexpr const wchar_t* kServerIp = L"192.0.2.10";

    void useVersion(const std::wstring& version) {
        m_version.reset();
        m_version = setuplab::runnerVersion(version);
    }
    // The installer's properties for a site, then more arguments for the runner.
    static std::vector<std::wstring> site(const std::wstring& name = kSite, const std::wstring& serverIp = kServerIp,
                                          std::initializer_list<std::wstring> more = {}) {
        std::vector<std::wstring> arguments{L"INSTALLDIR=C:\\Program Files\\Kelo Print Driver\\",
                                            L"INSTALL_IP=" + serverIp, L"INSTALL_SITE=" + name};
        arguments.insert(arguments.end(), more);
        return arguments;
    }
    setuplab::Run start(const std::vector<std::wstring>& arguments) {
        return m_folder->start(L"keloInstallPrinter", arguments);
    }
    setuplab::RunReport install(const std::vector<std::wstring>& arguments) {
        return setuplab::finish(*start(arguments));
    }

    // A window of the run with this caption (not the one excluded), or a failure.
    static HWND waitFor(const setuplab::Run& run, const std::wstring& caption, HWND excluding = nullptr) {
        HWND window = lab::gui::waitForWindow(caption, 30000, run->processId(), excluding);
        if (!window) ADD_FAILURE() << "no window \"" << lab::toUtf8(caption) << "\"; output:\n" << run->output();
        return window;
    }
    // Checks a message box's text and answers it.
    static void answer(const setuplab::Run& run, const std::wstring& caption, const std::wstring& message,
                       HWND excluding = nullptr, int button = IDOK) {
        HWND box = waitFor(run, caption, excluding);
        if (!box) return;
        EXPECT_EQ(lab::toUtf8(lab::gui::messageBoxText(box)), lab::toUtf8(message));
        lab::gui::click(box, button);
        lab::gui::waitForWindowGone(box);
    }

    static std::optional<lab::PrinterEntry> printer(const std::wstring& name) {
        for (const lab::PrinterEntry& entry : lab::listPrinters())
            if (entry.name == name) return entry;
        return std::nullopt;
    }
    // The printer's entry, or one named "<missing>".
    static lab::PrinterEntry entryOf(const std::wstring& name) {
        return printer(name).value_or(lab::PrinterEntry{L"<missing>"});
    }
    static std::optional<std::wstring> driverData(const std::wstring& printerKey, const std::wstring& value) {
        return setuplab::registryValue(
            std::wstring(setuplab::kPrintersKey) + L"\\" + printerKey + L"\\PrinterDriverData", value);
    }
    // A printer of this system: on the port, with the driver data the installer writes
    // (under the registry key of that name).
    static void expectKeloPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverIp) {
        EXPECT_EQ(entryOf(name).port, port) << lab::toUtf8(name);
        EXPECT_EQ(entryOf(name).driver, L"ZOLT Print Driver");
        EXPECT_EQ(driverData(name, L"keloServerIp"), serverIp) << lab::toUtf8(name);
        EXPECT_EQ(driverData(name, L"Mfg"), std::wstring(L"Vorlane"));
        EXPECT_EQ(driverData(name, L"KeloDriverID"), std::wstring(L"stdPrinterDriver"));
    }
    // The monitor marks every port it has read from the registry inactive.
    static std::optional<std::wstring> portActive(const std::wstring& port) {
        return setuplab::registryValue(std::wstring(setuplab::kMonitorKey) + L"\\Private\\" + port, L"active");
    }
    static std::wstring systemText(DWORD error);

    setuplab::SpoolerState m_spooler;
    setuplab::ScopedSystemFile m_ntMonitor{L"ZoltPort.dll", L"ZoltPort.dll"};
    std::unique_ptr<setuplab::ActionFolder> m_folder = std::make_unique<setuplab::ActionFolder>();
    std::unique_ptr<lab::RegistryBackup> m_version;
};
