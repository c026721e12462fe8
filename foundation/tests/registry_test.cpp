#include "bstr.h"
#include "debug_log.h"
#include "registry.h"
#include "test_support.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
// A private key under Software of one root, deleted with everything below it afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_name = "Software\\KeloTest" + std::to_string(GetCurrentProcessId());
        SHDeleteKeyA(HKEY_CURRENT_USER, m_name.c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_name.c_str());
    }
    void TearDown() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, m_name.c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_name.c_str());
    }
    std::string userPath() const { return "HKEY_CURRENT_USER\\" + m_name; }
    std::string machinePath() const { return "HKEY_LOCAL_MACHINE\\" + m_name; }

    void writeRaw(const std::string& value, DWORD type, const std::string& data) {
        HKEY key = (HKEY)(ULONG_PTR)0xdeadbeef;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, value.c_str(), 0, type, (const BYTE*)data.data(), (DWORD)data.size()));
        RegCloseKey(key);
    }

    // The stored type and bytes of a value of the private key.
    std::pair<DWORD, std::string> readRaw(HKEY root, const std::string& value) {
        HKEY key = (HKEY)(ULONG_PTR)0xdeadbeef;
        if (RegOpenKeyExA(root, m_name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {REG_NONE, "<no key>"};
        DWORD type = 0xdeadbeef, size = 0xdeadbeef;
        LONG result = RegQueryValueExA(key, value.c_str(), nullptr, &type, nullptr, &size);
        std::string data(result == ERROR_SUCCESS ? size : 0, '\0');
        if (result == ERROR_SUCCESS) {
            DWORD shortSize = size - 1;
            if (size > 0) {
                EXPECT_EQ(ERROR_MORE_DATA,
                          RegQueryValueExA(key, value.c_str(), nullptr, nullptr, (BYTE*)&data[0], &shortSize));
            }
            result = RegQueryValueExA(key, value.c_str(), nullptr, &type, (BYTE*)data.data(), &size);
        }
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) return {REG_NONE, "<no value>"};
        return {type, data.substr(0, size)};
    }

    static std::string dword(DWORD value) { return std::string((const char*)&value, sizeof value); }

    static std::vector<std::wstring> texts(const Variant& array) {
        std::vector<std::wstring> items;
        EXPECT_EQ(VT_ARRAY | VT_VARIANT, array.vt);
        if (array.vt != (VT_ARRAY | VT_VARIANT)) return items;
        LONG lower = -1, upper = -2;
        SafeArrayGetLBound(array.parray, 1, &lower);
        SafeArrayGetUBound(array.parray, 1, &upper);
        EXPECT_EQ(0, lower);
        for (LONG i = lower; i <= upper; ++i) {
            Variant item;
            SafeArrayGetElement(array.parray, &i, item.out());
            items.push_back(item.vt == VT_UI1 ? std::to_wstring(item.bVal) : item.toString());
        }
        return items;
    }

    std::string m_name;
};
}  // namespace

TEST_F(RegistryTest, WritingMapsVariantTypes) {
    short shortValue = 12;
    long longValue = 34;
    float floatValue = 1.5f;
    double doubleValue = 0.25;
    BStr textValue(L"by reference");
    BSTR textSlot = textValue.get();
    Variant referenced(56L);

    Variant byRefShort, byRefLong, byRefFloat, byRefDouble, byRefText, byRefVariant;
    byRefShort.vt = VT_I2 | VT_BYREF, byRefShort.piVal = &shortValue;
    byRefLong.vt = VT_I4 | VT_BYREF, byRefLong.plVal = &longValue;
    byRefFloat.vt = VT_R4 | VT_BYREF, byRefFloat.pfltVal = &floatValue;
    byRefDouble.vt = VT_R8 | VT_BYREF, byRefDouble.pdblVal = &doubleValue;
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
        {"refLong", byRefLong, REG_DWORD, dword(34)},
        {"refFloat", byRefFloat, REG_SZ, std::string("1.5", 4)},
        {"refDouble", byRefDouble, REG_SZ, std::string("0.25", 5)},
        {"refText", byRefText, REG_SZ, std::string("by reference", 13)},
        {"refVariant", byRefVariant, REG_DWORD, dword(56)},
    };
    for (const Case& c : cases) {
        setRegistryValue(userPath().c_str(), c.value, c.variant);
        auto stored = readRaw(HKEY_CURRENT_USER, c.value);
        EXPECT_EQ(c.type, stored.first) << c.value;
        EXPECT_EQ(c.data, stored.second) << c.value;
    }

    // The same key by its short name and with forward slashes.
    std::string shortPath = "hkcu/" + m_name;
    setRegistryValue(shortPath.c_str(), "text", Variant(L"replaced"));
    EXPECT_EQ(std::string("replaced", 9), readRaw(HKEY_CURRENT_USER, "text").second);
    EXPECT_EQ(L"replaced", getRegistryValue(userPath().c_str(), "text").toString());
}

