#pragma once
// Where job folders live: the jobs path under the user's temporary folder, one printer
// folder per printer, and one folder per job named after the document.
#include <cstdint>
#include <string>

namespace engine {

// The temporary folder + "KeloJobs\", created with missing parents. Without a temporary
// folder: "C:\temp\" (created).
std::wstring determineJobsPath();

// The document name with each of \ : / * ? < > | replaced by "_".
std::wstring sanitisedJobName(const std::wstring& name);

// printerFolder + sanitised name + "_" + identity in lower-case hexadecimal; when a file
// or folder of that name exists, "_" and a hexadecimal counter (0, 1, ...) are appended
// until the name is free. Nothing is created.
std::wstring chooseJobFolder(const std::wstring& printerFolder, const std::wstring& jobName, uintptr_t identity);

}  // namespace engine
