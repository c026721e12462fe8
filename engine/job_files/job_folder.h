#pragma once
// Where job folders live: the jobs path under the user's temporary folder, one printer
// folder per printer, and one folder per job named after the document.
#include <cstdint>
#include <string>

namespace engine {

// The temporary folder + "KeloJobs\", created with missing parents. Without a temporary
// folder: "C:\temp\" (created).
std::wstring determineJobsPath();

// The document name with every character that file names refuse (\ : / * ? < > | " and
// the control characters 1-31) replaced by "_".
std::wstring sanitisedJobName(const std::wstring& name);

// printerFolder + sanitised name + "_" + identity in lower-case hexadecimal; when a file
// or folder of that name exists, "_" and a hexadecimal counter (0, 1, ...) are appended
// until the name is free. The name is shortened (never between the two halves of a
// surrogate pair) so that the folder can be created and its layout.ps opened without
// passing MAX_PATH. Nothing is created.
std::wstring chooseJobFolder(const std::wstring& printerFolder, const std::wstring& jobName, uintptr_t identity);

}  // namespace engine
