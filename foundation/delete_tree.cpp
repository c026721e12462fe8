#include "delete_tree.h"

#include <windows.h>

#include "error_msg.h"
#include "list.h"
#include "paths.h"
#include "text_convert.h"

namespace {
bool isProtectedAsWritten(const std::wstring& path) {
    if (path.size() < 5) return true;
    LIST<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.append(path.substr(start, end - start));
        start = end + 1;
    }
    return parts.count() == 2 &&
           (_wcsicmp(parts[1].c_str(), L"brisvel") == 0 || _wcsicmp(parts[1].c_str(), L"talvenor") == 0);
}
}  // namespace

// The full form is checked too, so that "C:\x\..\brisvel" or a relative name cannot slip through.
bool isProtectedDeletePath(const std::wstring& path) {
    if (isProtectedAsWritten(path)) return true;
    try {
        return isProtectedAsWritten(bvfsFullPath(L"", path));
    } catch (const cERROR_MSG&) {
        return true;
    }
}

bool DeleteTreeU(const std::wstring& path) {
    if (isProtectedDeletePath(path))
        throw cERROR_MSG(BV_ERR_GENERAL, "****** DeleteTreeU protected path supplied: %s", toAnsi(path).c_str());
    for (const std::wstring& file : bvfsListFiles(path)) DeleteFileW(file.c_str());
    LIST<std::wstring> folders = bvfsListFolders(path);
    for (int i = folders.count() - 1; i >= 0; --i) RemoveDirectoryW(folders[i].c_str());
    return RemoveDirectoryW(path.c_str()) != FALSE;
}
