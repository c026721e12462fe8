// KeloReg.dll as a script client reaches it: its registration, the key object's paths,
// sub-keys and errors, which registry type each variant becomes and what comes back.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <tuple>
#include <thread>

#include "bstr.h"
#include "kelo_reg_h.h"
#include "kelo_test.h"
#include "lab_paths.h"
#include "lab_registry.h"
#include "lab_text.h"
#include "variant.h"

using Microsoft::WRL::ComPtr;

namespace {

HMODULE loaded = nullptr;

HRESULT callExport(const char* name) {
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
    return entry ? entry() : E_NOTIMPL;
}

// KeloReg.dll beside the test program, registered for the whole run.
class KeloRegEnvironment : public ::testing::Environment {
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        loaded = LoadLibraryW((lab::programFolder() + L"KeloReg.dll").c_str());
        ASSERT_NE(nullptr, loaded);
        ASSERT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
    }
    void TearDown() override {
        EXPECT_HRESULT_SUCCEEDED(callExport("DllUnregisterServer"));
        CoUninitialize();
    }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new KeloRegEnvironment);

// A failed call as a script sees it: E_FAIL with the component's source and interface,
// given as the description alone; anything else as what differs.
std::wstring failure(HRESULT hr) {
    ComPtr<IErrorInfo> info;
    if (hr != E_FAIL) return L"HRESULT " + std::to_wstring(hr);
    if (GetErrorInfo(0, &info) != S_OK) return L"no error information";
    BStr description, source;
    GUID guid = GUID_NULL;
    info->GetDescription(description.out());
    info->GetSource(source.out());
    info->GetGUID(&guid);
    if (source.str() != L"KeloReg.RegistryKey.1" || !IsEqualGUID(guid, IID_IRegistryKey))
        return L"from " + source.str();
    return description.str();
}

// "C_regKey::<operation> [<error>-<system text>]", the component's wording of a system error.
std::wstring systemFailure(const char* operation, DWORD error) {
    return L"C_regKey::" + lab::fromAnsi(operation) + L" [" + std::to_wstring(error) + L"-" +
           lab::fromAnsi(lab::errorText(error)) + L"]";
}

// A value as the tests compare it: its type and text, arrays element by element.
std::wstring shown(const VARIANT& value) {
    if (value.vt == (VT_ARRAY | VT_VARIANT)) {
        LONG lower = -1, upper = -2;
        SafeArrayGetLBound(value.parray, 1, &lower);
        SafeArrayGetUBound(value.parray, 1, &upper);
        std::wstring text = L"array" + std::wstring(lower == 0 ? L"" : L" not from 0") + L":";
        for (LONG i = lower; i <= upper; i++) {
            Variant element;
            SafeArrayGetElement(value.parray, &i, element.out());
            text += L" " + shown(element);
        }
        return text;
    }
    const wchar_t* type = value.vt == VT_BSTR  ? L"bstr"
                          : value.vt == VT_I4  ? L"i4"
                          : value.vt == VT_UI1 ? L"ui1"
                                               : L"?";
    return std::wstring(type) + L"(" + Variant(value).toString() + L")";
}

// Every test runs in the multithreaded apartment below its own scratch key
// HKEY_CURRENT_USER\Software\KeloTest\RegKey<pid>, which goes away afterwards.
class RegKey : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        lab::deleteRegistryTree(HKEY_CURRENT_USER, m_scratch);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    void TearDown() override {
        EXPECT_TRUE(lab::deleteRegistryTree(HKEY_CURRENT_USER, m_scratch));
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KeloTest");  // only when nothing else is below it
    }

    static ComPtr<IRegistryKey> newKey() {
        ComPtr<IRegistryKey> key;
        EXPECT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_RegistryKey, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistryKey, (void**)&key));
        return key;
    }
    std::wstring scratchPath(const std::wstring& below = L"") const { return L"HKEY_CURRENT_USER\\" + subkey(below); }
    ComPtr<IRegistryKey> openScratch(const std::wstring& below = L"") {
        ComPtr<IRegistryKey> key = newKey();
        EXPECT_HRESULT_SUCCEEDED(key->setPath(BStr(scratchPath(below)).get()));
        return key;
    }
    std::wstring read(IRegistryKey* key, const wchar_t* name) {
        Variant value;
        value.vt = VT_I8;  // poisoned
        HRESULT hr = key->get_value(BStr(name).get(), value.out());
        return SUCCEEDED(hr) ? shown(value) : failure(hr) + L" " + shown(value);
    }

    // "<type>:<bytes>" of a stored value (ANSI data, as the component keeps it), or "missing".
    std::string stored(const std::wstring& below, const wchar_t* name) {
        HKEY key = nullptr;
        char data[256] = {};
        DWORD type = 0xdeadbeef, size = sizeof data;
        LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, subkey(below).c_str(), 0, KEY_READ, &key);
        if (status == ERROR_SUCCESS)
            status = RegQueryValueExA(key, lab::toAnsi(name).c_str(), nullptr, &type, (BYTE*)data, &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "missing";
    }
    std::wstring subkey(const std::wstring& below) const { return m_scratch + (below.empty() ? L"" : L"\\" + below); }

    const std::wstring m_scratch = L"Software\\KeloTest\\RegKey" + std::to_wstring(GetCurrentProcessId());
};

