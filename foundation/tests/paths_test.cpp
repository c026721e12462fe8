#include "delete_tree.h"
#include "paths.h"
#include "test_support.h"
#include "text_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {
std::vector<std::wstring> sorted(const LIST<std::wstring>& list) {
    std::vector<std::wstring> items(list.begin(), list.end());
    std::sort(items.begin(), items.end());
    return items;
}
}  // namespace

TEST(Paths, ExistenceOfFilesAndFolders) {
    TempFolder folder;
    writeFile(folder / L"file.txt", "x");
    EXPECT_TRUE(bvfsFileExists((folder / L"file.txt").c_str()));
    EXPECT_TRUE(bvfsFileExists(folder.path().c_str()));
    EXPECT_TRUE(bvfsFileExists(toAnsi(folder / L"file.txt").c_str()));
    EXPECT_FALSE(bvfsFileExists((folder / L"none").c_str()));
    EXPECT_FALSE(bvfsFileExists((const wchar_t*)nullptr));
}

TEST(Paths, FolderTreesAreCreatedLevelByLevel) {
    TempFolder folder;
    std::wstring deep = folder / L"one/two\\three";
    EXPECT_TRUE(bvfsCreateFolderTree(deep.c_str()));
    EXPECT_TRUE(bvfsFileExists((folder / L"one\\two\\three").c_str()));
    EXPECT_TRUE(bvfsCreateFolderTree(deep.c_str()));  // already there

    std::string narrow = toAnsi(folder / L"a\\b\\c\\");
    EXPECT_TRUE(bvfsCreateFolderTree(narrow.c_str()));
    EXPECT_TRUE(bvfsFileExists(narrow.c_str()));

    writeFile(folder / L"blocker", "x");
    EXPECT_FALSE(bvfsCreateFolderTree((folder / L"blocker\\below").c_str()));
    EXPECT_FALSE(bvfsCreateFolderTree(L""));
}

TEST(Paths, FullPathCombinesAndNormalises) {
    EXPECT_EQ(L"C:\\jobs\\ZOLT\\layout.ps", bvfsFullPath(L"C:\\jobs", L"ZOLT\\layout.ps"));
    EXPECT_EQ(L"C:\\jobs\\ZOLT", bvfsFullPath(L"C:\\jobs\\", L"ZOLT"));
    EXPECT_EQ(L"C:\\other", bvfsFullPath(L"C:\\jobs\\ZOLT", L"..\\..\\other"));
    EXPECT_EQ(L"D:\\absolute", bvfsFullPath(L"C:\\jobs", L"D:\\absolute"));
    EXPECT_EQ(L"C:\\jobs", bvfsFullPath(L"C:\\jobs", L""));
    EXPECT_EQ("C:\\jobs\\a.txt", bvfsFullPath(std::string("C:\\jobs"), std::string("a.txt")));
    uint32_t code = 0;
    EXPECT_EQ("bvfsFullPath: cannot resolve paths [][]", errorMessageOf([] { bvfsFullPath(L"", L""); }, &code));
    EXPECT_EQ(1000u, code);
}

TEST(Paths, ListingsAreRecursiveAndParentsComeFirst) {
    TempFolder folder;
    bvfsCreateFolderTree((folder / L"a\\deep\\er").c_str());
    bvfsCreateFolderTree((folder / L"b").c_str());
    writeFile(folder / L"top.txt", "1");
    writeFile(folder / L"a\\deep\\er\\bottom.txt", "2");
    writeFile(folder / L"b\\side.txt", "3");

    EXPECT_EQ(
        (std::vector<std::wstring>{folder / L"a\\deep\\er\\bottom.txt", folder / L"b\\side.txt", folder / L"top.txt"}),
        sorted(bvfsListFiles(folder.path())));

    LIST<std::wstring> folders = bvfsListFolders(folder.path());
    EXPECT_EQ((std::vector<std::wstring>{folder / L"a", folder / L"a\\deep", folder / L"a\\deep\\er", folder / L"b"}),
              sorted(folders));
    std::vector<std::wstring> order(folders.begin(), folders.end());
    auto at = [&](const std::wstring& path) { return std::find(order.begin(), order.end(), path) - order.begin(); };
    EXPECT_LT(at(folder / L"a"), at(folder / L"a\\deep"));
    EXPECT_LT(at(folder / L"a\\deep"), at(folder / L"a\\deep\\er"));

    EXPECT_EQ(0, bvfsListFiles(folder / L"missing").count());
}

