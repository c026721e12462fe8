#include "delete_tree.h"
#include "paths.h"
#include "test_support.h"
#include "text_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(Paths, FolderTreesAreCreatedLevelByLevelAndListedParentsFirst) {
    TempFolder folder;
    EXPECT_TRUE(bvfsCreateFolderTree((folder / L"a/deep\\er").c_str()));
    EXPECT_TRUE(bvfsCreateFolderTree((folder / L"a\\deep\\er").c_str()));  // already there
    writeFile(folder / L"top.txt", "1");
    writeFile(folder / L"a\\deep\\er\\bottom.txt", "2");
    EXPECT_FALSE(bvfsCreateFolderTree((folder / L"top.txt\\below").c_str()));
    EXPECT_FALSE(bvfsFileExists((const wchar_t*)nullptr));

    LIST<std::wstring> files = bvfsListFiles(folder.path()), folders = bvfsListFolders(folder.path());
    std::vector<std::wstring> fileList(files.begin(), files.end()), order(folders.begin(), folders.end());
    std::sort(fileList.begin(), fileList.end());
    EXPECT_EQ((std::vector<std::wstring>{folder / L"a\\deep\\er\\bottom.txt", folder / L"top.txt"}), fileList);
    EXPECT_EQ((std::vector<std::wstring>{folder / L"a", folder / L"a\\deep", folder / L"a\\deep\\er"}), order);
}

TEST(DeleteTree, RemovesEverythingBelowButFilesInUse) {
    TempFolder folder;
    std::wstring job = folder / L"job";
    bvfsCreateFolderTree((job + L"\\x").c_str());
    for (const wchar_t* file : {L"\\a.txt", L"\\x\\locked.txt", L"\\x\\z.txt"}) writeFile(job + file, "x");
    HANDLE locked =
        CreateFileW((job + L"\\x\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(DeleteTreeU(job));
    CloseHandle(locked);
    EXPECT_FALSE(bvfsFileExists((job + L"\\a.txt").c_str()));
    EXPECT_FALSE(bvfsFileExists((job + L"\\x\\z.txt").c_str()));
    EXPECT_TRUE(bvfsFileExists((job + L"\\x\\locked.txt").c_str()));
    EXPECT_TRUE(DeleteTreeU(job));
    EXPECT_FALSE(bvfsFileExists(job.c_str()));
    EXPECT_TRUE(bvfsFileExists(folder.path().c_str()));
}

TEST(DeleteTree, ProtectedPathsAreRefusedAndNothingIsDeleted) {
    for (std::wstring top : {L"C:\\brisvel", L"C:\\Talvenor"}) {
        ASSERT_TRUE(bvfsCreateFolderTree((top + L"\\job").c_str()));
        writeFile(top + L"\\keep.txt", "keep");
        std::wstring upper = top, name = top.substr(3);
        for (wchar_t& c : upper) c = towupper(c);
        for (const std::wstring& path :
             {top, upper, L"c:/" + name + L"/", top + L"\\job\\..", L"\\\\server\\" + name}) {
            EXPECT_EQ("****** DeleteTreeU protected path supplied: " + toAnsi(path),
                      errorMessageOf([&] { DeleteTreeU(path); }));
        }
        EXPECT_TRUE(DeleteTreeU(top + L"\\job"));  // one level below is an ordinary folder
        EXPECT_TRUE(bvfsFileExists((top + L"\\keep.txt").c_str()));
        std::error_code ignored;
        std::filesystem::remove_all(top, ignored);
    }
    // Nor a drive, a root or anything without a folder below the drive.
    for (const wchar_t* path : {L"", L"C:\\", L"C:", L"\\", L"C:\\a"})
        EXPECT_EQ(0u, errorMessageOf([&] { DeleteTreeU(path); }).find("****** DeleteTreeU protected path"))
            << toAnsi(path);
}
