// Which job paths may be purged, and what a purge leaves.
#include <gtest/gtest.h>

#include "job_folders.h"

TEST(JobFolders, OnlyFullPathsBelowADriveOrShareArePurged) {
    EXPECT_TRUE(isPurgeableJobsPath(L"C:\\users\\me\\Temp\\KeloJobs\\Zolt\\"));
    EXPECT_TRUE(isPurgeableJobsPath(L"C:\\temp\\Zolt"));
    EXPECT_TRUE(isPurgeableJobsPath(L"\\\\server\\share\\jobs\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L""));
    EXPECT_FALSE(isPurgeableJobsPath(L"Zolt\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L"C:\\"));
    EXPECT_FALSE(isPurgeableJobsPath(L"C:"));
    EXPECT_FALSE(isPurgeableJobsPath(L"\\jobs"));
    EXPECT_FALSE(isPurgeableJobsPath(L"..\\jobs")) << "relative to the current folder";
    EXPECT_FALSE(isPurgeableJobsPath(L"ab/jobs"));
}
