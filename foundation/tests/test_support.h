#pragma once
// Helpers shared by the foundation tests.
#include <windows.h>

#include <filesystem>
#include <string>

#include "error_msg.h"

// The message of the cERROR_MSG the call throws, or "<no error>".
template <typename Call>
std::string errorMessageOf(Call&& call, uint32_t* code = nullptr) {
    try {
        call();
    } catch (const cERROR_MSG& error) {
        if (code) *code = error.code;
        return error.message;
    }
    return "<no error>";
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        static int serial = 0;
        m_path = (std::filesystem::temp_directory_path() /
                  (L"kelo-foundation-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial)))
                     .wstring();
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

inline void writeFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), (DWORD)content.size(), &written, nullptr);
    CloseHandle(file);
}
