// The job state file "offline.xml": what was flushed is what the next run reads, and a
// broken file raises.
#include <gtest/gtest.h>
#include <comdef.h>

#include "job_persistant.h"
#include "lab_paths.h"

TEST(JobState, FlushedFieldsAreWhatTheNextObjectReads) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    lab::TempFolder folder{L"kelo-state"};
    const std::wstring path = folder.file(L"offline.xml");
    {
        C_jobPersistant first;
        first.setPersistantFile(path);
        first.setJobId(L"0");
        first.setFilename(L"C:\\jobs\\a\\layout.ps");
        first.setFilename(L"C:\\jobs\\a/New Job.ps");
        EXPECT_FALSE(lab::fileExists(path)) << "nothing is written before Flush";
        first.Flush();
        first.setUploadPath(L"/not/flushed");
    }
    C_jobPersistant second;
    second.setPersistantFile(path);
    EXPECT_EQ(L"0", second.jobId());
    EXPECT_EQ(L"C:\\jobs\\a/New Job.ps", second.filename()) << "the file name is replaced";
    EXPECT_EQ(L"", second.uploadPath());

    lab::writeFileBytes(path, "<printerClient><parameter name=\"jobId\">");
    C_jobPersistant broken;
    EXPECT_THROW(broken.setPersistantFile(path), _com_error);
    CoUninitialize();
}
