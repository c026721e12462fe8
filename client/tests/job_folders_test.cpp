// Which job paths may be purged, and what a purge leaves.
#include <gtest/gtest.h>

#include "job_folders.h"
#include "lab_paths.h"

TEST(JobFolders, OnlyFullPathsBelowADriveOrShareArePurged) {
    EXPECT_TRUE(isPurgeableJobsPath(L"C:\\users\\me\\Temp\\KeloJobs\\Zolt\\"));
    EXPECT_TRUE(isPurgeableJobsPath(L"C:\\temp\\Zolt"));
    EXPECT_TRUE(isPurgeableJobsPath(L"\\\\server\\share\\jobs\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L""));
    EXPECT_FALSE(isPurgeableJobsPath(L"Zolt\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L"C:\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L"C:"));
    EXPECT_FALSE(isPurgeableJobsPath(L"\\jobs"));
}

TEST(JobFolders, EverySubFolderGoesAndFilesBesideThemStay) {
    lab::TempFolder jobs(L"kelo-purge");
    for (const wchar_t* name : {L"a", L"b", L"c d"}) {
        std::wstring folder = jobs.path() + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        lab::writeFileBytes(folder + L"\\job.xml", "<job/>");
    }
    lab::writeFileBytes(jobs.path() + L"loose.ps", "%!");
    EXPECT_EQ(3, deleteJobFolders(jobs.path()));
    EXPECT_TRUE(lab::fileExists(jobs.path() + L"loose.ps"));
    EXPECT_EQ(0, deleteJobFolders(jobs.path()));
    EXPECT_EQ(0, deleteJobFolders(jobs.path() + L"missing\\"));
}
