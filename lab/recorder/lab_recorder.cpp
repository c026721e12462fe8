#include "lab_recorder.h"

#include "error_msg.h"
#include "lab_paths.h"
#include "lab_text.h"

namespace lab {

const wchar_t kRecorderLogVariable[] = L"KELO_RECORDER_LOG";

std::wstring recorderProgram() { return programFolder() + L"lab-recorder.exe"; }

std::wstring openCommandFor(const std::wstring& program) { return L"\"" + program + L"\" \"%1\""; }

FileAssociation::FileAssociation(const std::wstring& extension, const std::wstring& className,
                                 const std::wstring& command)
    : m_extensionKey(HKEY_CLASSES_ROOT, extension), m_classKey(HKEY_CLASSES_ROOT, className) {
    if (extension.size() < 2 || extension[0] != L'.' || className.empty())
        throw cERROR_MSG(BV_ERR_GENERAL, "Bad file association: %s %s", toUtf8(extension).c_str(),
                         toUtf8(className).c_str());
    writeRegistryString(HKEY_CLASSES_ROOT, extension, L"", className);
    // Other verbs and a DDE conversation of the old class would come before the command.
    deleteRegistryTree(HKEY_CLASSES_ROOT, className + L"\\shell");
    writeRegistryString(HKEY_CLASSES_ROOT, className + L"\\shell", L"", L"open");
    writeRegistryString(HKEY_CLASSES_ROOT, className + L"\\shell\\open\\command", L"", command);
}

FileAssociation recorderAsBrowser() { return FileAssociation(L".htm", L"htmlfile", openCommandFor(recorderProgram())); }

FileAssociation recorderAsPackageStarter() {
    return FileAssociation(L".msi", L"Msi.Package", L"\"" + recorderProgram() + L"\" /i \"%1\"");
}

RecorderLog::RecorderLog(const std::wstring& path) : m_path(path) {
    DeleteFileW(m_path.c_str());
    m_variable = std::make_unique<ScopedEnvironment>(kRecorderLogVariable, m_path);
}

RecorderLog::~RecorderLog() { DeleteFileW(m_path.c_str()); }

std::vector<std::wstring> RecorderLog::lines() const {
    std::vector<std::wstring> result;
    if (!fileExists(m_path)) return result;
    std::string text = readFileBytes(m_path);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) break;  // a line still being written
        result.push_back(fromUtf8(text.substr(start, end - start)));
        start = end + 2;
    }
    return result;
}

bool RecorderLog::waitForLines(size_t count, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    while (lines().size() < count) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::wstring parametersOf(const std::wstring& commandLine) {
    size_t position = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        position = commandLine.find(L'"', 1);
        position = position == std::wstring::npos ? commandLine.size() : position + 1;
    } else {
        position = commandLine.find_first_of(L" \t");
        if (position == std::wstring::npos) position = commandLine.size();
    }
    while (position < commandLine.size() && (commandLine[position] == L' ' || commandLine[position] == L'\t'))
        position++;
    return commandLine.substr(position);
}

std::wstring pageOf(const std::wstring& commandLine) {
    std::wstring parameters = parametersOf(commandLine);
    bool quoted = parameters.size() >= 2 && parameters.front() == L'"' && parameters.back() == L'"' &&
                  parameters.find(L'"', 1) == parameters.size() - 1;
    return quoted ? parameters.substr(1, parameters.size() - 2) : parameters;
}

}  // namespace lab
