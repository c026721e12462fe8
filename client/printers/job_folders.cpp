#include "job_folders.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "delete_tree.h"
#include "error_msg.h"
#include "handles.h"
#include "paths.h"

namespace {
void clearReadOnly(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}
}  // namespace

bool isPurgeableJobsPath(const std::wstring& jobsPath) {
    std::wstring path = jobsPath;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    bool drivePath = path.size() > 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    bool sharePath = path.size() > 4 && path.compare(0, 2, L"\\\\") == 0;
    return drivePath || sharePath;
}

int deleteJobFolders(const std::wstring& jobsPath) {
    if (!isPurgeableJobsPath(jobsPath)) return 0;
    std::wstring root = jobsPath;
    if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((root + L"*").c_str(), &found));
    if (!search) return 0;
    do {
        std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            folders.push_back(root + name);
    } while (FindNextFileW(search.get(), &found));

    int deleted = 0;
    for (const std::wstring& folder : folders)
        if (deleteJobFolder(folder)) ++deleted;
    return deleted;
}

bool deleteJobFolder(const std::wstring& folder) {
    if (!isPurgeableJobsPath(folder)) return false;
    try {
        for (const std::wstring& file : bvfsListFiles(folder)) clearReadOnly(file);
        for (const std::wstring& inner : bvfsListFolders(folder)) clearReadOnly(inner);
        clearReadOnly(folder);
        return DeleteTreeU(folder);
    } catch (const cERROR_MSG&) {
        return false;
    }
}
