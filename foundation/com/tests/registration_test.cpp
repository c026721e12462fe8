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

class RegistrationTest : public ComTest {};

}  // namespace

TEST_F(RegistrationTest, ClassesAndAppIdsComeStoredWholeAndGo) {
    // Fresh identities per run, so that nothing of an earlier run can make the test pass.
    GUID appId, clsid, typeLib;
    for (GUID* guid : {&appId, &clsid, &typeLib}) CoCreateGuid(guid);
    com::ClassInfo info{clsid, L"Thing Class", L"KeloTest.Thing", L"KeloTest.Thing.1", typeLib};
    std::wstring clsidText = com::guidText(clsid), classKey = L"CLSID\\" + clsidText;
    ASSERT_HRESULT_SUCCEEDED(com::registerAppId(appId, L"KeloTest", L"KeloTest.EXE"));
    ASSERT_HRESULT_SUCCEEDED(com::registerLocalServerClass(info, L"C:\\Program Files\\x\\KeloTest.exe", appId));
    std::pair<std::wstring, std::wstring> values[] = {
        {L"AppID\\" + com::guidText(appId), L"KeloTest"},
        {L"KeloTest.Thing.1", L"Thing Class"},
        {L"KeloTest.Thing\\CurVer", L"KeloTest.Thing.1"},
        {L"KeloTest.Thing\\CLSID", clsidText},
        {classKey, L"Thing Class"},
        {classKey + L"\\LocalServer32", L"\"C:\\Program Files\\x\\KeloTest.exe\""},  // quoted: a blank ends no path
        {classKey + L"\\TypeLib", com::guidText(info.typeLib)},
    };
    for (const auto& value : values) EXPECT_EQ(value.second, readValue(value.first)) << value.first;
    EXPECT_EQ(com::guidText(appId), readValue(L"AppID\\KeloTest.EXE", L"AppID"));
    EXPECT_EQ(com::guidText(appId), readValue(classKey, L"AppID"));
    CLSID fromProgId{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"KeloTest.Thing", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(info.clsid, fromProgId));

    ASSERT_HRESULT_SUCCEEDED(com::unregisterClass(info));
    ASSERT_HRESULT_SUCCEEDED(com::unregisterAppId(appId, L"KeloTest.EXE"));
    for (const wchar_t* gone : {classKey.c_str(), L"KeloTest.Thing", L"KeloTest.Thing.1", L"AppID\\KeloTest.EXE"})
        EXPECT_EQ(L"<no key>", readValue(gone)) << gone;
    EXPECT_NE(L"<no key>", readValue(L"CLSID")) << "parent keys stay";
    EXPECT_HRESULT_SUCCEEDED(com::unregisterClass(info)) << "unregistering twice is harmless";
}
