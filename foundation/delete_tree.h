#pragma once
// Deletes a folder with everything below it, refusing the paths that must never go:
// empty or very short paths (drive roots) and the top-level folders "brisvel" and
// "talvenor" (any case, any drive or share). A refused path throws 1000
// "****** DeleteTreeU protected path supplied: %s" and nothing is deleted. Files that
// cannot be deleted are skipped. Returns true when the folder itself is gone.
#include <string>

bool DeleteTreeU(const std::wstring& path);
bool isProtectedDeletePath(const std::wstring& path);
