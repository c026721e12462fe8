#include "job_folder.h"

#include <windows.h>

#include <cwchar>

#include "paths.h"

namespace engine {
namespace {

std::wstring hex(uint64_t value) {
    wchar_t text[24] = {};
    swprintf(text, 24, L"%llx", (unsigned long long)value);
    return text;
}

}  // namespace

std::wstring determineJobsPath() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        bvfsCreateFolderTree(L"C:\\temp");
        return L"C:\\temp\\";
    }
    std::wstring path(temp, length);
    if (path.back() != L'\\') path += L'\\';
    path += L"KeloJobs\\";
    bvfsCreateFolderTree(path.c_str());
    return path;
}

std::wstring sanitisedJobName(const std::wstring& name) {
    std::wstring sanitised = name;
    for (wchar_t& c : sanitised)
        if (wcschr(L"\\:/*?<>|", c) && c != L'\0') c = L'_';
    return sanitised;
}

std::wstring chooseJobFolder(const std::wstring& printerFolder, const std::wstring& jobName, uintptr_t identity) {
    std::wstring base = printerFolder + sanitisedJobName(jobName) + L"_" + hex(identity);
    std::wstring candidate = base;
    for (uint64_t counter = 0; bvfsFileExists(candidate.c_str()); ++counter) candidate = base + L"_" + hex(counter);
    return candidate;
}

}  // namespace engine
