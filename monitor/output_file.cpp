#include "output_file.h"

#include "paths.h"

std::wstring folderOf(const std::wstring& path) {
    size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::unique_ptr<C_outputFile> createOutputFile(const std::wstring& path) {
    PortString folder = portText(folderOf(path));
    // A folder that cannot be made shows as the file's creation error.
    if (!folder.empty() && !bvfsFileExists(folder.c_str())) bvfsCreateFolderTree(folder.c_str());
    return std::make_unique<C_outputFile>(portText(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL);
}
