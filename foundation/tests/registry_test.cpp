#include "bstr.h"
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
    // A read value as text: #number, the text, or @ and the items of an array as <a><b>.
    static std::wstring shown(const Variant& value) {
        if (!(value.vt & VT_ARRAY)) return (value.vt == VT_I4 ? L"#" : L"") + value.toString();
        EXPECT_EQ(VT_ARRAY | VT_VARIANT, value.vt);
        LONG lower = -1, upper = -2;
        SafeArrayGetLBound(value.parray, 1, &lower);
        SafeArrayGetUBound(value.parray, 1, &upper);
        EXPECT_EQ(0, lower);
        std::wstring items = L"@";
        for (LONG i = lower; i <= upper; ++i) {
            Variant item;
            SafeArrayGetElement(value.parray, &i, item.out());
            items += L"<" + (item.vt == VT_UI1 ? std::to_wstring(item.bVal) : item.toString()) + L">";
        }
        return items;
    }
    const std::string m_name = "Software\\KeloTest" + std::to_string(GetCurrentProcessId());
    const std::string m_user = "HKEY_CURRENT_USER\\" + m_name;
};
}  // namespace

TEST_F(RegistryTest, WritingMapsVariantTypesAndRefusesOthers) {
    short shortValue = 12;
    float floatValue = 1.5f;
    BStr textValue(L"by reference");
    BSTR textSlot = textValue.get();
    Variant referenced(56L), byRefShort, byRefFloat, byRefText, byRefVariant;
    byRefShort.vt = VT_I2 | VT_BYREF, byRefShort.piVal = &shortValue;
    byRefFloat.vt = VT_R4 | VT_BYREF, byRefFloat.pfltVal = &floatValue;
    byRefText.vt = VT_BSTR | VT_BYREF, byRefText.pbstrVal = &textSlot;
    byRefVariant.vt = VT_VARIANT | VT_BYREF, byRefVariant.pvarVal = &referenced;
    struct Case {
        const char* value;
        Variant variant;
        DWORD type;
        std::string data;
    } cases[] = {
        {"short", Variant((short)7), REG_DWORD, dword(7)},
        {"negative", Variant(-1L), REG_DWORD, dword(0xFFFFFFFF)},
        {"half", Variant(2.5), REG_SZ, std::string("2.5", 4)},
        {"text", Variant(L"Kelo Print Driver"), REG_SZ, std::string("Kelo Print Driver", 18)},
        {"empty", Variant(L""), REG_SZ, std::string("", 1)},
        {"refShort", byRefShort, REG_DWORD, dword(12)},
        {"refFloat", byRefFloat, REG_SZ, std::string("1.5", 4)},
        {"refText", byRefText, REG_SZ, std::string("by reference", 13)},
        {"refVariant", byRefVariant, REG_DWORD, dword(56)},
    };
    for (const Case& c : cases) {
        setRegistryValue(m_user.c_str(), c.value, c.variant);
        EXPECT_EQ(std::make_pair(c.type, c.data), readRaw(c.value)) << c.value;
    }
    // The same key by its short name and with forward slashes.
    setRegistryValue(("hkcu/" + m_name).c_str(), "text", Variant(L"replaced"));
    EXPECT_EQ(std::string("replaced", 9), readRaw("text").second);

    DebugLogCapture log;
    uint32_t code = 0;
    EXPECT_EQ("setRegistryValue - unsupported variant type",
              errorMessageOf([&] { setRegistryValue(m_user.c_str(), "flag", Variant(true)); }, &code));
    EXPECT_EQ(1000u, code);
    EXPECT_EQ((std::vector<std::string>{"Type=b"}), log.lines());
    EXPECT_EQ("<none>", readRaw("flag").second);
    EXPECT_EQ("setRegistryValue: cannot set registry data",
              errorMessageOf([&] { setRegistryValue("HKX\\a", "value", Variant(1L)); }));
}

