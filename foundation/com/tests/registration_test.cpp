// Class, application id and type library registration under HKEY_CLASSES_ROOT.
#include "com/module.h"
#include "com/object.h"
#include "com/registration.h"
#include "kelo_test.h"
#include "handles.h"

#include <string>

namespace {

std::wstring readValue(const std::wstring& path, const wchar_t* name = nullptr) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return L"<no key>";
    wchar_t data[512] = {};
    DWORD size = sizeof data, type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, (BYTE*)data, &size) != ERROR_SUCCESS) return L"<no value>";
    return data;
}

bool keyExists(const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

// Fresh identities per run, so that nothing of an earlier run can make a test pass.
GUID freshGuid() {
    GUID guid;
    CoCreateGuid(&guid);
    return guid;
}

class RegistrationTest : public ComTest {};

}  // namespace

TEST_F(RegistrationTest, LocalServerClassAndAppIdComeAndGo) {
    GUID appId = freshGuid();
    com::ClassInfo info{freshGuid(), L"Thing Class", L"KeloTest.Thing", L"KeloTest.Thing.1", freshGuid()};
    std::wstring clsid = com::guidText(info.clsid);
    std::wstring classKey = L"CLSID\\" + clsid;

    ASSERT_HRESULT_SUCCEEDED(com::registerAppId(appId, L"KeloTest", L"KeloTest.EXE"));
    ASSERT_HRESULT_SUCCEEDED(com::registerLocalServerClass(info, L"C:\\Program Files\\x\\KeloTest.exe", appId));

    EXPECT_EQ(L"KeloTest", readValue(L"AppID\\" + com::guidText(appId)));
    EXPECT_EQ(com::guidText(appId), readValue(L"AppID\\KeloTest.EXE", L"AppID"));
    EXPECT_EQ(L"Thing Class", readValue(L"KeloTest.Thing.1"));
    EXPECT_EQ(clsid, readValue(L"KeloTest.Thing.1\\CLSID"));
    EXPECT_EQ(L"KeloTest.Thing.1", readValue(L"KeloTest.Thing\\CurVer"));
    EXPECT_EQ(clsid, readValue(L"KeloTest.Thing\\CLSID"));
    EXPECT_EQ(L"Thing Class", readValue(classKey));
    EXPECT_EQ(L"KeloTest.Thing.1", readValue(classKey + L"\\ProgID"));
    EXPECT_EQ(L"KeloTest.Thing", readValue(classKey + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(keyExists(classKey + L"\\Programmable"));
    EXPECT_EQ(L"\"C:\\Program Files\\x\\KeloTest.exe\"", readValue(classKey + L"\\LocalServer32")) << "quoted";
    EXPECT_EQ(com::guidText(appId), readValue(classKey, L"AppID"));
    EXPECT_EQ(com::guidText(info.typeLib), readValue(classKey + L"\\TypeLib"));

    CLSID fromProgId{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"KeloTest.Thing", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(info.clsid, fromProgId));

    ASSERT_HRESULT_SUCCEEDED(com::unregisterClass(info));
    ASSERT_HRESULT_SUCCEEDED(com::unregisterAppId(appId, L"KeloTest.EXE"));
    EXPECT_FALSE(keyExists(classKey));
    EXPECT_FALSE(keyExists(L"KeloTest.Thing"));
    EXPECT_FALSE(keyExists(L"KeloTest.Thing.1"));
    EXPECT_FALSE(keyExists(L"AppID\\KeloTest.EXE"));
    EXPECT_TRUE(keyExists(L"CLSID")) << "parent keys stay";
    EXPECT_HRESULT_SUCCEEDED(com::unregisterClass(info)) << "unregistering twice is harmless";
}

TEST_F(RegistrationTest, InprocServerClassReplacesAnOlderRegistration) {
    com::ClassInfo info{freshGuid(), L"Gadget Class", L"KeloTest.Gadget", L"KeloTest.Gadget.1", freshGuid()};
    std::wstring classKey = L"CLSID\\" + com::guidText(info.clsid);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, (classKey + L"\\Stale").c_str(), REG_SZ, L"x", 1));

    ASSERT_HRESULT_SUCCEEDED(com::registerInprocServerClass(info, L"C:\\x\\gadget.dll", L"Both"));
    EXPECT_FALSE(keyExists(classKey + L"\\Stale"));
    EXPECT_EQ(L"C:\\x\\gadget.dll", readValue(classKey + L"\\InprocServer32"));
    EXPECT_EQ(L"Both", readValue(classKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_FALSE(keyExists(classKey + L"\\LocalServer32"));

    ASSERT_HRESULT_SUCCEEDED(com::unregisterClass(info));
    EXPECT_FALSE(keyExists(classKey));
}

TEST_F(RegistrationTest, ModuleTypeLibraryRegistersFromTheEmbeddedResource) {
    const GUID libId = {0x5A1C7E10, 0x8F3B, 0x4C1E, {0x9A, 0x52, 0x3D, 0x1F, 0x0B, 0x6E, 0x7C, 0x00}};
    ASSERT_HRESULT_SUCCEEDED(com::registerModuleTypeLib());
    com::ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(libId, 1, 0, 0, &library));
    EXPECT_EQ(L"Calculator 1.0", readValue(L"TypeLib\\" + com::guidText(libId) + L"\\1.0"));

    ASSERT_HRESULT_SUCCEEDED(com::unregisterModuleTypeLib());
    EXPECT_FALSE(keyExists(L"TypeLib\\" + com::guidText(libId) + L"\\1.0"));
}

TEST_F(RegistrationTest, DeleteKeyTreeRemovesNestedKeys) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, L"KeloTest.Tree\\a\\b\\c", REG_SZ, L"x", 1));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(HKEY_CLASSES_ROOT, L"KeloTest.Tree\\d", REG_SZ, L"x", 1));
    EXPECT_EQ(ERROR_SUCCESS, com::deleteKeyTree(HKEY_CLASSES_ROOT, L"KeloTest.Tree"));
    EXPECT_FALSE(keyExists(L"KeloTest.Tree"));
    EXPECT_EQ(ERROR_SUCCESS, com::deleteKeyTree(HKEY_CLASSES_ROOT, L"KeloTest.Tree"));
}
