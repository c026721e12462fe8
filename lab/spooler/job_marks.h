#pragma once
// The status the Windows spooler gives a job that is deleted while it prints.
// Wine: job control is accepted and ignored, so GetJob never shows such a job as being
// deleted. The stand-in marks its own jobs here, and the monitors it loads read the
// marks through their GetJob imports, as a monitor in the Windows spooler reads the
// spooler's job records.
#include <windows.h>

namespace lab {

// Marks the job of this process as being deleted (JOB_STATUS_DELETING), or unmarks it.
void markJobDeleting(DWORD jobId, bool deleting);

// Points the module's imports of GetJobW and GetJobA at versions that add the marks to
// the status of levels 1 and 2.
void showJobMarksTo(HMODULE module);

}  // namespace lab
