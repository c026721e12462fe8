#include "debug_log.h"
#include "handles.h"
#include "registry.h"
#include "test_support.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
// A private key under Software of both roots, deleted with everything below it afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, m_name.c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_name.c_str());
    }
    void writeRaw(const std::string& value, DWORD type, const std::string& data) {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                                 key.out(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key.get(), value.c_str(), 0, type, (const BYTE*)data.data(), (DWORD)data.size()));
    }
    // The stored type and bytes of a value.
    std::pair<DWORD, std::string> readRaw(const std::string& value) {
        RegKey key;
        DWORD type = 0xdeadbeef, size = 0xdeadbeef;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS ||
            RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {REG_NONE, "<none>"};
        std::string data(size, '\0');
        RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, (BYTE*)&data[0], &size);
        return {type, data.substr(0, size)};
    }
    static std::string dword(DWORD value) { return std::string((const char*)&value, sizeof value); }
    const std::string m_name = "Software\\KeloTest" + std::to_string(GetCurrentProcessId());
    const std::string m_user = "HKEY_CURRENT_USER\\" + m_name;
};
}  // namespace

TEST_F(RegistryTest, ValuesAreStoredByVariantTypeAndReadBackAndOtherTypesAreRefused) {
    Variant referenced(56L), byRefVariant;
    byRefVariant.vt = VT_VARIANT | VT_BYREF, byRefVariant.pvarVal = &referenced;
    struct Case {
        const char* value;
        Variant variant;
        DWORD type;
        std::string data;
    } cases[] = {
        {"negative", Variant(-1L), REG_DWORD, dword(0xFFFFFFFF)},
        {"half", Variant(2.5), REG_SZ, std::string("2.5", 4)},
        {"text", Variant(L"Kelo Print Driver"), REG_SZ, std::string("Kelo Print Driver", 18)},
        {"refVariant", byRefVariant, REG_DWORD, dword(56)},
    };
    for (const Case& c : cases) {
        setRegistryValue(m_user.c_str(), c.value, c.variant);
        EXPECT_EQ(std::make_pair(c.type, c.data), readRaw(c.value)) << c.value;
    }
    DebugLogCapture log;
    EXPECT_EQ("setRegistryValue - unsupported variant type",
              errorMessageOf([&] { setRegistryValue(m_user.c_str(), "flag", Variant(true)); }));
    EXPECT_EQ("<none>", readRaw("flag").second);

    // Read back: numbers as VT_I4, texts with or without their terminator.
    Variant number = getRegistryValue(m_user.c_str(), "negative");
    EXPECT_EQ(VT_I4, number.vt);
    EXPECT_EQ(-1, number.lVal);
    EXPECT_EQ(L"2.5", getRegistryValue(m_user.c_str(), "half").toString());
    writeRaw("unterminated", REG_SZ, "abc");
    EXPECT_EQ(L"abc", getRegistryValue(m_user.c_str(), "unterminated").toString());
    writeRaw("shortNumber", REG_DWORD, std::string(3, '\x01'));  // never read past its three bytes
    EXPECT_EQ("getRegistryValue: unsupported registry data type",
              errorMessageOf([&] { getRegistryValue(m_user.c_str(), "shortNumber"); }));
    EXPECT_EQ("getRegistryValue: cannot get registry data [" + m_user + "],[absent],error=[2]",
              errorMessageOf([&] { getRegistryValue(m_user.c_str(), "absent"); }));
}

TEST_F(RegistryTest, KeysAreCreatedLevelByLevelEnumeratedAndDeletedOneAtATime) {
    std::string machine = "HKEY_LOCAL_MACHINE\\" + m_name, deepest = machine + "\\One\\Two\\Three";
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));  // already there
    for (const std::string& refused : {"HKLM\\" + m_name + "\\Short", std::string("HKEY_LOCAL_MACHINE")})
        EXPECT_FALSE(createRegistryKey(refused.c_str())) << refused;

    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        expected.push_back("Port" + std::string(1, char('A' + i)) + std::string(i * 5, 'x'));
        EXPECT_TRUE(createRegistryKey(("hkey_current_user\\" + m_name + "\\" + expected.back()).c_str()));
    }
    std::vector<std::string> found;
    for (const cSTRING& name : enumRegistryKeys(m_user.c_str())) found.push_back(name.str());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(expected, found);

    EXPECT_EQ("bvfsDeleteRegistryKey: cannot delete key 5",
              errorMessageOf([&] { bvfsDeleteRegistryKey(m_user.c_str()); }));
    bvfsDeleteRegistryKey((m_user + "\\" + expected[0]).c_str());
    EXPECT_EQ(11, enumRegistryKeys(m_user.c_str()).count());
    EXPECT_EQ("enumRegistryKeys: cannot open key",
              errorMessageOf([&] { enumRegistryKeys((m_user + "\\none").c_str()); }));
}
