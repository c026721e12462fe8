#pragma once
// Tests register lab-recorder.exe as the program of a file type (".htm" for the
// browser, ".msi" for the update package starter) and read what it recorded.
#include "lab_process.h"
#include "lab_registry.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace lab {

extern const wchar_t kRecorderLogVariable[];  // "KELO_RECORDER_LOG"

// lab-recorder.exe in the folder of the running program (the build copies it there).
std::wstring recorderProgram();

// The usual open command for a program: "<program>" "%1".
std::wstring openCommandFor(const std::wstring& program);

// Makes files with the extension open with the command for the life of the object:
// HKEY_CLASSES_ROOT\<extension> names the class, and the class's shell\open\command
// holds the command. Both keys are put back exactly as they were afterwards. Registry
// names ignore letter case, so ".htm" serves ".HTM" as well. Throws cERROR_MSG.
class FileAssociation {
public:
    FileAssociation(const std::wstring& extension, const std::wstring& className, const std::wstring& command);

private:
    // Captured before the association is written; restored when it goes.
    RegistryBackup m_extensionKey;
    RegistryBackup m_classKey;
};

// The recorder as the browser: ".htm" files of class "htmlfile" open with it.
FileAssociation recorderAsBrowser();
// The recorder as the Windows Installer: ".msi" files of class "Msi.Package" open with
// "<recorder>" /i "<package>".
FileAssociation recorderAsPackageStarter();

// A fresh log file for the recorder, named in KELO_RECORDER_LOG for this process and
// the programs it starts, for the life of the object.
class RecorderLog {
public:
    explicit RecorderLog(const std::wstring& path);
    ~RecorderLog();
    RecorderLog(const RecorderLog&) = delete;
    RecorderLog& operator=(const RecorderLog&) = delete;

    const std::wstring& path() const { return m_path; }
    // The recorded command lines, oldest first.
    std::vector<std::wstring> lines() const;
    // Waits until at least the given number of lines were recorded.
    bool waitForLines(size_t count, DWORD timeoutMs = 10000) const;

private:
    std::wstring m_path;
    std::unique_ptr<ScopedEnvironment> m_variable;
};

// The parameter text of a command line: what follows the program name (quoted or not)
// and the blanks after it.
std::wstring parametersOf(const std::wstring& commandLine);
// The address a browser started with this command line opens: the parameter text,
// without the quotation marks around it when it is one quoted argument.
std::wstring pageOf(const std::wstring& commandLine);

}  // namespace lab
