#pragma once
// Job folders left from an earlier run: every sub-folder of a printer's job folder is
// deleted at start-up, read-only contents included.
#include <string>

// Whether a printer's job folder may be purged: a full path below a drive or share,
// never a drive root, never empty (an engine without the printer's server address has
// no job folder, and an empty path must not stand for the current folder).
bool isPurgeableJobsPath(const std::wstring& jobsPath);

// Deletes every sub-folder; files lying directly in the job folder stay. Returns how
// many sub-folders are gone. Folders that cannot be deleted are passed over.
int deleteJobFolders(const std::wstring& jobsPath);

// Deletes one job folder with everything in it, read-only contents included; false
// when it could not be deleted (or is no full path). Never throws.
bool deleteJobFolder(const std::wstring& folder);