std::string dword(DWORD value) { return "4:" + std::string(reinterpret_cast<const char*>(&value), sizeof value); }

}  // namespace

TEST_F(RegKey, RegisteredForScriptsAndGoneAfterUnregistration) {
    for (const wchar_t* progId : {L"KeloReg.RegistryKey", L"KeloReg.RegistryKey.1"}) {
        CLSID clsid{};
        EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(CLSID_RegistryKey, clsid)) << progId;
    }
    // Scripts reach setPath and both sides of the value property by these ids.
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_KeloRegistry, 1, 0, 0x409, &library));
    const ScriptMember members[] = {{&IID_IRegistryKey, L"setPath", INVOKE_FUNC, 1, 0},
                                    {&IID_IRegistryKey, L"value", INVOKE_PROPERTYGET, 5, 0},
                                    {&IID_IRegistryKey, L"value", INVOKE_PROPERTYPUT, 5, 0}};
    expectScriptMembers(library.Get(), members, std::size(members));
    ASSERT_HRESULT_SUCCEEDED(callExport("DllUnregisterServer"));
    for (const std::wstring& key :
         {std::wstring(L"CLSID\\{7E903BB8-4631-4311-B4AB-424B769C49C8}"), std::wstring(L"KeloReg.RegistryKey"),
          std::wstring(L"KeloReg.RegistryKey.1"), std::wstring(L"TypeLib\\{D8544643-5E73-48A5-8B7C-C076FCFB99BC}")})
        EXPECT_FALSE(lab::captureRegistryTree(HKEY_CLASSES_ROOT, key).exists) << lab::toUtf8(key);
    ASSERT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
    EXPECT_TRUE(newKey());
}

TEST_F(RegKey, SetPathTakesFullRootNamesOnlyAndAFailureLeavesTheObjectInvalid) {
    ComPtr<IRegistryKey> key = newKey();
    auto valid = [&] {
        VARIANT_BOOL value = (VARIANT_BOOL)0x5a5a;
        EXPECT_HRESULT_SUCCEEDED(key->get_isValid(&value));
        return value;
    };
    EXPECT_EQ(VARIANT_FALSE, valid());
    for (const wchar_t* accepted : {L"hkey_current_user/Software", L"HKEY_LOCAL_MACHINE\\SOFTWARE",
                                    L"HKEY_CLASSES_ROOT\\CLSID", L"HKEY_CURRENT_USER"}) {
        EXPECT_HRESULT_SUCCEEDED(key->setPath(BStr(accepted).get())) << accepted;
        EXPECT_EQ(VARIANT_TRUE, valid());
    }
    for (const std::wstring& refused : {L"HKCU\\Software", L"HKU\\.DEFAULT", L"", L"Software\\Wine"}) {
        EXPECT_EQ(L"C_regKey::openKey - Invalid key name : " + refused, failure(key->setPath(BStr(refused).get())));
        EXPECT_EQ(VARIANT_FALSE, valid()) << "a failed setPath drops the key it had";
        ASSERT_HRESULT_SUCCEEDED(key->setPath(BStr(L"HKEY_CURRENT_USER").get()));
    }
    EXPECT_EQ(systemFailure("openKey", ERROR_FILE_NOT_FOUND), failure(key->setPath(BStr(scratchPath(L"no")).get())));
    EXPECT_EQ(VARIANT_FALSE, valid());
}

