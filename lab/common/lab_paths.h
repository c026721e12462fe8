#pragma once
// Folders and files the lab's fixtures and tests work with.
#include <windows.h>

#include <string>

namespace lab {

// The folder of the running program, ending in a backslash.
std::wstring programFolder();

// The system folder (system32), ending in a backslash.
std::wstring systemFolder();

bool fileExists(const std::wstring& path);

// A new, empty folder under the temporary folder; removed with its files when the
// object goes away.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"lab");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in a backslash.
    const std::wstring& path() const { return m_path; }
    std::wstring file(const std::wstring& name) const { return m_path + name; }

private:
    std::wstring m_path;
};

// Whole-file helpers (bytes as they are on disk). Throw cERROR_MSG on failure.
std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace lab