TEST(DeleteTree, RemovesEverythingBelowAndSkipsFilesInUse) {
    TempFolder folder;
    std::wstring job = folder / L"job";
    bvfsCreateFolderTree((job + L"\\x\\y").c_str());
    writeFile(job + L"\\layout.ps", "ps");
    writeFile(job + L"\\x\\y\\job.xml", "xml");
    EXPECT_TRUE(DeleteTreeU(job));
    EXPECT_FALSE(bvfsFileExists(job.c_str()));
    EXPECT_TRUE(bvfsFileExists(folder.path().c_str()));

    bvfsCreateFolderTree((job + L"\\x").c_str());
    writeFile(job + L"\\a.txt", "a");
    writeFile(job + L"\\x\\locked.txt", "locked");
    writeFile(job + L"\\x\\z.txt", "z");
    HANDLE locked =
        CreateFileW((job + L"\\x\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    EXPECT_FALSE(DeleteTreeU(job));
    CloseHandle(locked);
    EXPECT_FALSE(bvfsFileExists((job + L"\\a.txt").c_str()));
    EXPECT_FALSE(bvfsFileExists((job + L"\\x\\z.txt").c_str()));
    EXPECT_TRUE(bvfsFileExists((job + L"\\x\\locked.txt").c_str()));
}

TEST(DeleteTree, ProtectedPathsAreRefusedAndNothingIsDeleted) {
    for (const wchar_t* top : {L"C:\\brisvel", L"C:\\Talvenor"}) {
        std::wstring protectedFolder = top;
        ASSERT_TRUE(bvfsCreateFolderTree((protectedFolder + L"\\job").c_str()));
        writeFile(protectedFolder + L"\\keep.txt", "keep");
        writeFile(protectedFolder + L"\\job\\layout.ps", "ps");
        std::wstring upper = protectedFolder;
        for (wchar_t& c : upper) c = towupper(c);
        for (const std::wstring& path : {protectedFolder, upper, std::wstring(L"c:/") + (top + 3) + L"/",
                                         protectedFolder + L"\\job\\..", std::wstring(L"\\\\server\\") + (top + 3)}) {
            uint32_t code = 0;
            EXPECT_EQ("****** DeleteTreeU protected path supplied: " + toAnsi(path),
                      errorMessageOf([&] { DeleteTreeU(path); }, &code));
            EXPECT_EQ(1000u, code);
        }
        EXPECT_TRUE(bvfsFileExists((protectedFolder + L"\\keep.txt").c_str()));
        EXPECT_TRUE(bvfsFileExists((protectedFolder + L"\\job\\layout.ps").c_str()));

        // One level below a protected folder is an ordinary folder.
        EXPECT_TRUE(DeleteTreeU(protectedFolder + L"\\job"));
        EXPECT_FALSE(bvfsFileExists((protectedFolder + L"\\job").c_str()));
        EXPECT_TRUE(bvfsFileExists((protectedFolder + L"\\keep.txt").c_str()));

        std::error_code ignored;
        std::filesystem::remove_all(protectedFolder, ignored);
    }
    for (const wchar_t* path : {L"", L"C:\\", L"C:", L"\\", L"C:\\a"})
        EXPECT_EQ(0u, errorMessageOf([&] { DeleteTreeU(path); }).find("****** DeleteTreeU protected path"))
            << toAnsi(path);
}
