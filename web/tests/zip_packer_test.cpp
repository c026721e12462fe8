// The zip packer, read back with the zip reader that ships with zlib.
#include "zip_packer.h"
#include "web_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>

#include "unzip.h"
#include "iowin32.h"

using namespace web;

namespace {

struct Entry {
    std::string name;
    std::string content;
    int method = -1;
    tm_unz date = {};
};

// Every entry of an archive, through minizip's reader.
std::vector<Entry> readArchive(const std::wstring& path) {
    zlib_filefunc64_def functions = {};
    fill_win32_filefunc64W(&functions);
    unzFile archive = unzOpen2_64(path.c_str(), &functions);
    std::vector<Entry> entries;
    if (!archive) {
        ADD_FAILURE() << "not an archive";
        return entries;
    }
    for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
        unz_file_info64 info = {};
        char name[512] = {};
        unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        Entry entry;
        entry.name = name;
        entry.method = (int)info.compression_method;
        entry.date = info.tmu_date;
        EXPECT_EQ(UNZ_OK, unzOpenCurrentFile(archive));
        char block[4096];
        for (int read; (read = unzReadCurrentFile(archive, block, sizeof block)) > 0;)
            entry.content.append(block, read);
        EXPECT_EQ(UNZ_OK, unzCloseCurrentFile(archive)) << "CRC or size wrong in " << name;
        entries.push_back(entry);
    }
    unzClose(archive);
    return entries;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

// Sets a file's last-write time to a local time.
void setLocalWriteTime(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
}

std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    unsigned value = 12345;
    for (char& c : bytes) {
        value = value * 1103515245 + 12345;
        c = (char)(value >> 16);
    }
    return bytes;
}

class ZipPacker : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        m_folder = std::wstring(temp) + L"kelo-zip-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::wstring m_folder;
};

}  // namespace

TEST_F(ZipPacker, OneFileWithoutPathDeflatedAndDatedWithItsLocalWriteTime) {
    const std::wstring source = m_folder + L"tmp1A2B.tmp";
    const std::string bytes = patterned(3 * kZipBlockSize + 1000) + std::string(50000, 'x');
    writeFile(source, bytes);
    setLocalWriteTime(source, 2002, 3, 5, 9, 7, 42);

    packZip({source}, m_folder + L"out/tmp1A2B.zip", "no_path");
    std::vector<Entry> entries = readArchive(m_folder + L"out/tmp1A2B.zip");
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("tmp1A2B.tmp", entries[0].name);
    EXPECT_EQ(Z_DEFLATED, entries[0].method);
    EXPECT_TRUE(entries[0].content == bytes);
    EXPECT_EQ(2002u, entries[0].date.tm_year);
    EXPECT_EQ(2u, entries[0].date.tm_mon);  // months count from 0
    EXPECT_EQ(5u, entries[0].date.tm_mday);
    EXPECT_EQ(9u, entries[0].date.tm_hour);
    EXPECT_EQ(7u, entries[0].date.tm_min);
    EXPECT_EQ(42u, entries[0].date.tm_sec);
    EXPECT_LT(std::filesystem::file_size(m_folder + L"out/tmp1A2B.zip"), bytes.size());
}

TEST_F(ZipPacker, EmptyFilesAndFoldersOfFilesWithEachPathOnce) {
    std::filesystem::create_directories(m_folder + L"job\\sub");
    writeFile(m_folder + L"job\\a.ps", "first");
    writeFile(m_folder + L"job\\empty.ps", "");
    writeFile(m_folder + L"job\\sub\\skipped.ps", "not packed: folders inside are not entered");
    writeFile(m_folder + L"single.txt", "single");

    const std::wstring archive = m_folder + L"both.zip";
    packZip({m_folder + L"job", m_folder + L"single.txt", m_folder + L"SINGLE.TXT", m_folder + L"job/a.ps"}, archive,
            "no_path");
    std::vector<Entry> entries = readArchive(archive);
    ASSERT_EQ(3u, entries.size());
    std::map<std::string, std::string> byName;
    for (const Entry& entry : entries) byName[entry.name] = entry.content;
    EXPECT_EQ("first", byName["a.ps"]);
    EXPECT_EQ("", byName["empty.ps"]);
    EXPECT_EQ("single", byName["single.txt"]);
}

TEST_F(ZipPacker, EntryNamesForEachOption) {
    EXPECT_EQ(L"b.txt", zipEntryName(L"C:\\a\\b.txt", "no_path"));
    EXPECT_EQ(L"a\\b.txt", zipEntryName(L"C:\\a\\b.txt", "relative"));
    EXPECT_EQ(L"dir/b.txt", zipEntryName(L"\\\\server\\share\\dir/b.txt", "relative"));
    EXPECT_EQ(L"C:\\a\\b.txt", zipEntryName(L"C:\\a\\b.txt", ""));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\nowhere\\x.ps"}),
              expandZipInputs({L"C:\\nowhere\\x.ps", L"c:\\NOWHERE\\X.PS"}));
}

TEST_F(ZipPacker, FailuresNameTheZipError) {
    EXPECT_EQ("ZIP Error -1",
              webtest::errorMessageOf([&] { packZip({m_folder + L"missing.ps"}, m_folder + L"m.zip", "no_path"); }));
    // The archive's place is taken by a folder.
    std::filesystem::create_directories(m_folder + L"taken.zip");
    writeFile(m_folder + L"x.ps", "x");
    EXPECT_EQ("ZIP Error -1",
              webtest::errorMessageOf([&] { packZip({m_folder + L"x.ps"}, m_folder + L"taken.zip", "no_path"); }));
}
