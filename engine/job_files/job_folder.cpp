#include "job_folder.h"

#include <windows.h>

#include <cwchar>

#include "paths.h"

namespace engine {
namespace {

// CreateDirectory leaves room for an 8.3 file name within MAX_PATH, which also leaves
// room for "\layout.ps" and "\job.xml".
const size_t kLongestFolder = MAX_PATH - 12 - 1;

std::wstring hex(uint64_t value) {
    wchar_t text[24] = {};
    swprintf(text, 24, L"%llx", (unsigned long long)value);
    return text;
}

// printerFolder + name + suffix, the name cut to what fits in kLongestFolder.
std::wstring folderWithin(const std::wstring& printerFolder, const std::wstring& name, const std::wstring& suffix) {
    size_t fixed = printerFolder.size() + suffix.size();
    size_t room = fixed < kLongestFolder ? kLongestFolder - fixed : 0;
    size_t kept = name.size() < room ? name.size() : room;
    if (kept > 0 && kept < name.size() && IS_HIGH_SURROGATE(name[kept - 1])) --kept;
    return printerFolder + name.substr(0, kept) + suffix;
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
        if (c < 32 || wcschr(L"\\:/*?<>|\"", c)) c = L'_';
    return sanitised;
}

std::wstring chooseJobFolder(const std::wstring& printerFolder, const std::wstring& jobName, uintptr_t identity) {
    const std::wstring name = sanitisedJobName(jobName), identitySuffix = L"_" + hex(identity);
    std::wstring candidate = folderWithin(printerFolder, name, identitySuffix);
    for (uint64_t counter = 0; bvfsFileExists(candidate.c_str()); ++counter)
        candidate = folderWithin(printerFolder, name, identitySuffix + L"_" + hex(counter));
    return candidate;
}

}  // namespace engine
