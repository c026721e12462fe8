#include "setup_lab.h"

#include <winspool.h>

#include <sstream>

#include "error_msg.h"
#include "handles.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "lab_text.h"

namespace setuplab {

const wchar_t kRunnerName[] = L"setup-action-runner.exe";
const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port";
const wchar_t kPrintersKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

namespace {

const wchar_t kPrintUiLog[] = L"KELO_PRINTUI_LOG";

void copyBeside(const std::wstring& name, const std::wstring& folder, const std::wstring& as) {
    std::wstring source = lab::programFolder() + name;
    if (!CopyFileW(source.c_str(), (folder + as).c_str(), FALSE))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot copy %s: %s", lab::toUtf8(source).c_str(),
                         lab::errorText(GetLastError()).c_str());
}

std::vector<std::wstring> split(const std::wstring& line, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t end; (end = line.find(separator, start)) != std::wstring::npos; start = end + 1)
        parts.push_back(line.substr(start, end - start));
    parts.push_back(line.substr(start));
    return parts;
}

std::wstring unescaped(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && (text[i + 1] == L'n' || text[i + 1] == L't')) {
            result += text[++i] == L'n' ? L'\n' : L'\t';
        } else {
            result += text[i];
        }
    }
    return result;
}

std::vector<std::wstring> readLines(const std::wstring& path) {
    if (!lab::fileExists(path)) return {};
    return lines(lab::readFileBytes(path));
}

BOOL CALLBACK collectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<DWORD, std::wstring>*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->first || !IsWindowVisible(window)) return TRUE;
    wchar_t caption[512] = {}, message[2048] = {};
    GetWindowTextW(window, caption, 512);
    if (HWND text = GetDlgItem(window, 0xFFFF)) GetWindowTextW(text, message, 2048);
    search->second += L"[" + std::wstring(caption) + L": " + message + L"] ";
    return TRUE;
}

}  // namespace

std::wstring SpoolerCall::field(const std::wstring& key) const {
    auto found = fields.find(key);
    return found == fields.end() ? L"<missing>" : found->second;
}

std::vector<std::wstring> lines(const std::string& utf8) {
    std::vector<std::wstring> result;
    for (std::wstring line : split(lab::fromUtf8(utf8), L'\n')) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!line.empty()) result.push_back(line);
    }
    return result;
}

RunReport RunReport::parse(const std::string& output) {
    RunReport report;
    report.output = output;
    for (const std::wstring& line : lines(output)) {
        std::vector<std::wstring> parts = split(line, L'\t');
        if (parts[0] == L"platform" && parts.size() == 2) {
            report.platform = _wtoi(parts[1].c_str());
        } else if (parts[0] == L"result" && parts.size() == 2) {
            report.result = wcstoul(parts[1].c_str(), nullptr, 10);
        } else if (parts[0] == L"dialog" && parts.size() == 4) {
            report.dialogs.push_back({unescaped(parts[1]), unescaped(parts[2]), parts[3]});
        } else if (parts[0] == L"installer" && parts.size() == 3) {
            report.installerMessages.push_back({parts[1], unescaped(parts[2])});
        } else if (parts[0] == L"spooler" && parts.size() >= 2) {
            SpoolerCall call{parts[1], {}};
            for (size_t i = 2; i < parts.size(); ++i) {
                size_t equals = parts[i].find(L'=');
                call.fields[parts[i].substr(0, equals)] =
                    equals == std::wstring::npos ? L"" : parts[i].substr(equals + 1);
            }
            report.spoolerCalls.push_back(call);
        }
    }
    return report;
}

std::vector<SpoolerCall> RunReport::calls(const std::wstring& name) const {
    std::vector<SpoolerCall> found;
    for (const SpoolerCall& call : spoolerCalls)
        if (call.name.compare(0, name.size(), name) == 0) found.push_back(call);
    return found;
}

ActionFolder::ActionFolder(PrintUi printUi) : m_folder(L"kelo-setup") {
    copyBeside(kRunnerName, path(), kRunnerName);
    copyBeside(L"KeloSetup.dll", path(), L"KeloSetup.dll");
    switch (printUi) {
    case PrintUi::Wide: copyBeside(L"printui_wide.dll", path(), L"printui.dll"); break;
    case PrintUi::Ansi: copyBeside(L"printui_ansi.dll", path(), L"printui.dll"); break;
    case PrintUi::Plain: copyBeside(L"printui_plain.dll", path(), L"printui.dll"); break;
    case PrintUi::NoEntry: copyBeside(L"printui_none.dll", path(), L"printui.dll"); break;
    case PrintUi::System: break;
    }
}

ActionRun::ActionRun(const ActionFolder& folder, const std::wstring& exportName,
                     const std::vector<std::wstring>& arguments) {
    m_outputPath = folder.path() + L"run-" + std::to_wstring(GetTickCount()) + L".out";
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    FileHandle output(CreateFileW(m_outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create the run's output file");
    std::wstring commandLine = lab::quoteArgument(folder.path() + kRunnerName) + L" " + exportName;
    for (const std::wstring& argument : arguments) commandLine += L" " + lab::quoteArgument(argument);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION started = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.path().c_str(), &startup,
                        &started))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot start the runner: %s", lab::errorText(GetLastError()).c_str());
    CloseHandle(started.hThread);
    m_process = started.hProcess;
    m_processId = started.dwProcessId;
}

ActionRun::~ActionRun() {
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 10000);
    }
    CloseHandle(m_process);
}

RunReport ActionRun::finish(DWORD timeoutMs) {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) {
        std::wstring windows = visibleWindows();
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 10000);
        RunReport report = RunReport::parse(lab::readFileBytes(m_outputPath));
        report.result.reset();
        report.output += "\n(still running; windows: " + lab::toUtf8(windows) + ")";
        return report;
    }
    return RunReport::parse(lab::readFileBytes(m_outputPath));
}

