// The registry key object through its COM interface: validity, errors, sub-keys,
// dispatch ids and use from other apartments.
#include "regkey_test_support.h"

#include <oleauto.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "reg_key.h"
#include "variant.h"

namespace {

std::vector<std::wstring> stringsOf(const VARIANT& array) {
    std::vector<std::wstring> strings;
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, array.vt);
    if (array.vt != (VT_ARRAY | VT_VARIANT)) return strings;
    EXPECT_EQ(1u, SafeArrayGetDim(array.parray));
    LONG lower = 1, upper = 0;
    SafeArrayGetLBound(array.parray, 1, &lower);
    SafeArrayGetUBound(array.parray, 1, &upper);
    EXPECT_EQ(0, lower);
    for (LONG i = lower; i <= upper; ++i) {
        VARIANT element;
        VariantInit(&element);
        SafeArrayGetElement(array.parray, &i, &element);
        EXPECT_EQ(VT_BSTR, element.vt);
        strings.push_back(element.vt == VT_BSTR && element.bstrVal ? element.bstrVal : L"");
        VariantClear(&element);
    }
    return strings;
}

class RegistryKeyTest : public RegKeyTest {};

}  // namespace

TEST_F(RegistryKeyTest, ValidOnlyAfterASuccessfulSetPath) {
    ComPtr<IRegistryKey> key = newKey();
    VARIANT_BOOL valid = (VARIANT_BOOL)0x5a5a;
    ASSERT_HRESULT_SUCCEEDED(key->get_isValid(&valid));
    EXPECT_EQ(VARIANT_FALSE, valid);

    ASSERT_HRESULT_SUCCEEDED(key->setPath(Bstr(L"HKEY_CURRENT_USER\\Software")));
    ASSERT_HRESULT_SUCCEEDED(key->get_isValid(&valid));
    EXPECT_EQ(VARIANT_TRUE, valid);

    SetErrorInfo(0, nullptr);
    EXPECT_EQ(E_FAIL, key->setPath(Bstr(L"HKCU\\Software")));
    ErrorInformation error = takeErrorInformation();
    EXPECT_EQ(L"C_regKey::openKey - Invalid key name : HKCU\\Software", error.description);
    EXPECT_EQ(L"KeloReg.RegistryKey.1", error.source);
    EXPECT_TRUE(IsEqualGUID(IID_IRegistryKey, error.guid));
    valid = (VARIANT_BOOL)0x5a5a;
    ASSERT_HRESULT_SUCCEEDED(key->get_isValid(&valid));
    EXPECT_EQ(VARIANT_FALSE, valid) << "a failed setPath drops the key it had";
}

TEST_F(RegistryKeyTest, RootNamesAreMatchedByTheirFullNamesOnly) {
    ComPtr<IRegistryKey> key = newKey();
    EXPECT_HRESULT_SUCCEEDED(key->setPath(Bstr(L"hkey_current_user/Software"))) << "any case, either separator";
    EXPECT_HRESULT_SUCCEEDED(key->setPath(Bstr(L"HKEY_LOCAL_MACHINE\\SOFTWARE")));
    EXPECT_HRESULT_SUCCEEDED(key->setPath(Bstr(L"HKEY_CLASSES_ROOT\\CLSID")));
    EXPECT_HRESULT_SUCCEEDED(key->setPath(Bstr(L"HKEY_CURRENT_USER"))) << "the root itself";
    for (const wchar_t* refused : {L"HKLM\\SOFTWARE", L"HKCR\\CLSID", L"HKU\\.DEFAULT", L"", L"Software\\Wine"}) {
        EXPECT_EQ(E_FAIL, key->setPath(Bstr(refused))) << refused;
        EXPECT_EQ(L"C_regKey::openKey - Invalid key name : " + std::wstring(refused),
                  takeErrorInformation().description);
    }
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyReportsTheSystemError) {
    ComPtr<IRegistryKey> key = newKey();
    EXPECT_EQ(E_FAIL, key->setPath(Bstr((scratchPath() + L"\\missing").c_str())));
    EXPECT_EQ(regKeyErrorText("openKey", ERROR_FILE_NOT_FOUND), takeErrorInformation().description);
}