TEST_F(RegKey, EveryMemberButSetPathAndIsValidNeedsAValidKey) {
    ComPtr<IRegistryKey> key = newKey();
    VARIANT result;
    VariantInit(&result);
    ComPtr<IRegistryKey> sub;
    BStr name(L"x");
    for (const char* state : {"never set", "after a failed setPath"}) {
        // subKeys, values, value (get and put), deleteValue, navigateToSubKey, deleteSubKey, createSubKey, getSubKey
        const std::wstring failures[] = {
            failure(key->get_subKeys(&result)),           failure(key->get_values(&result)),
            failure(key->get_value(name.get(), &result)), failure(key->put_value(name.get(), Variant(42L))),
            failure(key->deleteValue(name.get())),        failure(key->navigateToSubKey(name.get())),
            failure(key->deleteSubKey(name.get())),       failure(key->createSubKey(name.get(), &sub)),
            failure(key->getSubKey(name.get(), &sub))};
        for (size_t i = 0; i < std::size(failures); i++)
            EXPECT_EQ(L"Key is not valid", failures[i]) << i << ", " << state;
        EXPECT_EQ(E_FAIL, key->setPath(BStr(L"HKLM\\SOFTWARE").get()));
    }
    EXPECT_EQ(VT_EMPTY, result.vt);
    EXPECT_EQ(nullptr, sub.Get());
}

TEST_F(RegKey, SubKeysAreListedOpenedCreatedNavigatedAndDeleted) {
    lab::writeRegistryNumber(HKEY_CURRENT_USER, subkey(L"child"), L"first", 1);
    lab::writeRegistryString(HKEY_CURRENT_USER, subkey(L"child"), L"second", L"x");
    lab::writeRegistryNumber(HKEY_CURRENT_USER, subkey(L"child\\grandchild"), L"deep", 1);
    ComPtr<IRegistryKey> parent = openScratch();

    ComPtr<IRegistryKey> child;
    ASSERT_HRESULT_SUCCEEDED(parent->getSubKey(BStr(L"child").get(), &child));
    Variant names;
    ASSERT_HRESULT_SUCCEEDED(child->get_values(names.out()));
    EXPECT_EQ(L"array: bstr(first) bstr(second)", shown(names));
    ASSERT_HRESULT_SUCCEEDED(child->get_subKeys(names.out()));
    EXPECT_EQ(L"array: bstr(grandchild)", shown(names));
    IRegistryKey* missing = poisoned<IRegistryKey*>();
    EXPECT_EQ(systemFailure("getSubKey", ERROR_FILE_NOT_FOUND),
              failure(parent->getSubKey(BStr(L"none").get(), &missing)));
    EXPECT_EQ(nullptr, missing);

    ComPtr<IRegistryKey> created;
    ASSERT_HRESULT_SUCCEEDED(parent->createSubKey(BStr(L"made\\deeper").get(), &created));
    ASSERT_HRESULT_SUCCEEDED(created->put_value(BStr(L"v").get(), Variant(7L)));
    EXPECT_EQ(dword(7), stored(L"made\\deeper", L"v"));
    ASSERT_HRESULT_SUCCEEDED(parent->createSubKey(BStr(L"made\\deeper").get(), &created))
        << "an existing key is opened";
    ASSERT_HRESULT_SUCCEEDED(parent->get_subKeys(names.out()));
    EXPECT_EQ(L"array: bstr(child) bstr(made)", shown(names));

    // Navigation repoints the object; a failed one keeps the key it had.
    ComPtr<IRegistryKey> walker = openScratch();
    ASSERT_HRESULT_SUCCEEDED(walker->navigateToSubKey(BStr(L"child").get()));
    ASSERT_HRESULT_SUCCEEDED(walker->navigateToSubKey(BStr(L"grandchild").get()));
    EXPECT_EQ(L"i4(1)", read(walker.Get(), L"deep"));
    EXPECT_EQ(systemFailure("getSubKey", ERROR_FILE_NOT_FOUND), failure(walker->navigateToSubKey(BStr(L"no").get())));
    EXPECT_EQ(L"i4(1)", read(walker.Get(), L"deep"));

    // Only keys without sub-keys of their own are deleted; values go one by one.
    EXPECT_EQ(systemFailure("deleteSubKey", ERROR_ACCESS_DENIED), failure(parent->deleteSubKey(BStr(L"made").get())));
    EXPECT_EQ(dword(7), stored(L"made\\deeper", L"v"));
    ASSERT_HRESULT_SUCCEEDED(created->deleteValue(BStr(L"v").get()));
    EXPECT_EQ("missing", stored(L"made\\deeper", L"v"));
    ASSERT_HRESULT_SUCCEEDED(parent->navigateToSubKey(BStr(L"made").get()));
    ASSERT_HRESULT_SUCCEEDED(parent->deleteSubKey(BStr(L"deeper").get()));
}

