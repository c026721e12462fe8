#include <winsock2.h>

#include "component_fixture.h"

#include <filesystem>

#include "bstr.h"
#include "lab_registry.h"

namespace webtest {
namespace {
HMODULE loaded = nullptr;
std::vector<std::unique_ptr<lab::RegistryBackup>> backups;
}  // namespace

const std::vector<std::wstring> WebTest::kRegisteredKeys = {L"CLSID\\{452A5491-A466-401B-9430-441A23E7E6B2}",
                                                            L"KeloWeb.iWeb",
                                                            L"KeloWeb.iWeb.1",
                                                            L"TypeLib\\{1B96F9E7-16AC-4ABF-AB29-6D8290651503}",
                                                            L"Interface\\{237951A0-3C61-4140-87A5-9052BECD5D61}",
                                                            L"Interface\\{C5291275-1E7E-462F-905D-5419E023017E}"};
std::unique_ptr<lab::ProviderStandIn> WebTest::m_provider;

HRESULT WebTest::callExport(const char* name) {
    auto entry = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(loaded, name);
    return entry ? entry() : E_NOTIMPL;
}

void WebTest::SetUpTestSuite() {
    for (const std::wstring& key : kRegisteredKeys)
        backups.push_back(std::make_unique<lab::RegistryBackup>(HKEY_CLASSES_ROOT, key));
    loaded = LoadLibraryW((lab::programFolder() + L"KeloWeb.dll").c_str());
    ASSERT_NE(nullptr, loaded) << "KeloWeb.dll beside the test program";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
    CoUninitialize();
    m_provider = std::make_unique<lab::ProviderStandIn>();
}

void WebTest::TearDownTestSuite() {
    m_provider.reset();
    callExport("DllUnregisterServer");
    FreeLibrary(loaded);
    backups.clear();  // puts back whatever was there before
}

std::wstring failure(HRESULT hr) {
    wchar_t code[16];
    swprintf(code, 16, L"%08lX", (unsigned long)hr);
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return code;
    BStr description, source;
    GUID guid = GUID_NULL;
    info->GetDescription(description.out());
    info->GetSource(source.out());
    info->GetGUID(&guid);
    return std::wstring(code) + L" " + source.str() + (guid == GUID_NULL ? L": " : L" (an interface's): ") +
           description.str();
}

std::wstring flat(const VARIANT& value) {
    std::wstring out;
    if (value.vt == VT_DISPATCH) {
        TestDictionary dictionary(value.pdispVal);
        for (const Variant& key : dictionary.keys()) out += L"," + key.toString() + L":" + flat(dictionary.item(key));
        return L"{" + out.substr(out.empty() ? 0 : 1) + L"}";
    }
    if (value.vt != (VT_ARRAY | VT_VARIANT)) return Variant(value).toString();
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(value.parray, 1, &lower);
    SafeArrayGetUBound(value.parray, 1, &upper);
    for (LONG i = lower; i <= upper; i++) {
        Variant item;
        SafeArrayGetElement(value.parray, &i, item.out());
        out += L"," + flat(item);
    }
    return L"[" + out.substr(out.empty() ? 0 : 1) + L"]";
}

std::string flat(const lab::JsonValue& value) {
    using Kind = lab::JsonValue::Kind;
    std::string out = value.kind() == Kind::Object ? "{" : "[";
    for (const auto& [name, member] : value.members()) out += name + ":" + flat(member) + ",";
    for (const lab::JsonValue& item : value.items()) out += flat(item) + ",";
    if (out.size() > 1) out.pop_back();
    switch (value.kind()) {
    case Kind::Object: return out + "}";
    case Kind::Array: return out + "]";
    case Kind::String: return value.text();
    case Kind::Number: return value.number() == value.integer() ? std::to_string(value.integer()) : "~";
    case Kind::Boolean: return value.boolean() ? "true" : "false";
    default: return "null";
    }
}

void WebTest::SetUp() {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    m_provider->reset();
    m_folder = std::make_unique<lab::TempFolder>(L"kelo-web");
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
    m_folder.reset();
    CoUninitialize();
}

ComPtr<I_Web> WebTest::createWeb() {
    ComPtr<I_Web> web;
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                                              reinterpret_cast<void**>(web.GetAddressOf())));
    return web;
}

HRESULT WebTest::connect(const std::wstring& password, TestDictionary* parameters, VARIANT_BOOL* ok) {
    TestDictionary fresh;
    VARIANT_BOOL result = (VARIANT_BOOL)0x7777;
    HRESULT hr = m_web->connect(BStr(host()).get(), BStr(L"alice").get(), BStr(password).get(),
                                (parameters ? *parameters : fresh).dictionary(), &result);
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
    std::wstring path = m_folder->file(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    lab::writeFileBytes(path, bytes);
    return path;
}

}  // namespace webtest