TEST_F(RegistryKeyTest, EveryMemberButSetPathAndIsValidNeedsAValidKey) {
    ComPtr<IRegistryKey> key = newKey();
    VARIANT result;
    VariantInit(&result);
    ComPtr<IRegistryKey> sub;
    Bstr name(L"x");
    Variant data(42L);
    struct Call {
        const char* member;
        std::function<HRESULT()> run;
    } calls[] = {
        {"subKeys", [&] { return key->get_subKeys(&result); }},
        {"values", [&] { return key->get_values(&result); }},
        {"value get", [&] { return key->get_value(name, &result); }},
        {"value put", [&] { return key->put_value(name, data); }},
        {"deleteValue", [&] { return key->deleteValue(name); }},
        {"navigateToSubKey", [&] { return key->navigateToSubKey(name); }},
        {"deleteSubKey", [&] { return key->deleteSubKey(name); }},
        {"createSubKey", [&] { return key->createSubKey(name, &sub); }},
        {"getSubKey", [&] { return key->getSubKey(name, &sub); }},
    };
    auto checkAll = [&](const char* state) {
        for (const Call& call : calls) {
            SetErrorInfo(0, nullptr);
            EXPECT_EQ(E_FAIL, call.run()) << call.member << ", " << state;
            ErrorInformation error = takeErrorInformation();
            EXPECT_EQ(L"Key is not valid", error.description) << call.member << ", " << state;
            EXPECT_EQ(L"KeloReg.RegistryKey.1", error.source) << call.member;
        }
    };
    checkAll("never set");
    EXPECT_EQ(E_FAIL, key->setPath(Bstr(L"HKLM\\SOFTWARE")));
    checkAll("after a failed setPath");
    EXPECT_EQ(VT_EMPTY, result.vt);
    EXPECT_EQ(nullptr, sub.Get());
}

TEST_F(RegistryKeyTest, SubKeyObjectsAreValidAndListTheirOwnValues) {
    DWORD one = 1;
    writeRaw(L"child", L"first", REG_DWORD, &one, sizeof one);
    writeRaw(L"child", L"second", REG_SZ, "x", 2);
    writeRaw(L"child\\grandchild", L"deep", REG_DWORD, &one, sizeof one);
    ComPtr<IRegistryKey> parent = openScratch();

    ComPtr<IRegistryKey> child;
    ASSERT_HRESULT_SUCCEEDED(parent->getSubKey(Bstr(L"child"), &child));
    ASSERT_NE(nullptr, child.Get());
    VARIANT_BOOL valid = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(child->get_isValid(&valid));
    EXPECT_EQ(VARIANT_TRUE, valid);
    Variant names;
    ASSERT_HRESULT_SUCCEEDED(child->get_values(names.out()));
    std::vector<std::wstring> values = stringsOf(names);
    std::sort(values.begin(), values.end());
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), values);
    ASSERT_HRESULT_SUCCEEDED(child->get_subKeys(names.out()));
    EXPECT_EQ(std::vector<std::wstring>{L"grandchild"}, stringsOf(names));

    ComPtr<IRegistryKey> missing;
    EXPECT_EQ(E_FAIL, parent->getSubKey(Bstr(L"nothing"), &missing));
    EXPECT_EQ(regKeyErrorText("getSubKey", ERROR_FILE_NOT_FOUND), takeErrorInformation().description);
    EXPECT_EQ(nullptr, missing.Get());

    ComPtr<IRegistryKey> created;
    ASSERT_HRESULT_SUCCEEDED(parent->createSubKey(Bstr(L"made\\deeper"), &created));
    ASSERT_HRESULT_SUCCEEDED(created->put_value(Bstr(L"v"), Variant(7L)));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(readRaw(L"made\\deeper", L"v", &type, &data));
    EXPECT_EQ((DWORD)REG_DWORD, type);
    ComPtr<IRegistryKey> again;
    EXPECT_HRESULT_SUCCEEDED(parent->createSubKey(Bstr(L"made\\deeper"), &again)) << "an existing key is opened";

    ASSERT_HRESULT_SUCCEEDED(parent->get_subKeys(names.out()));
    std::vector<std::wstring> keys = stringsOf(names);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ((std::vector<std::wstring>{L"child", L"made"}), keys);
}

TEST_F(RegistryKeyTest, NavigateRepointsTheObjectAndKeepsItValid) {
    DWORD one = 1;
    writeRaw(L"a\\b", L"inB", REG_DWORD, &one, sizeof one);
    ComPtr<IRegistryKey> key = openScratch();
    ASSERT_HRESULT_SUCCEEDED(key->navigateToSubKey(Bstr(L"a")));
    ASSERT_HRESULT_SUCCEEDED(key->navigateToSubKey(Bstr(L"b")));
    Variant value;
    ASSERT_HRESULT_SUCCEEDED(key->get_value(Bstr(L"inB"), value.out()));
    EXPECT_EQ(VT_I4, value.vt);

    EXPECT_EQ(E_FAIL, key->navigateToSubKey(Bstr(L"nothing")));
    EXPECT_EQ(regKeyErrorText("getSubKey", ERROR_FILE_NOT_FOUND), takeErrorInformation().description);
    EXPECT_HRESULT_SUCCEEDED(key->get_value(Bstr(L"inB"), value.out())) << "a failed navigation keeps the old key";
}

