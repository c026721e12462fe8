// Class and application id registration under HKEY_CLASSES_ROOT, as the registry holds
// it. (The components' suites prove their own registration and type libraries.)
#include "com/object.h"
#include "com/registration.h"
#include "handles.h"
#include "kelo_test.h"

#include <string>

namespace {

// The value as the registry holds it, with its stored size (a text and its terminator).
std::wstring readValue(const std::wstring& path, const wchar_t* name = nullptr) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return L"<no key>";
    wchar_t data[512] = {};
    DWORD size = sizeof data, type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, (BYTE*)data, &size) != ERROR_SUCCESS) return L"<no value>";
    if (type != REG_SZ || size != (wcslen(data) + 1) * sizeof(wchar_t)) return L"<stored badly>";
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

TEST_F(RegistrationTest, ClassesAndAppIdsComeStoredWholeAndGo) {
    GUID appId = freshGuid();
    com::ClassInfo info{freshGuid(), L"Thing Class", L"KeloTest.Thing", L"KeloTest.Thing.1", freshGuid()};
    std::wstring clsid = com::guidText(info.clsid), classKey = L"CLSID\\" + clsid;
    ASSERT_HRESULT_SUCCEEDED(com::registerAppId(appId, L"KeloTest", L"KeloTest.EXE"));
    ASSERT_HRESULT_SUCCEEDED(com::registerLocalServerClass(info, L"C:\\Program Files\\x\\KeloTest.exe", appId));
    std::pair<std::wstring, std::wstring> values[] = {
        {L"AppID\\" + com::guidText(appId), L"KeloTest"},
        {L"KeloTest.Thing.1", L"Thing Class"},
        {L"KeloTest.Thing.1\\CLSID", clsid},
        {L"KeloTest.Thing\\CurVer", L"KeloTest.Thing.1"},
        {L"KeloTest.Thing\\CLSID", clsid},
        {classKey, L"Thing Class"},
        {classKey + L"\\ProgID", L"KeloTest.Thing.1"},
        {classKey + L"\\VersionIndependentProgID", L"KeloTest.Thing"},
        {classKey + L"\\LocalServer32", L"\"C:\\Program Files\\x\\KeloTest.exe\""},  // quoted: a blank ends no path
        {classKey + L"\\TypeLib", com::guidText(info.typeLib)},
    };
    for (const auto& value : values) EXPECT_EQ(value.second, readValue(value.first)) << value.first;
    EXPECT_EQ(com::guidText(appId), readValue(L"AppID\\KeloTest.EXE", L"AppID"));
    EXPECT_EQ(com::guidText(appId), readValue(classKey, L"AppID"));
    CLSID fromProgId{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"KeloTest.Thing", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(info.clsid, fromProgId));

    // The in-process server replaces the older registration of the class.
    ASSERT_HRESULT_SUCCEEDED(com::registerInprocServerClass(info, L"C:\\x\\gadget.dll", L"Both"));
    EXPECT_EQ(L"C:\\x\\gadget.dll", readValue(classKey + L"\\InprocServer32"));
    EXPECT_EQ(L"Both", readValue(classKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_FALSE(keyExists(classKey + L"\\LocalServer32"));

    ASSERT_HRESULT_SUCCEEDED(com::unregisterClass(info));
    ASSERT_HRESULT_SUCCEEDED(com::unregisterAppId(appId, L"KeloTest.EXE"));
    for (const wchar_t* gone : {classKey.c_str(), L"KeloTest.Thing", L"KeloTest.Thing.1", L"AppID\\KeloTest.EXE"})
        EXPECT_FALSE(keyExists(gone)) << gone;
    EXPECT_TRUE(keyExists(L"CLSID")) << "parent keys stay";
    EXPECT_HRESULT_SUCCEEDED(com::unregisterClass(info)) << "unregistering twice is harmless";
}