TEST_F(RegistryTest, ReadingMapsRegistryTypesAndNamesWhatFailed) {
    struct Case {
        const char* value;
        DWORD type;
        std::string data;
        const wchar_t* shown;
    } cases[] = {
        {"string", REG_SZ, std::string("server.example", 15), L"server.example"},
        {"unterminated", REG_SZ, "abc", L"abc"},
        {"expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9), L"%TEMP%\\x"},
        {"number", REG_DWORD, dword(0x80000001), L"#-2147483647"},
        {"binary", REG_BINARY, std::string("\x01\xFF", 2), L"@<1><255>"},
        {"noBytes", REG_BINARY, "", L"@"},
        {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6), L"@<a><bc>"},
        {"emptyList", REG_MULTI_SZ, std::string("\0\0", 2), L"@<>"},
        {"oneByte", REG_MULTI_SZ, std::string("\0", 1), L"@"},
        {"noTerminator", REG_MULTI_SZ, std::string("ab\0cd", 5), L"@<ab><cd>"},
    };
    for (const Case& c : cases) {
        writeRaw(c.value, c.type, c.data);
        EXPECT_EQ(c.shown, shown(getRegistryValue(m_user.c_str(), c.value))) << c.value;
    }
    EXPECT_EQ(L"@<a><bc>", shown(getRegistryValue(("hkcu/" + m_name).c_str(), "multi")));
    writeRaw("quad", REG_QWORD, std::string(8, '\x01'));
    writeRaw("shortNumber", REG_DWORD, std::string(3, '\x01'));  // never read past its three bytes
    for (const char* unsupported : {"quad", "shortNumber"})
        EXPECT_EQ("getRegistryValue: unsupported registry data type",
                  errorMessageOf([&] { getRegistryValue(m_user.c_str(), unsupported); }))
            << unsupported;
    uint32_t code = 0;
    EXPECT_EQ("getRegistryValue: cannot get registry data [" + m_user + "],[absent],error=[2]",
              errorMessageOf([&] { getRegistryValue(m_user.c_str(), "absent"); }, &code));
    EXPECT_EQ(1000u, code);
    EXPECT_EQ("getRegistryValue: cannot get registry data [" + m_user + "\\none],[string],error=[2]",
              errorMessageOf([&] { getRegistryValue((m_user + "\\none").c_str(), "string"); }));
}

TEST_F(RegistryTest, KeysAreCreatedLevelByLevelEnumeratedAndDeletedOneAtATime) {
    std::string machine = "HKEY_LOCAL_MACHINE\\" + m_name, deepest = machine + "\\One\\Two\\Three";
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));  // already there
    LIST<cSTRING> below = enumRegistryKeys((machine + "\\One").c_str());
    ASSERT_EQ(1, below.count());
    EXPECT_STREQ("Two", below[0].c_str());
    EXPECT_EQ(0, enumRegistryKeys(deepest.c_str()).count());
    for (const std::string& refused : {"HKLM\\" + m_name + "\\Short", std::string("HKEY_LOCAL_MACHINE"),
                                       std::string("\\Leaf"), std::string("HKX\\a\\b")})
        EXPECT_FALSE(createRegistryKey(refused.c_str())) << refused;
    DebugLogCapture log;
    EXPECT_FALSE(createRegistryKey((machine + "\\" + std::string(300, 'k')).c_str()));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(0u, log.lines()[0].find("** Err: cannot create registry key ")) << log.lines()[0];

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
    EXPECT_EQ("bvfsDeleteRegistryKey: cannot delete key 2",
              errorMessageOf([&] { bvfsDeleteRegistryKey((m_user + "\\" + expected[0]).c_str()); }));
    EXPECT_EQ("enumRegistryKeys: cannot open key",
              errorMessageOf([&] { enumRegistryKeys((m_user + "\\none").c_str()); }));
    EXPECT_EQ("enumRegistryKeys: unexpected error", errorMessageOf([] { enumRegistryKeys("HKX\\a"); }));
}
