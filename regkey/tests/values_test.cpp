// Reading and writing values: which registry type each variant type becomes and back.
#include "regkey_test_support.h"

#include <oleauto.h>

#include <cstring>

#include "variant.h"

namespace {

class ValuesTest : public RegKeyTest {
protected:
    void SetUp() override {
        RegKeyTest::SetUp();
        key = openScratch();
    }
    void TearDown() override {
        key.Reset();
        RegKeyTest::TearDown();
    }

    // What is stored under the scratch key for a name: its type and bytes.
    std::pair<DWORD, std::string> stored(const wchar_t* name) {
        DWORD type = 0xdeadbeef;
        std::vector<BYTE> data;
        if (!readRaw(L"", name, &type, &data)) return {REG_NONE, "<missing>"};
        return {type, std::string(data.begin(), data.end())};
    }

    Variant read(const wchar_t* name) {
        Variant value;
        value.vt = VT_I8;  // poisoned
        EXPECT_HRESULT_SUCCEEDED(key->get_value(Bstr(name), value.out())) << name;
        return value;
    }

    ComPtr<IRegistryKey> key;
};

std::string dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

std::vector<Variant> elementsOf(const VARIANT& array) {
    std::vector<Variant> elements;
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, array.vt);
    if (array.vt != (VT_ARRAY | VT_VARIANT)) return elements;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array.parray, 1, &lower);
    SafeArrayGetUBound(array.parray, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        Variant element;
        SafeArrayGetElement(array.parray, &i, element.out());
        elements.push_back(element);
    }
    return elements;
}

}  // namespace

TEST_F(ValuesTest, TheString42AndTheInteger42AreStoredDifferently) {
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"text"), Variant(L"42")));
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"number"), Variant(42L)));
    EXPECT_EQ(std::make_pair((DWORD)REG_SZ, std::string("42", 3)), stored(L"text")) << "ANSI text with its zero";
    EXPECT_EQ(std::make_pair((DWORD)REG_DWORD, dword(42)), stored(L"number"));

    Variant text = read(L"text");
    ASSERT_EQ(VT_BSTR, text.vt);
    EXPECT_STREQ(L"42", text.bstrVal);
    Variant number = read(L"number");
    ASSERT_EQ(VT_I4, number.vt);
    EXPECT_EQ(42, number.lVal);
}

TEST_F(ValuesTest, NumbersOfOtherKindsAreConvertedOnTheWayIn) {
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"short"), Variant((short)-7)));
    EXPECT_EQ(std::make_pair((DWORD)REG_DWORD, dword((DWORD)-7)), stored(L"short"));
    EXPECT_EQ(-7, read(L"short").lVal);

    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"double"), Variant(2.5)));
    Variant expected(2.5);
    ASSERT_HRESULT_SUCCEEDED(VariantChangeType(&expected, &expected, 0, VT_BSTR));
    std::string expectedText(expected.bstrVal, expected.bstrVal + SysStringLen(expected.bstrVal));
    EXPECT_EQ(std::make_pair((DWORD)REG_SZ, expectedText + '\0'), stored(L"double"));

    Variant single;
    single.vt = VT_R4;
    single.fltVal = 0.5f;
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"single"), single));
    EXPECT_EQ((DWORD)REG_SZ, stored(L"single").first);

    long referenced = 99;
    Variant byReference;
    byReference.vt = VT_I4 | VT_BYREF;
    byReference.plVal = &referenced;
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"byref"), byReference));
    EXPECT_EQ(std::make_pair((DWORD)REG_DWORD, dword(99)), stored(L"byref"));

    Variant inner(L"inside");
    Variant variantReference;
    variantReference.vt = VT_VARIANT | VT_BYREF;
    variantReference.pvarVal = &inner;
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L"varref"), variantReference));
    EXPECT_EQ(std::make_pair((DWORD)REG_SZ, std::string("inside", 7)), stored(L"varref"));
}

TEST_F(ValuesTest, UnsupportedVariantTypesAreRefusedAndNothingIsWritten) {
    Variant date;
    date.vt = VT_DATE;
    date.date = 40000.5;
    Variant flag(true);
    Variant empty;
    for (const Variant* value : {&date, &flag, &empty}) {
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(E_FAIL, key->put_value(Bstr(L"refused"), *value)) << value->vt;
        ErrorInformation error = takeErrorInformation();
        EXPECT_EQ(L"C_regKey::setValue  - unsupported variant type", error.description) << value->vt;
        EXPECT_EQ(L"KeloReg.RegistryKey.1", error.source);
        EXPECT_EQ(REG_NONE, stored(L"refused").first);
    }
}

TEST_F(ValuesTest, AMissingValueReportsError2WithTheSystemText) {
    Variant value;
    value.vt = VT_I8;
    EXPECT_EQ(E_FAIL, key->get_value(Bstr(L"absent"), value.out()));
    EXPECT_EQ(VT_EMPTY, value.vt);
    ErrorInformation error = takeErrorInformation();
    EXPECT_EQ(regKeyErrorText("getValue", ERROR_FILE_NOT_FOUND), error.description);
    EXPECT_NE(std::wstring::npos, error.description.find(L"[2-")) << "error 2 is named";
    EXPECT_EQ(L"KeloReg.RegistryKey.1", error.source);
}

TEST_F(ValuesTest, RegistryTypesComeBackAsTheirVariantForms) {
    writeRaw(L"", L"expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    Variant expand = read(L"expand");
    ASSERT_EQ(VT_BSTR, expand.vt);
    EXPECT_STREQ(L"%TEMP%\\x", expand.bstrVal) << "not expanded";

    const BYTE bytes[] = {0x01, 0xFF};
    writeRaw(L"", L"binary", REG_BINARY, bytes, sizeof bytes);
    std::vector<Variant> binary = elementsOf(read(L"binary"));
    ASSERT_EQ(2u, binary.size());
    EXPECT_EQ(VT_UI1, binary[0].vt);
    EXPECT_EQ(1, binary[0].bVal);
    EXPECT_EQ(255, binary[1].bVal);

    writeRaw(L"", L"multi", REG_MULTI_SZ, "a\0bc\0", 6);  // a, bc and the closing zero
    std::vector<Variant> multi = elementsOf(read(L"multi"));
    ASSERT_EQ(2u, multi.size());
    EXPECT_STREQ(L"a", multi[0].bstrVal);
    EXPECT_STREQ(L"bc", multi[1].bstrVal);

    writeRaw(L"", L"unterminated", REG_SZ, "abc", 3);
    EXPECT_STREQ(L"abc", read(L"unterminated").bstrVal);
    writeRaw(L"", L"empty", REG_SZ, "", 0);
    EXPECT_STREQ(L"", read(L"empty").bstrVal);

    ULONGLONG big = 1;
    writeRaw(L"", L"qword", REG_QWORD, &big, sizeof big);
    Variant value;
    EXPECT_EQ(E_FAIL, key->get_value(Bstr(L"qword"), value.out()));
    EXPECT_EQ(L"C_regKey::getValue unsupported registry data type", takeErrorInformation().description);
}

TEST_F(ValuesTest, TheDefaultValueHasTheEmptyName) {
    ASSERT_HRESULT_SUCCEEDED(key->put_value(Bstr(L""), Variant(L"default")));
    EXPECT_STREQ(L"default", read(L"").bstrVal);
    Variant names;
    ASSERT_HRESULT_SUCCEEDED(key->get_values(names.out()));
    std::vector<Variant> listed = elementsOf(names);
    ASSERT_EQ(1u, listed.size());
    EXPECT_STREQ(L"", listed[0].bstrVal);
}