TEST_F(RegKey, ValuesKeepTheirVariantKindThroughTheRegistry) {
    ComPtr<IRegistryKey> key = openScratch();
    Variant byReference, variantReference, inner(L"inside"), date, flag(true);
    long referenced = 99;
    byReference.vt = VT_I4 | VT_BYREF;
    byReference.plVal = &referenced;
    variantReference.vt = VT_VARIANT | VT_BYREF;
    variantReference.pvarVal = &inner;
    date.vt = VT_DATE;
    date.date = 40000.5;
    const std::tuple<const wchar_t*, Variant, std::string, std::wstring> written[] = {
        // name, value, "<type>:<bytes>", read back
        {L"text", Variant(L"42"), std::string("1:42\0", 5), L"bstr(42)"},
        {L"number", Variant(42L), dword(42), L"i4(42)"},
        {L"short", Variant((short)-7), dword((DWORD)-7), L"i4(-7)"},
        {L"double", Variant(2.5), std::string("1:2.5\0", 6), L"bstr(2.5)"},
        {L"byref", byReference, dword(99), L"i4(99)"},
        {L"varref", variantReference, std::string("1:inside\0", 9), L"bstr(inside)"},
        {L"", Variant(L"default"), std::string("1:default\0", 10), L"bstr(default)"},
    };
    for (const auto& [name, value, bytes, readBack] : written) {
        ASSERT_HRESULT_SUCCEEDED(key->put_value(BStr(name).get(), value)) << lab::toUtf8(name);
        EXPECT_EQ(bytes, stored(L"", name)) << lab::toUtf8(name);
        EXPECT_EQ(readBack, read(key.Get(), name));
    }
    for (const Variant& refused : {date, flag, Variant()}) {
        EXPECT_EQ(L"C_regKey::setValue  - unsupported variant type",
                  failure(key->put_value(BStr(L"no").get(), refused)));
        EXPECT_EQ("missing", stored(L"", L"no"));
    }

    const BYTE binary[] = {0x01, 0xFF};
    ULONGLONG big = 1;
    const std::tuple<const wchar_t*, DWORD, const void*, DWORD, std::wstring> raw[] = {
        {L"expand", REG_EXPAND_SZ, L"%TEMP%\\x", 18, L"bstr(%TEMP%\\x)"},  // not expanded
        {L"binary", REG_BINARY, binary, 2, L"array: ui1(1) ui1(255)"},
        {L"multi", REG_MULTI_SZ, L"a\0bc\0", 12, L"array: bstr(a) bstr(bc)"},
        {L"unterminated", REG_SZ, L"abc", 6, L"bstr(abc)"},
        {L"empty", REG_SZ, L"", 0, L"bstr()"},
        {L"qword", REG_QWORD, &big, 8, L"C_regKey::getValue unsupported registry data type ?()"},
    };
    for (const auto& [name, type, data, size, readBack] : raw) {
        lab::writeRegistryValue(HKEY_CURRENT_USER, m_scratch, name, type, data, size);
        EXPECT_EQ(readBack, read(key.Get(), name));
    }
    EXPECT_EQ(systemFailure("getValue", ERROR_FILE_NOT_FOUND) + L" ?()", read(key.Get(), L"absent"));
}

TEST_F(RegKey, ObjectsAreUsedDirectlyFromOtherApartmentsAndHoldTheModule) {
    ComPtr<IRegistryKey> key = openScratch(), seen;
    IStream* stream = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoMarshalInterThreadInterfaceInStream(IID_IRegistryKey, key.Get(), &stream));
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoGetInterfaceAndReleaseStream(stream, IID_IRegistryKey, reinterpret_cast<void**>(seen.GetAddressOf()));
        CoUninitialize();
    }).join();
    EXPECT_EQ(key.Get(), seen.Get()) << "no proxy between apartments";
    EXPECT_EQ(S_FALSE, callExport("DllCanUnloadNow"));
    key.Reset();
    seen.Reset();
    EXPECT_EQ(S_OK, callExport("DllCanUnloadNow"));
}
