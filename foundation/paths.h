#pragma once
// File-system helpers: existence, folder trees, full paths and recursive listings.
#include <string>

#include "list.h"

// True when the path's attributes can be read (files and folders alike).
bool bvfsFileExists(const wchar_t* path);
bool bvfsFileExists(const char* path);

// Creates the folder and any missing parents ("C:\a\b", "\\server\share\a\b", relative
// paths); true when the folder exists afterwards.
bool bvfsCreateFolderTree(const wchar_t* path);
bool bvfsCreateFolderTree(const char* path);

// The full path of relative (which may itself be absolute) taken from the folder base.
// Throws 1000 "bvfsFullPath: cannot resolve paths [%s][%s]".
std::wstring bvfsFullPath(const std::wstring& base, const std::wstring& relative);
std::string bvfsFullPath(const std::string& base, const std::string& relative);

// Everything below a folder, recursively, as full paths. Folders come before their own
// subfolders, so walking the folder list backwards meets the deepest ones first.
// Folder links are listed but not entered.
LIST<std::wstring> bvfsListFiles(const std::wstring& folder);
LIST<std::wstring> bvfsListFolders(const std::wstring& folder);
