#include "browser.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>

#include "text_convert.h"

namespace {
const char kProbeFile[] = "C:\\temphtm.HTM";
const char kProbeContent[] = "<HTML> <\\HTML>";

std::string trimmed(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return "";
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

void shellOpen(const std::string& program, const std::wstring& parameters) {
    std::string ansiParameters = toAnsi(parameters);
    ShellExecuteA(nullptr, "open", program.c_str(), ansiParameters.c_str(), nullptr, SW_SHOWNORMAL);
}
}  // namespace

void runURL(const std::wstring& commandLine) { shellOpen("iexplore.exe", commandLine); }

void runURLExternal(const std::wstring& commandLine) { shellOpen(toAnsi(findBrowser(true)), commandLine); }

std::string browserProgramOf(const std::string& found) {
    std::string program = trimmed(found);
    std::string lower = program;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    size_t exe = lower.find(".exe");
    if (exe != std::string::npos) program.erase(exe + 4);
    if (!program.empty() && program.front() == '"') {
        program.erase(0, 1);
        if (!program.empty() && program.back() == '"') program.pop_back();
    }
    return program;
}

std::wstring findBrowser(bool fallback) {
    HANDLE file = CreateFileA(kProbeFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, kProbeContent, sizeof kProbeContent - 1, &written, nullptr);
        CloseHandle(file);
    }
    char found[MAX_PATH + 1] = {};
    HINSTANCE result = FindExecutableA(kProbeFile, nullptr, found);
    std::string program = (INT_PTR)result > 32 ? browserProgramOf(found) : std::string();
    if (program.empty() && fallback) program = "iexplore.exe";
    return toWide(program);
}
