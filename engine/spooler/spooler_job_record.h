#pragma once
// What a new job takes from the spooler's record of it: document name, page count,
// copies and paper. Spooler information that cannot be read gives the defaults.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "device_mode_paper.h"

namespace engine {

struct JobStartInfo {
    std::wstring name;
    long pages = 1;
    JobPaper paper;
};

extern const wchar_t kDefaultJobName[];  // "New Job"

// The defaults: "New Job", one page, A4, one copy, paramsOK false.
JobStartInfo defaultJobStartInfo();

// A job record as the spooler gives it: its document name ("New Job" when it has none),
// its page count (1 when the spooler counted none) and the paper of its device mode
// (the defaults without one). applyScale on the wide-character road.
JobStartInfo jobStartInfoFromRecord(const JOB_INFO_2W& record, bool applyScale);
JobStartInfo jobStartInfoFromRecord(const JOB_INFO_2A& record, bool applyScale);

// Reads the job record (GetJob level 2) through the wide-character or the ANSI spooler
// interface.
JobStartInfo readJobStartInfo(const std::wstring& printerName, long jobId, bool wide);

}  // namespace engine
