// Self-registration of KeloReg.dll: class, ProgIDs and type library.
#include "regkey_test_support.h"

#include <oleauto.h>

#include "lab_text.h"

namespace {

std::wstring classesValue(const std::wstring& path, const wchar_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
    wchar_t data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? data : L"<no value>";
}

bool classesKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

const wchar_t kClassKey[] = L"CLSID\\{7E903BB8-4631-4311-B4AB-424B769C49C8}";
const wchar_t kLibId[] = L"{D8544643-5E73-48A5-8B7C-C076FCFB99BC}";

HRESULT callExport(const char* name) {
    auto entry = KeloRegEnvironment::entry<HRESULT(STDAPICALLTYPE*)()>(name);
    return entry ? entry() : E_NOTIMPL;
}

class RegistrationTest : public RegKeyTest {};

}  // namespace

TEST_F(RegistrationTest, ClassProgIdsAndTypeLibraryAreRegistered) {
    std::wstring clsid = L"{7E903BB8-4631-4311-B4AB-424B769C49C8}";
    EXPECT_EQ(L"RegistryKey Class", classesValue(L"KeloReg.RegistryKey"));
    EXPECT_EQ(clsid, classesValue(L"KeloReg.RegistryKey\\CLSID"));
    EXPECT_EQ(L"KeloReg.RegistryKey.1", classesValue(L"KeloReg.RegistryKey\\CurVer"));
    EXPECT_EQ(L"RegistryKey Class", classesValue(L"KeloReg.RegistryKey.1"));
    EXPECT_EQ(clsid, classesValue(L"KeloReg.RegistryKey.1\\CLSID"));

    std::wstring classKey = kClassKey;
    EXPECT_EQ(L"KeloReg.RegistryKey.1", classesValue(classKey + L"\\ProgID"));
    EXPECT_EQ(L"KeloReg.RegistryKey", classesValue(classKey + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(classesKeyExists(classKey + L"\\Programmable"));
    EXPECT_TRUE(lab::equalsNoCase(KeloRegEnvironment::dllPath(), classesValue(classKey + L"\\InprocServer32")));
    EXPECT_EQ(L"Both", classesValue(classKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(kLibId, classesValue(classKey + L"\\TypeLib"));

    EXPECT_EQ(L"KeloRegistry Helper", classesValue(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0"));
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_KeloRegistry, 1, 0, 0x409, &library));
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID_IRegistryKey, &info));

    CLSID fromProgId{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"KeloReg.RegistryKey", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_RegistryKey, fromProgId));
}

TEST_F(RegistrationTest, UnregistrationRemovesWhatRegistrationWrote) {
    ASSERT_HRESULT_SUCCEEDED(callExport("DllUnregisterServer"));
    EXPECT_FALSE(classesKeyExists(kClassKey));
    EXPECT_FALSE(classesKeyExists(L"KeloReg.RegistryKey"));
    EXPECT_FALSE(classesKeyExists(L"KeloReg.RegistryKey.1"));
    EXPECT_FALSE(classesKeyExists(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0"));
    ComPtr<IRegistryKey> key;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_RegistryKey, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistryKey, (void**)&key));

    ASSERT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
    EXPECT_TRUE(classesKeyExists(kClassKey));
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_RegistryKey, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistryKey, (void**)&key));
}
