// The job state file "offline.xml": written on Flush only, read by the next object,
// its first entry of a name counting, and a broken file raising.
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
        EXPECT_EQ(L"", first.filename());
        first.setJobId(L"0");
        first.setFilename(L"C:\\jobs\\a\\layout.ps");
        first.setFilename(L"C:\\jobs\\a/New Job.ps");
        first.setName(L"Report");
        EXPECT_FALSE(lab::fileExists(path)) << "nothing is written before Flush";
        first.Flush();
        first.setUploadPath(L"/not/flushed");
    }
    C_jobPersistant second;
    second.setPersistantFile(path);
    EXPECT_EQ(L"0", second.jobId());
    EXPECT_EQ(L"C:\\jobs\\a/New Job.ps", second.filename()) << "the file name is replaced";
    EXPECT_EQ(L"Report", second.name());
    EXPECT_EQ(L"", second.uploadPath());

    lab::writeFileBytes(path,
                        "<?xml version=\"1.0\"?>\r\n<printerClient>\r\n"
                        "  <parameter name=\"jobId\"><value>4711</value></parameter>\r\n"
                        "  <parameter name=\"jobId\"><value>second</value></parameter>\r\n"
                        "</printerClient>\r\n");
    C_jobPersistant byHand;
    byHand.setPersistantFile(path);
    EXPECT_EQ(L"4711", byHand.jobId()) << "the first match counts";
    EXPECT_EQ(L"", byHand.name());

    lab::writeFileBytes(path, "<printerClient><parameter name=\"jobId\">");
    C_jobPersistant broken;
    EXPECT_THROW(broken.setPersistantFile(path), _com_error);
    CoUninitialize();
}
