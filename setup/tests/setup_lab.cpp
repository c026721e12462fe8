#include "setup_lab.h"

#include <algorithm>

#include "error_msg.h"
#include "error_text.h"
#include "lab_process.h"

namespace setuplab {

const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port";
const wchar_t kPrintersKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

static void copyProgramFile(const std::wstring& name, const std::wstring& to) {
    if (!CopyFileW((lab::programFolder() + name).c_str(), to.c_str(), FALSE))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot copy %s: %s", lab::toUtf8(name).c_str(),
                         lab::errorText(GetLastError()).c_str());
}

std::vector<std::string> linesOf(const std::string& text, const std::string& start) {
    std::vector<std::string> found;
    for (size_t begin = 0, end; begin < text.size(); begin = end + 1) {
        end = std::min(text.find('\n', begin), text.size());
        std::string line = text.substr(begin, end - begin);
        if (line.compare(0, start.size(), start) == 0) found.push_back(line);
    }
    return found;
}

int RunReport::platform() const {
    std::vector<std::string> found = lines("platform\t");
    return found.empty() ? -1 : atoi(found[0].c_str() + 9);
}

std::string RunReport::spooler(const std::string& call) const {
    std::string answers;
    for (const std::string& line : lines("spooler\t" + call + "\t"))
        answers += (answers.empty() ? "" : ", ") + line.substr(call.size() + 9);
    return answers;
}

ActionFolder::ActionFolder(const std::wstring& printUi) {
    copyProgramFile(L"setup-action-runner.exe", m_folder.file(L"setup-action-runner.exe"));
    copyProgramFile(L"KeloSetup.dll", m_folder.file(L"KeloSetup.dll"));
    if (!printUi.empty()) copyProgramFile(printUi, m_folder.file(L"printui.dll"));
}

Run ActionFolder::start(const std::wstring& action, const std::vector<std::wstring>& arguments) const {
    std::wstring commandLine = lab::quoteArgument(m_folder.file(L"setup-action-runner.exe")) + L" " + action;
    for (const std::wstring& argument : arguments) commandLine += L" " + lab::quoteArgument(argument);
    return std::make_unique<lab::gui::ProgramUnderTest>(commandLine);
}

std::vector<std::string> ActionFolder::printUiCalls() const {
    std::wstring journal = m_folder.file(L"printui.log");
    return lab::fileExists(journal) ? linesOf(lab::readFileBytes(journal)) : std::vector<std::string>();
}

RunReport finish(lab::gui::ProgramUnderTest& run, DWORD timeoutMs) {
    RunReport report;
    report.result = run.waitForExit(timeoutMs);
    run.terminate();
    report.output = run.output();
    if (!report.result) report.output += "\n(ended after the timeout)";
    return report;
}

std::unique_ptr<lab::RegistryBackup> runnerVersion(const std::wstring& version) {
    const wchar_t key[] = L"Software\\Wine\\AppDefaults\\setup-action-runner.exe";
    auto backup = std::make_unique<lab::RegistryBackup>(HKEY_CURRENT_USER, key);
    lab::writeRegistryString(HKEY_CURRENT_USER, key, L"Version", version);
    return backup;
}

ScopedSystemFile::ScopedSystemFile(const std::wstring& name, const std::wstring& source)
    : m_path(lab::systemFolder() + name) {
    if (lab::fileExists(m_path)) m_previous = lab::readFileBytes(m_path);
    copyProgramFile(source, m_path);
}

ScopedSystemFile::~ScopedSystemFile() {
    try {
        if (m_previous) lab::writeFileBytes(m_path, *m_previous);
    } catch (const cERROR_MSG&) {
    }
    if (!m_previous) DeleteFileW(m_path.c_str());
}

std::optional<std::wstring> registryValue(const std::wstring& path, const std::wstring& name) {
    union {
        wchar_t text[1024];
        DWORD number;
    } data = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, &data,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return type == REG_DWORD ? std::to_wstring(data.number) : std::wstring(data.text);
}

}  // namespace setuplab

std::wstring InstallationTest::systemText(DWORD error) { return lab::fromAnsi(systemErrorText(error)); }
