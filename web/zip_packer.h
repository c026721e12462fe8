#pragma once
// Packs files into a new zip archive with the zip writer of the zlib package: one entry
// per file, deflated at the default level, dated with the file's last-write time (local
// time), copied in blocks of 16,384 bytes. Failures throw cERROR_MSG 1000 ("ZIP Error
// %d" or "ZIP Error for file %s").
#include <string>
#include <vector>

namespace web {

// How entry names are formed: "no_path" (the file name only), "relative" (the path
// without its drive or share and leading separators) or anything else (the path as
// given). A folder among the inputs contributes the files directly inside it; a path
// that is already in the list is packed once.
void packZip(const std::vector<std::wstring>& inputs, const std::wstring& archivePath, const std::string& option);

// The entry name of a path for an option (see packZip).
std::wstring zipEntryName(const std::wstring& path, const std::string& option);

// The files packZip packs for the inputs, in order.
std::vector<std::wstring> expandZipInputs(const std::vector<std::wstring>& inputs);

constexpr unsigned kZipBlockSize = 16384;

}  // namespace web