std::wstring ActionRun::visibleWindows() const {
    std::pair<DWORD, std::wstring> search(m_processId, L"");
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

ScopedRunnerVersion::ScopedRunnerVersion(const std::wstring& version)
    : m_backup(HKEY_CURRENT_USER, std::wstring(L"Software\\Wine\\AppDefaults\\") + kRunnerName) {
    lab::writeRegistryString(HKEY_CURRENT_USER, std::wstring(L"Software\\Wine\\AppDefaults\\") + kRunnerName,
                             L"Version", version);
}

ScopedSystemFile::ScopedSystemFile(const std::wstring& name, const std::wstring& source)
    : m_path(lab::systemFolder() + name) {
    if (lab::fileExists(m_path)) m_previous = lab::readFileBytes(m_path);
    if (!CopyFileW(source.c_str(), m_path.c_str(), FALSE))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot copy %s into the system folder: %s", lab::toUtf8(source).c_str(),
                         lab::errorText(GetLastError()).c_str());
}

ScopedSystemFile::~ScopedSystemFile() {
    try {
        if (m_previous)
            lab::writeFileBytes(m_path, *m_previous);
        else
            DeleteFileW(m_path.c_str());
    } catch (const cERROR_MSG&) {
    }
}

SpoolerState::SpoolerState() {
    lab::ensureDriver();
    m_backups.push_back(std::make_unique<lab::RegistryBackup>(HKEY_LOCAL_MACHINE, kPrintersKey));
    m_backups.push_back(std::make_unique<lab::RegistryBackup>(HKEY_LOCAL_MACHINE, kMonitorKey));
    m_backups.push_back(std::make_unique<lab::RegistryBackup>(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices"));
    m_backups.push_back(std::make_unique<lab::RegistryBackup>(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"));
}

SpoolerState::~SpoolerState() {
    // Restored in reverse order of saving.
    while (!m_backups.empty()) m_backups.pop_back();
}

namespace {
const wchar_t kNineXEnvironment[] = L"Windows 4.0";

std::wstring driverFolder(const wchar_t* environment) {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(environment), 1, reinterpret_cast<LPBYTE>(folder),
                                    sizeof folder, &needed))
        throw cERROR_MSG(BV_ERR_GENERAL, "No printer driver folder: %s", lab::errorText(GetLastError()).c_str());
    return std::wstring(folder) + L"\\";
}
}  // namespace

ScopedNineXDriver::ScopedNineXDriver()
    : m_backup(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0") {
    lab::ensureDriver();
    // Wine makes the environment's folder when asked for it.
    std::wstring folder = driverFolder(kNineXEnvironment);
    m_versionFolder = folder + L"0";
    m_versionFolderWasThere = lab::fileExists(m_versionFolder);
    m_ppdSource = folder + L"ZOLT.PPD";
    m_ppdSourceWasThere = lab::fileExists(m_ppdSource);
    lab::writeFileBytes(m_ppdSource, lab::zoltPpdText());
    DRIVER_INFO_3W info = {};
    info.cVersion = 0;
    info.pName = const_cast<LPWSTR>(lab::kZoltDriverName);
    info.pEnvironment = const_cast<LPWSTR>(kNineXEnvironment);
    info.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    info.pDataFile = const_cast<LPWSTR>(L"ZOLT.PPD");
    info.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    info.pDefaultDataType = const_cast<LPWSTR>(L"RAW");
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot install the Windows 9x driver: %s",
                         lab::errorText(GetLastError()).c_str());
}

ScopedNineXDriver::~ScopedNineXDriver() {
    if (!m_ppdSourceWasThere) DeleteFileW(m_ppdSource.c_str());
    if (m_versionFolderWasThere) return;
    DeleteFileW((m_versionFolder + L"\\ZOLT.PPD").c_str());
    RemoveDirectoryW(m_versionFolder.c_str());
}

PrintUiJournal::PrintUiJournal() : m_folder(L"kelo-printui") {
    SetEnvironmentVariableW(kPrintUiLog, m_folder.file(L"printui.log").c_str());
}

PrintUiJournal::~PrintUiJournal() { SetEnvironmentVariableW(kPrintUiLog, nullptr); }

std::vector<std::wstring> PrintUiJournal::lines() const { return readLines(m_folder.file(L"printui.log")); }

Sleeper::Sleeper(const std::wstring& folder, const std::wstring& fileName) {
    std::wstring path = folder + fileName;
    if (!CopyFileW((lab::programFolder() + L"setup-test-sleeper.exe").c_str(), path.c_str(), FALSE))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot copy the sleeper: %s", lab::errorText(GetLastError()).c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    std::wstring commandLine = lab::quoteArgument(path);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot start the sleeper: %s", lab::errorText(GetLastError()).c_str());
    CloseHandle(started.hThread);
    m_process = started.hProcess;
}

Sleeper::~Sleeper() {
    if (running()) {
        TerminateProcess(m_process, 0);
        WaitForSingleObject(m_process, 10000);
    }
    CloseHandle(m_process);
}

bool Sleeper::running() const { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Sleeper::waitForEnd(DWORD timeoutMs) const {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

std::optional<std::wstring> registryString(const std::wstring& path, const std::wstring& valueName) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return std::nullopt;
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<DWORD> registryNumber(const std::wstring& path, const std::wstring& valueName) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

bool registryKeyExists(const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

std::vector<std::wstring> registrySubkeys(const std::wstring& path) {
    std::vector<std::wstring> names;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

}  // namespace setuplab
