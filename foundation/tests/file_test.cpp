#include "error_text.h"
#include "file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
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
    EXPECT_EQ(0, memcmp(buffer, "%!PS-Adob\xEE", 10));
    EXPECT_EQ(1u, file.read(buffer, 9));
    EXPECT_EQ(0u, file.read(buffer, sizeof buffer));
    EXPECT_EQ(2u, file.seek(2, FILE_BEGIN));
    EXPECT_EQ(8u, file.read(buffer, 8));  // exactly the rest
    EXPECT_EQ(0x140000000ull, file.seek(0x140000000ll, FILE_BEGIN));
}

TEST(File, ErrorsNameTheOperationAndCarryTheSystemNumberAndText) {
    TempFolder folder;
    std::wstring missing = folder / L"missing.ps";
    std::string message = errorMessageOf([&] { C_bvFileU file(missing.c_str(), GENERIC_READ, 0, OPEN_EXISTING); });
    std::string expected = "***C_bvFileU::File creation error(2) - " + systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(expected.substr(0, cERROR_MSG::kMessageSize - 1), message);

    std::wstring path = folder / L"job.xml";
    C_bvFileU writeOnly(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
    C_bvFileU closed;
    char buffer[4];
    std::pair<std::function<void()>, const char*> failures[] = {
        {[&] { writeOnly.read(buffer, sizeof buffer); }, "***C_bvFileU::File read error(5) - "},
        {[&] { closed.seek(0, FILE_BEGIN); }, "***C_bvFileU::File seek error(6) - "},
    };
    for (const auto& failure : failures) {
        message = errorMessageOf(failure.first);
        EXPECT_EQ(0u, message.find(failure.second)) << message;
    }
}
