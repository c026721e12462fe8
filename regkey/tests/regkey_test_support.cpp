#include "regkey_test_support.h"

#include <oleauto.h>

#include "lab_paths.h"
#include "lab_registry.h"
#include "text_convert.h"

namespace {
HMODULE loaded = nullptr;

HRESULT callExport(const char* name) {
    auto entry = KeloRegEnvironment::entry<HRESULT(STDAPICALLTYPE*)()>(name);
    return entry ? entry() : E_NOTIMPL;
}
}  // namespace

void KeloRegEnvironment::SetUp() {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    loaded = LoadLibraryW(dllPath().c_str());
    ASSERT_NE(nullptr, loaded) << "KeloReg.dll beside the test program";
    ASSERT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
}

void KeloRegEnvironment::TearDown() {
    if (loaded) {
        EXPECT_HRESULT_SUCCEEDED(callExport("DllUnregisterServer"));
    }
    CoUninitialize();
}

HMODULE KeloRegEnvironment::module() { return loaded; }
std::wstring KeloRegEnvironment::dllPath() { return lab::programFolder() + L"KeloReg.dll"; }

static ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new KeloRegEnvironment);

void RegKeyTest::SetUp() {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    m_scratchSubkey = L"Software\\KeloTest\\RegKey" + std::to_wstring(GetCurrentProcessId());
    lab::deleteRegistryTree(HKEY_CURRENT_USER, m_scratchSubkey);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_scratchSubkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);
}

void RegKeyTest::TearDown() {
    EXPECT_TRUE(lab::deleteRegistryTree(HKEY_CURRENT_USER, m_scratchSubkey));
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KeloTest");  // only when nothing else is below it
    CoUninitialize();
}

ComPtr<IRegistryKey> RegKeyTest::newKey() {
    ComPtr<IRegistryKey> key;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_RegistryKey, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistryKey, (void**)&key));
    return key;
}

ComPtr<IRegistryKey> RegKeyTest::openScratch(const std::wstring& below) {
    ComPtr<IRegistryKey> key = newKey();
    std::wstring path = scratchPath() + (below.empty() ? L"" : L"\\" + below);
    EXPECT_HRESULT_SUCCEEDED(key->setPath(Bstr(path.c_str())));
    return key;
}

void RegKeyTest::writeRaw(const std::wstring& below, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    std::wstring path = m_scratchSubkey + (below.empty() ? L"" : L"\\" + below);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, toAnsi(name).c_str(), 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

bool RegKeyTest::readRaw(const std::wstring& below, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) {
    std::wstring path = m_scratchSubkey + (below.empty() ? L"" : L"\\" + below);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, toAnsi(name).c_str(), nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data->assign(size, 0);
        status = RegQueryValueExA(key, toAnsi(name).c_str(), nullptr, type, data->data(), &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

ErrorInformation takeErrorInformation() {
    ErrorInformation information;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return information;
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text)) && text) information.description = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetSource(&text)) && text) information.source = text;
    SysFreeString(text);
    info->GetGUID(&information.guid);
    info->Release();
    return information;
}

std::wstring regKeyErrorText(const char* operation, DWORD error) {
    char* buffer = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = buffer ? buffer : "";
    LocalFree(buffer);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return L"C_regKey::" + toWide(operation) + L" [" + std::to_wstring(error) + L"-" + toWide(text) + L"]";
}
