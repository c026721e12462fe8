#pragma once
// The lab of the installation tests: the custom actions run in setup-action-runner.exe
// (started from a folder of its own, with the printer UI stand-in and the Windows version
// the test asks for), against the lab's spooler, with every printer, monitor and
// registry change put back afterwards.
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lab_paths.h"
#include "lab_registry.h"

namespace setuplab {

extern const wchar_t kRunnerName[];   // "setup-action-runner.exe"
extern const wchar_t kMonitorKey[];   // SYSTEM\...\Print\Monitors\ZOLT Print Port (under HKLM)
extern const wchar_t kPrintersKey[];  // SYSTEM\...\Print\Printers (under HKLM)

struct SpoolerCall {
    std::wstring name;  // AddPrinterW, AddMonitorA, ...
    std::map<std::wstring, std::wstring> fields;
    std::wstring field(const std::wstring& key) const;
};

struct Dialog {
    std::wstring caption;
    std::wstring message;
    std::wstring icons;  // "<big>x<big> <small>x<small>", in pixels
};

// What the runner reported.
struct RunReport {
    int platform = -1;
    std::optional<DWORD> result;
    std::vector<SpoolerCall> spoolerCalls;
    std::vector<Dialog> dialogs;
    std::vector<std::pair<std::wstring, std::wstring>> installerMessages;  // "error" or "info", text
    std::string output;

    static RunReport parse(const std::string& output);
    // The calls whose name starts with this ("AddPrinter" gives the A and W forms).
    std::vector<SpoolerCall> calls(const std::wstring& name) const;
};

// Which printer UI library the action finds first.
enum class PrintUi { Wide, Ansi, Plain, NoEntry, System };

// A folder with the runner and KeloSetup.dll (and the printer UI stand-in as printui.dll).
class ActionFolder {
public:
    explicit ActionFolder(PrintUi printUi = PrintUi::Wide);
    const std::wstring& path() const { return m_folder.path(); }

private:
    lab::TempFolder m_folder;
};

// One run of a custom action in its own process, ended when the object goes.
class ActionRun {
public:
    ActionRun(const ActionFolder& folder, const std::wstring& exportName, const std::vector<std::wstring>& arguments);
    ~ActionRun();
    ActionRun(const ActionRun&) = delete;
    ActionRun& operator=(const ActionRun&) = delete;

    DWORD processId() const { return m_processId; }
    // Waits for the end and reads the report; a run still going after the timeout is
    // ended and its report has no result.
    RunReport finish(DWORD timeoutMs = 60000);
    // The captions and messages of the run's visible windows (for failure messages).
    std::wstring visibleWindows() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    std::wstring m_outputPath;
};

// The Windows version Wine reports to the runner (e.g. "winxp", "win2k", "nt40",
// "win98", "win7"), for the life of the object.
class ScopedRunnerVersion {
public:
    explicit ScopedRunnerVersion(const std::wstring& version);

private:
    lab::RegistryBackup m_backup;
};

// A file put into the system folder for a while; what was there before comes back.
class ScopedSystemFile {
public:
    ScopedSystemFile(const std::wstring& name, const std::wstring& source);
    ~ScopedSystemFile();
    ScopedSystemFile(const ScopedSystemFile&) = delete;
    ScopedSystemFile& operator=(const ScopedSystemFile&) = delete;

private:
    std::wstring m_path;
    std::optional<std::string> m_previous;
};

// The spooler's state that installations change, saved when made and put back when it
// goes: printers, the monitor's registration and ports, the user's printer lists. It also
// installs the driver "ZOLT Print Driver", which stands in for the INF installation.
class SpoolerState {
public:
    SpoolerState();
    ~SpoolerState();
    SpoolerState(const SpoolerState&) = delete;
    SpoolerState& operator=(const SpoolerState&) = delete;

private:
    std::vector<std::unique_ptr<lab::RegistryBackup>> m_backups;
};

// The driver "ZOLT Print Driver" also for Windows 9x (environment "Windows 4.0"), as the
// INF installation leaves it on such a system: Wine looks a printer's driver up in the
// environment of the Windows version it reports. Removed again when the object goes.
class ScopedNineXDriver {
public:
    ScopedNineXDriver();
    ~ScopedNineXDriver();
    ScopedNineXDriver(const ScopedNineXDriver&) = delete;
    ScopedNineXDriver& operator=(const ScopedNineXDriver&) = delete;

private:
    lab::RegistryBackup m_backup;
    // The PPD file given to the spooler, and the version folder it copies it into; what
    // was there before stays.
    std::wstring m_ppdSource;
    std::wstring m_versionFolder;
    bool m_ppdSourceWasThere = false;
    bool m_versionFolderWasThere = false;
};

// The journal of the printer UI stand-in, in a temporary folder named to it through the
// environment for the life of the object.
class PrintUiJournal {
public:
    PrintUiJournal();
    ~PrintUiJournal();
    std::vector<std::wstring> lines() const;

private:
    lab::TempFolder m_folder;
};

// A copy of the idle test program under another name, running until it is ended.
class Sleeper {
public:
    Sleeper(const std::wstring& folder, const std::wstring& fileName);
    ~Sleeper();
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;
    bool running() const;
    // The exit code once it has ended within the timeout.
    std::optional<DWORD> waitForEnd(DWORD timeoutMs) const;

private:
    HANDLE m_process = nullptr;
};

// Registry helpers for the checks.
std::optional<std::wstring> registryString(const std::wstring& path, const std::wstring& valueName);
std::optional<DWORD> registryNumber(const std::wstring& path, const std::wstring& valueName);
bool registryKeyExists(const std::wstring& path);
std::vector<std::wstring> registrySubkeys(const std::wstring& path);

std::vector<std::wstring> lines(const std::string& utf8);

}  // namespace setuplab
