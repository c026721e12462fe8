// The client settings key through the registry component: version, language, and what
// happens when the key, the value or the component is missing.
#include <gtest/gtest.h>
#include <comdef.h>

#include "client_settings.h"
#include "client_test_support.h"

namespace {
class ClientSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
    ClientSettingsBackup backup;
};
}  // namespace

TEST_F(ClientSettingsTest, VersionAndLanguageAreReadWithTheirDefaults) {
    KeloRegRegistration keloReg;
    ASSERT_TRUE(keloReg.registered());
    EXPECT_EQ(L"Unknown", readClientVersion()) << "no key";
    EXPECT_EQ(0, readLanguageSetting());

    writeClientText(L"Version", "2.4.1");
    writeClientNumber(L"language", 1036);
    EXPECT_EQ(L"2.4.1", readClientVersion());
    EXPECT_EQ(1036, readLanguageSetting());

    writeClientText(L"language", "1031");
    EXPECT_EQ(1031, readLanguageSetting()) << "a number kept as text counts too";
    writeClientText(L"language", "German");
    EXPECT_EQ(0, readLanguageSetting());
}

TEST_F(ClientSettingsTest, TheLanguageIsWrittenAsANumberEvenWithoutTheKey) {
    KeloRegRegistration keloReg;
    writeLanguageSetting(1049);
    EXPECT_EQ(std::optional<DWORD>(1049), clientNumber(L"language"));
    writeLanguageSetting(1);
    EXPECT_EQ(std::optional<DWORD>(1), clientNumber(L"language"));
}

TEST_F(ClientSettingsTest, WithoutTheRegistryComponentTheDefaultsHold) {
    writeClientText(L"Version", "2.4.1");
    writeClientNumber(L"language", 1036);
    EXPECT_EQ(L"Unknown", readClientVersion());
    EXPECT_EQ(0, readLanguageSetting());
    EXPECT_THROW(writeLanguageSetting(1031), _com_error);
    EXPECT_EQ(std::optional<DWORD>(1036), clientNumber(L"language"));
}
