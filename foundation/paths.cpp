#include "paths.h"

#include <windows.h>

#include "error_msg.h"
#include "handles.h"
#include "text_convert.h"

namespace {
DWORD attributesOf(const wchar_t* path) { return GetFileAttributesW(path); }
DWORD attributesOf(const char* path) { return GetFileAttributesA(path); }
BOOL createDirectory(const wchar_t* path) { return CreateDirectoryW(path, nullptr); }
BOOL createDirectory(const char* path) { return CreateDirectoryA(path, nullptr); }
DWORD fullPathName(const wchar_t* path, DWORD size, wchar_t* buffer) {
    return GetFullPathNameW(path, size, buffer, nullptr);
}
DWORD fullPathName(const char* path, DWORD size, char* buffer) { return GetFullPathNameA(path, size, buffer, nullptr); }
std::string printable(const std::wstring& text) { return toAnsi(text); }
std::string printable(const std::string& text) { return text; }

template <typename Char>
bool isFolder(const Char* path) {
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Length of the part that is never created: "C:/" or "//server/share".
template <typename Char>
size_t rootLength(const std::basic_string<Char>& path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '/') return 3;
    if (path.compare(0, 2, std::basic_string<Char>(2, Char('/'))) != 0) return 0;
    size_t share = path.find(Char('/'), 2);
    if (share == std::basic_string<Char>::npos) return path.size();
    size_t end = path.find(Char('/'), share + 1);
    return end == std::basic_string<Char>::npos ? path.size() : end;
}

template <typename Char>
bool createFolderTree(const Char* path) {
    if (!path || !*path) return false;
    if (createDirectory(path) || isFolder(path)) return true;
    std::basic_string<Char> slashed(path);
    for (Char& c : slashed)
        if (c == '\\') c = '/';
    for (size_t slash = slashed.find(Char('/'), rootLength(slashed)); slash != std::basic_string<Char>::npos;
         slash = slashed.find(Char('/'), slash + 1)) {
        if (slash > 0) createDirectory(slashed.substr(0, slash).c_str());
    }
    createDirectory(slashed.c_str());
    return isFolder(path);
}

template <typename Char>
bool isSeparator(Char c) {
    return c == '\\' || c == '/';
}

template <typename Char>
std::basic_string<Char> fullPath(const std::basic_string<Char>& base, const std::basic_string<Char>& relative) {
    bool absolute = !relative.empty() && (isSeparator(relative[0]) || (relative.size() > 1 && relative[1] == ':'));
    std::basic_string<Char> combined = base;
    if (absolute || base.empty()) {
        combined = relative;
    } else if (!relative.empty()) {
        if (!isSeparator(combined.back())) combined += Char('\\');
        combined += relative;
    }
    DWORD size = combined.empty() ? 0 : fullPathName(combined.c_str(), 0, (Char*)nullptr);
    std::basic_string<Char> result(size, Char(0));
    DWORD length = size ? fullPathName(combined.c_str(), size, &result[0]) : 0;
    if (length == 0 || length >= size)
        throw cERROR_MSG(BV_ERR_GENERAL, "bvfsFullPath: cannot resolve paths [%s][%s]", printable(base).c_str(),
                         printable(relative).c_str());
    result.resize(length);
    return result;
}

void listTree(const std::wstring& folder, const std::wstring& relative, LIST<std::wstring>* files,
              LIST<std::wstring>* folders) {
    WIN32_FIND_DATAW found;
    std::wstring here = relative.empty() ? folder : bvfsFullPath(folder, relative);
    FindHandle search(FindFirstFileW(bvfsFullPath(here, L"*").c_str(), &found));
    if (!search.valid()) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = relative.empty() ? name : relative + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (folders) folders->append(bvfsFullPath(folder, child));
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) listTree(folder, child, files, folders);
        } else if (files) {
            files->append(bvfsFullPath(folder, child));
        }
    } while (FindNextFileW(search.get(), &found));
}
}  // namespace

bool bvfsFileExists(const wchar_t* path) { return path && attributesOf(path) != INVALID_FILE_ATTRIBUTES; }
bool bvfsFileExists(const char* path) { return path && attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool bvfsCreateFolderTree(const wchar_t* path) { return createFolderTree(path); }
bool bvfsCreateFolderTree(const char* path) { return createFolderTree(path); }

std::wstring bvfsFullPath(const std::wstring& base, const std::wstring& relative) { return fullPath(base, relative); }
std::string bvfsFullPath(const std::string& base, const std::string& relative) { return fullPath(base, relative); }

LIST<std::wstring> bvfsListFiles(const std::wstring& folder) {
    LIST<std::wstring> files;
    listTree(folder, L"", &files, nullptr);
    return files;
}

LIST<std::wstring> bvfsListFolders(const std::wstring& folder) {
    LIST<std::wstring> folders;
    listTree(folder, L"", nullptr, &folders);
    return folders;
}