TEST_F(RegistryTest, WritingUnsupportedTypesLogsAndThrows) {
    DebugLogCapture log;
    Variant flag(true);
    uint32_t code = 0;
    EXPECT_EQ("setRegistryValue - unsupported variant type",
              errorMessageOf([&] { setRegistryValue(userPath().c_str(), "flag", flag); }, &code));
    EXPECT_EQ(1000u, code);
    EXPECT_EQ((std::vector<std::string>{"Type=b"}), log.lines());
    EXPECT_EQ("<no key>", readRaw(HKEY_CURRENT_USER, "flag").second);

    Variant array;
    array.vt = VT_ARRAY | VT_VARIANT;
    array.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    EXPECT_EQ("setRegistryValue - unsupported variant type",
              errorMessageOf([&] { setRegistryValue(userPath().c_str(), "array", array); }));
    EXPECT_TRUE(log.contains("Type=200c"));

    EXPECT_EQ("setRegistryValue: cannot set registry data",
              errorMessageOf([&] { setRegistryValue("HKX\\a", "value", Variant(1L)); }));
}

TEST_F(RegistryTest, ReadingMapsRegistryTypes) {
    writeRaw("string", REG_SZ, std::string("server.example", 15));
    writeRaw("unterminated", REG_SZ, "abc");
    writeRaw("expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9));
    writeRaw("number", REG_DWORD, dword(0x80000001));
    writeRaw("binary", REG_BINARY, std::string("\x01\xFF", 2));
    writeRaw("noBytes", REG_BINARY, "");
    writeRaw("multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6));
    writeRaw("emptyList", REG_MULTI_SZ, std::string("\0\0", 2));
    writeRaw("oneByte", REG_MULTI_SZ, std::string("\0", 1));
    writeRaw("noTerminator", REG_MULTI_SZ, std::string("ab\0cd", 5));
    writeRaw("quad", REG_QWORD, std::string(8, '\x01'));
    writeRaw("shortNumber", REG_DWORD, std::string(3, '\x01'));  // never read past its three bytes

    std::string key = userPath();
    Variant text = getRegistryValue(key.c_str(), "string");
    EXPECT_EQ(VT_BSTR, text.vt);
    EXPECT_EQ(L"server.example", text.toString());
    EXPECT_EQ(L"abc", getRegistryValue(key.c_str(), "unterminated").toString());
    EXPECT_EQ(L"%TEMP%\\x", getRegistryValue(key.c_str(), "expand").toString());

    Variant number = getRegistryValue(key.c_str(), "number");
    EXPECT_EQ(VT_I4, number.vt);
    EXPECT_EQ((long)0x80000001, number.lVal);

    Variant binary = getRegistryValue(key.c_str(), "binary");
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"255"}), texts(binary));
    EXPECT_EQ(std::vector<std::wstring>{}, texts(getRegistryValue(key.c_str(), "noBytes")));

    EXPECT_EQ((std::vector<std::wstring>{L"a", L"bc"}), texts(getRegistryValue(key.c_str(), "multi")));
    EXPECT_EQ((std::vector<std::wstring>{L""}), texts(getRegistryValue(key.c_str(), "emptyList")));
    EXPECT_EQ(std::vector<std::wstring>{}, texts(getRegistryValue(key.c_str(), "oneByte")));
    EXPECT_EQ((std::vector<std::wstring>{L"ab", L"cd"}), texts(getRegistryValue(key.c_str(), "noTerminator")));

    for (const char* unsupported : {"quad", "shortNumber"})
        EXPECT_EQ("getRegistryValue: unsupported registry data type",
                  errorMessageOf([&] { getRegistryValue(key.c_str(), unsupported); }))
            << unsupported;

    // Values written through one spelling of the path read back through another.
    setRegistryValue(("hklm\\" + m_name).c_str(), "shared", Variant(9L));
    EXPECT_EQ(9, getRegistryValue(("HKEY_LOCAL_MACHINE/" + m_name).c_str(), "shared").toLong());
}