TEST_F(RegistryKeyTest, DeletingSubKeysAndValues) {
    DWORD one = 1;
    writeRaw(L"leaf", L"v", REG_DWORD, &one, sizeof one);
    writeRaw(L"tree\\branch", L"v", REG_DWORD, &one, sizeof one);
    ComPtr<IRegistryKey> key = openScratch();

    ASSERT_HRESULT_SUCCEEDED(key->deleteSubKey(Bstr(L"leaf")));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(readRaw(L"leaf", L"v", &type, &data));
    EXPECT_EQ(E_FAIL, key->deleteSubKey(Bstr(L"leaf")));
    EXPECT_EQ(regKeyErrorText("deleteSubKey", ERROR_FILE_NOT_FOUND), takeErrorInformation().description);
    EXPECT_EQ(E_FAIL, key->deleteSubKey(Bstr(L"tree"))) << "a key with sub-keys of its own stays";
    EXPECT_EQ(regKeyErrorText("deleteSubKey", ERROR_ACCESS_DENIED), takeErrorInformation().description);
    EXPECT_TRUE(readRaw(L"tree\\branch", L"v", &type, &data));

    ComPtr<IRegistryKey> branch = openScratch(L"tree\\branch");
    ASSERT_HRESULT_SUCCEEDED(branch->deleteValue(Bstr(L"v")));
    EXPECT_FALSE(readRaw(L"tree\\branch", L"v", &type, &data));
    EXPECT_EQ(E_FAIL, branch->deleteValue(Bstr(L"v")));
    EXPECT_EQ(regKeyErrorText("deleteValue", ERROR_FILE_NOT_FOUND), takeErrorInformation().description);
}

TEST_F(RegistryKeyTest, ErrorsAndPropertiesThroughInvoke) {
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(newKey().As(&dispatch));
    Variant path(L"HKCU\\Software");
    DISPPARAMS params{&path, nullptr, 1, 0};
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &exception, &argumentError));
    EXPECT_EQ(E_FAIL, exception.scode);
    EXPECT_STREQ(L"C_regKey::openKey - Invalid key name : HKCU\\Software", exception.bstrDescription);
    EXPECT_STREQ(L"KeloReg.RegistryKey.1", exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);

    // value (put) and value (get) share id 5.
    Variant scratch(scratchPath());
    params = {&scratch, nullptr, 1, 0};
    ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
    Variant putArguments[2] = {Variant(L"written"), Variant(L"name")};  // last argument first
    DISPID named = DISPID_PROPERTYPUT;
    params = {putArguments, &named, 2, 1};
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(5, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    Variant name(L"name"), result;
    params = {&name, nullptr, 1, 0};
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(5, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, result.out(), nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(L"written", result.bstrVal);
}

TEST_F(RegistryKeyTest, ObjectsAreUsedDirectlyFromOtherApartments) {
    ComPtr<IRegistryKey> key = openScratch();
    ComPtr<IUnknown> marshaler;
    EXPECT_HRESULT_SUCCEEDED(key.As(&marshaler)) << "IUnknown";
    ComPtr<IMarshal> freeThreaded;
    EXPECT_HRESULT_SUCCEEDED(key.As(&freeThreaded));

    IStream* stream = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoMarshalInterThreadInterfaceInStream(IID_IRegistryKey, key.Get(), &stream));
    IRegistryKey* seen = nullptr;
    HRESULT used = E_UNEXPECTED;
    std::thread sta([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(stream, IID_IRegistryKey, (void**)&seen))) {
            used = seen->put_value(Bstr(L"fromSta"), Variant(L"yes"));
            seen->Release();
        }
        CoUninitialize();
    });
    sta.join();
    EXPECT_EQ(key.Get(), seen) << "no proxy between apartments";
    EXPECT_HRESULT_SUCCEEDED(used);
}

TEST_F(RegistryKeyTest, TheModuleStaysLoadedWhileObjectsLive) {
    auto canUnload = KeloRegEnvironment::entry<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    ASSERT_NE(nullptr, canUnload);
    ComPtr<IRegistryKey> key = openScratch();
    ComPtr<IRegistryKey> child;
    ASSERT_HRESULT_SUCCEEDED(key->createSubKey(Bstr(L"c"), &child));
    key.Reset();
    EXPECT_EQ(S_FALSE, canUnload());
    child.Reset();
    EXPECT_EQ(S_OK, canUnload());
}

TEST(RegKeySharing, CopiesShareOneHandleAndDuplicatesOpenAnother) {
    C_regKey key = C_regKey::openKey(L"HKEY_CURRENT_USER\\Software", KEY_READ);
    C_regKey copy = key;
    EXPECT_EQ(key.handle(), copy.handle());
    EXPECT_EQ(2, key.holders());
    C_regKey duplicate = key.duplicate();
    EXPECT_NE(key.handle(), duplicate.handle());
    EXPECT_EQ(1, duplicate.holders());
    { C_regKey gone = std::move(key); }
    EXPECT_FALSE(copy.subKeys().empty()) << "the handle stays open while a copy holds it";
    EXPECT_EQ(copy.subKeys(), duplicate.subKeys());
}
