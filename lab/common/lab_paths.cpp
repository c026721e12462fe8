#include "lab_paths.h"

#include "error_msg.h"
#include "handles.h"
#include "lab_text.h"

#include <shellapi.h>

namespace lab {

std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring systemFolder() {
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    std::wstring folder(path, length);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TempFolder::TempFolder(const std::wstring& prefix) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (unsigned attempt = 0;; attempt++) {
        std::wstring candidate = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            m_path = candidate + L"\\";
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 1000)
            throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create a temporary folder: %s", errorText(GetLastError()).c_str());
    }
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a list ended by two zeros.
    std::wstring from = m_path.substr(0, m_path.size() - 1);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

std::string readFileBytes(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot open %s: %s", toUtf8(path).c_str(), errorText(GetLastError()).c_str());
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create %s: %s", toUtf8(path).c_str(),
                         errorText(GetLastError()).c_str());
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.get(), bytes.data(), (DWORD)bytes.size(), &written, nullptr) || written != bytes.size()))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot write %s: %s", toUtf8(path).c_str(),
                         errorText(GetLastError()).c_str());
}

}  // namespace lab