TEST_F(RegistryTest, ReadingErrorsNameTheKeyTheValueAndTheError) {
    writeRaw("present", REG_DWORD, dword(1));
    std::string key = userPath();
    uint32_t code = 0;
    EXPECT_EQ("getRegistryValue: cannot get registry data [" + key + "],[absent],error=[2]",
              errorMessageOf([&] { getRegistryValue(key.c_str(), "absent"); }, &code));
    EXPECT_EQ(1000u, code);
    EXPECT_EQ("getRegistryValue: cannot get registry data [" + key + "\\none],[present],error=[2]",
              errorMessageOf([&] { getRegistryValue((key + "\\none").c_str(), "present"); }));
    EXPECT_EQ(0u, errorMessageOf([&] {
                      getRegistryValue("HKX\\a", "present");
                  }).find("getRegistryValue: cannot get registry data [HKX\\a],[present],error=["));
}

TEST_F(RegistryTest, EnumeratesSubkeysAndDeletesOneKeyAtATime) {
    std::string key = userPath();
    setRegistryValue(key.c_str(), "v", Variant(1L));
    EXPECT_EQ(0, enumRegistryKeys(key.c_str()).count());

    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        expected.push_back("Port" + std::string(1, char('A' + i)) + std::string(i * 5, 'x'));
        setRegistryValue((key + "\\" + expected.back()).c_str(), "active", Variant(1L));
    }
    std::vector<std::string> found;
    for (const cSTRING& name : enumRegistryKeys(("HKCU\\" + m_name).c_str())) found.push_back(name.str());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(expected, found);

    EXPECT_EQ("bvfsDeleteRegistryKey: cannot delete key 5",
              errorMessageOf([&] { bvfsDeleteRegistryKey(key.c_str()); }));
    bvfsDeleteRegistryKey((key + "\\" + expected[0]).c_str());
    EXPECT_EQ(11, enumRegistryKeys(key.c_str()).count());
    EXPECT_EQ("bvfsDeleteRegistryKey: cannot delete key 2",
              errorMessageOf([&] { bvfsDeleteRegistryKey((key + "\\" + expected[0]).c_str()); }));
    EXPECT_EQ("<no error>", errorMessageOf([] { bvfsDeleteRegistryKey("HKX\\a"); }));

    EXPECT_EQ("enumRegistryKeys: cannot open key", errorMessageOf([&] { enumRegistryKeys((key + "\\none").c_str()); }));
    EXPECT_EQ("enumRegistryKeys: unexpected error", errorMessageOf([] { enumRegistryKeys("HKX\\a"); }));
}

TEST_F(RegistryTest, CreatesMissingParentsOneLevelAfterAnother) {
    std::string deepest = machinePath() + "\\One\\Two\\Three";
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));
    LIST<cSTRING> below = enumRegistryKeys((machinePath() + "\\One").c_str());
    ASSERT_EQ(1, below.count());
    EXPECT_STREQ("Two", below[0].c_str());
    EXPECT_EQ(0, enumRegistryKeys(deepest.c_str()).count());
    EXPECT_TRUE(createRegistryKey(deepest.c_str()));  // already there

    std::string lowerCase = "hkey_current_user\\" + m_name + "\\Leaf";
    EXPECT_TRUE(createRegistryKey(lowerCase.c_str()));
    EXPECT_EQ(1, enumRegistryKeys(userPath().c_str()).count());

    EXPECT_FALSE(createRegistryKey(("HKLM\\" + m_name + "\\Short").c_str()));
    EXPECT_FALSE(createRegistryKey("HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(createRegistryKey("\\Leaf"));
    EXPECT_FALSE(createRegistryKey("HKX\\a\\b"));

    DebugLogCapture log;
    std::string tooLong = machinePath() + "\\" + std::string(300, 'k');
    EXPECT_FALSE(createRegistryKey(tooLong.c_str()));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(0u, log.lines()[0].find("** Err: cannot create registry key ")) << log.lines()[0];
}
