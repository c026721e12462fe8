#pragma once
// The file a job's bytes go to, named by the engine: created anew (an existing file is
// truncated) with read and write access and no sharing, after its missing folders.
// The NT monitor uses wide file names, the Windows 9x monitor ANSI ones.
#include <memory>
#include <string>

#include "file.h"
#include "port_text.h"

using C_outputFile = C_bvFile<PortChar>;

// The folder part of a path: everything before its last backslash or slash.
std::wstring folderOf(const std::wstring& path);

// Throws the file object's cERROR_MSG when the file cannot be created.
std::unique_ptr<C_outputFile> createOutputFile(const std::wstring& path);
