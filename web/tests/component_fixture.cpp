#include <winsock2.h>

#include "component_fixture.h"

#include <filesystem>
#include <fstream>

#include "bstr.h"
#include "lab_paths.h"

namespace webtest {
namespace {
const std::wstring kClassKey = L"CLSID\\{452A5491-A466-401B-9430-441A23E7E6B2}";
}

const std::vector<std::wstring>& RegisteredKeloWeb::touchedKeys() {
    static const std::vector<std::wstring> keys = {
        kClassKey,
        L"KeloWeb.iWeb",
        L"KeloWeb.iWeb.1",
        L"TypeLib\\{1B96F9E7-16AC-4ABF-AB29-6D8290651503}",
        L"Interface\\{237951A0-3C61-4140-87A5-9052BECD5D61}",
        L"Interface\\{C5291275-1E7E-462F-905D-5419E023017E}",
    };
    return keys;
}

RegisteredKeloWeb::RegisteredKeloWeb() {
    for (const std::wstring& key : touchedKeys())
        m_backups.push_back(std::make_unique<lab::RegistryBackup>(HKEY_CLASSES_ROOT, key));
    m_path = lab::programFolder() + L"KeloWeb.dll";
    m_module = LoadLibraryW(m_path.c_str());
    if (!m_module) throw cERROR_MSG(BV_ERR_GENERAL, "cannot load KeloWeb.dll (%lu)", GetLastError());
    auto registerServer = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(m_module, "DllRegisterServer");
    HRESULT hr = registerServer ? registerServer() : E_NOINTERFACE;
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "DllRegisterServer failed (0x%lx)", (unsigned long)hr);
}

RegisteredKeloWeb::~RegisteredKeloWeb() {
    auto unregisterServer = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(m_module, "DllUnregisterServer");
    if (unregisterServer) unregisterServer();
    FreeLibrary(m_module);
    m_backups.clear();  // puts back whatever was there before
}

CallResult takeCallResult(HRESULT hr) {
    CallResult result;
    result.hr = hr;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        result.hasErrorInfo = true;
        BStr description, source;
        info->GetDescription(description.out());
        info->GetSource(source.out());
        info->GetGUID(&result.guid);
        result.description = description.str();
        result.source = source.str();
    }
    return result;
}

std::unique_ptr<RegisteredKeloWeb> WebTest::m_registration;
std::unique_ptr<lab::ProviderStandIn> WebTest::m_provider;

void WebTest::SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    m_registration = std::make_unique<RegisteredKeloWeb>();
    m_provider = std::make_unique<lab::ProviderStandIn>();
    CoUninitialize();
}

void WebTest::TearDownTestSuite() {
    m_provider.reset();
    m_registration.reset();
}

void WebTest::SetUp() {
    StaTest::SetUp();
    m_provider->reset();
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    m_folder = std::wstring(temp) + L"kelo-web-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    std::filesystem::create_directories(m_folder);
    m_web = createWeb();
    ASSERT_TRUE(m_web);
    auto sink = com::make<com::EventSink>(__uuidof(_IWebEvents), [this](DISPID event, DISPPARAMS* params) {
        const VARIANT* percent = com::eventArgument(params, 0);
        if (event == 1 && percent && percent->vt == VT_I4) m_progress.push_back(percent->lVal);
        return S_OK;
    });
    ASSERT_HRESULT_SUCCEEDED(m_events.begin(m_web.Get(), __uuidof(_IWebEvents), sink.Get()));
}

void WebTest::TearDown() {
    m_events.end();
    if (m_web) m_web->disconnect();
    m_web.Reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
    StaTest::TearDown();
}

ComPtr<I_Web> WebTest::createWeb() {
    ComPtr<I_Web> web;
    HRESULT hr = CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                                  reinterpret_cast<void**>(web.GetAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(hr);
    return web;
}

HRESULT WebTest::connect(const std::wstring& name, const std::wstring& password, TestDictionary* parameters,
                         VARIANT_BOOL* ok) {
    TestDictionary fresh;
    TestDictionary& used = parameters ? *parameters : fresh;
    VARIANT_BOOL result = (VARIANT_BOOL)0x7777;
    HRESULT hr =
        m_web->connect(BStr(host()).get(), BStr(name).get(), BStr(password).get(), used.as<IDictionary>(), &result);
    if (ok) *ok = result;
    return hr;
}

bool WebTest::connected() {
    VARIANT_BOOL value = (VARIANT_BOOL)0x7777;
    EXPECT_HRESULT_SUCCEEDED(m_web->get_connected(&value));
    EXPECT_TRUE(value == VARIANT_TRUE || value == VARIANT_FALSE);
    return value == VARIANT_TRUE;
}

std::wstring WebTest::serverUrl() {
    BStr url;
    EXPECT_HRESULT_SUCCEEDED(m_web->getServerUrl(url.out()));
    return url.str();
}

std::wstring WebTest::writeFile(const std::wstring& name, const std::string& bytes) {
    std::wstring path = m_folder + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
    return path;
}

}  // namespace webtest
