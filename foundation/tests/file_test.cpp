#include "debug_log.h"
#include "error_text.h"
#include "file.h"
#include "test_support.h"
#include "text_convert.h"

#include <gtest/gtest.h>

#include <string>

TEST(File, ReadsWhatWasWrittenAndZeroAtTheEnd) {
    TempFolder folder;
    C_bvFileU file((folder / L"layout.ps").c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_EQ(10u, file.write("%!PS-Adobe", 10));
    EXPECT_EQ(10u, file.size());
    EXPECT_EQ(0u, file.seek(0, FILE_BEGIN));

    char buffer[16];
    memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(9u, file.read(buffer, 9));  // one byte short
    EXPECT_EQ(0, memcmp(buffer, "%!PS-Adob", 9));
    EXPECT_EQ((char)0xEE, buffer[9]);
    EXPECT_EQ(1u, file.read(buffer, 9));
    EXPECT_EQ('e', buffer[0]);
    EXPECT_EQ(0u, file.read(buffer, sizeof buffer));

    EXPECT_EQ(2u, file.seek(2, FILE_BEGIN));
    EXPECT_EQ(8u, file.read(buffer, 8));  // exactly the rest
    EXPECT_EQ(0u, file.read(buffer, 8));

    EXPECT_EQ(6u, file.seek(-4, FILE_END));
    EXPECT_EQ(0x140000000ull, file.seek(0x140000000ll, FILE_BEGIN));
    file.close();
    EXPECT_FALSE(file.isOpen());
}

TEST(File, CreationErrorsCarryTheSystemNumberAndText) {
    TempFolder folder;
    std::wstring missing = folder / L"missing.ps";
    DebugLogCapture log;
    uint32_t code = 0;
    std::string message =
        errorMessageOf([&] { C_bvFileU file(missing.c_str(), GENERIC_READ, 0, OPEN_EXISTING); }, &code);
    EXPECT_EQ(1000u, code);
    std::string expected = "***C_bvFileU::File creation error(2) - " + systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(expected.substr(0, cERROR_MSG::kMessageSize - 1), message);
    EXPECT_TRUE(log.contains("***C_bvFileU::File creation error (2) on file: " + toAnsi(missing)));

    std::string missingA = toAnsi(folder / L"nothing") + "\\missing.ps";
    message = errorMessageOf([&] { C_bvFileA file(missingA.c_str(), GENERIC_READ, 0, OPEN_EXISTING); });
    EXPECT_EQ(0u, message.find("***C_bvFileA::File creation error(3) - ")) << message;
    EXPECT_TRUE(log.contains("***C_bvFileA::File creation error (3) on file: " + missingA));

    EXPECT_EQ("C_bvFileU: Filename must be specified",
              errorMessageOf([] { C_bvFileU file(L"", GENERIC_READ, 0, OPEN_EXISTING); }));
    EXPECT_EQ("C_bvFileA: Filename must be specified",
              errorMessageOf([] { C_bvFileA file(nullptr, GENERIC_READ, 0, OPEN_EXISTING); }));
}

TEST(File, ReadWriteAndSizeErrorsNameTheOperation) {
    TempFolder folder;
    std::string path = toAnsi(folder / L"job.xml");
    C_bvFileA writeOnly(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
    char buffer[4];
    std::string message = errorMessageOf([&] { writeOnly.read(buffer, sizeof buffer); });
    EXPECT_EQ(0u, message.find("***C_bvFileA::File read error(5) - ")) << message;

    C_bvFileA readOnly(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    message = errorMessageOf([&] { readOnly.write("x", 1); });
    EXPECT_EQ(0u, message.find("***C_bvFileA::File write error(5) - ")) << message;

    C_bvFileU closed;
    message = errorMessageOf([&] { closed.size(); });
    EXPECT_EQ(0u, message.find("***C_bvFileU::Cannot obtain file object size [6 - ")) << message;
    message = errorMessageOf([&] { closed.seek(0, FILE_BEGIN); });
    EXPECT_EQ(0u, message.find("***C_bvFileU::File seek error(6) - ")) << message;
}

TEST(File, AnsiVariantLogsItsDestructionAndRelease) {
    TempFolder folder;
    std::string path = toAnsi(folder / L"a.txt");
    DebugLogCapture log;
    {
        C_bvFileA file(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
        file.close();
        file.close();
    }
    EXPECT_EQ((std::vector<std::string>{"C_bvFileA:: deallocate", "C_bvFileA:: destructor"}), log.lines());
}
