#pragma once
// The fixture of the KeloWeb tests: the DLL registered for the suite (and the registry
// put back afterwards), one provider stand-in per suite, and a new iWeb object with an
// event sink for every test, all in a single-threaded apartment as the client's
// user-interface thread has.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "com/event_sink.h"
#include "com/script_dictionary.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "provider_client.h"
#include "web_interfaces.h"
#include "web_test_support.h"

namespace webtest {

using Microsoft::WRL::ComPtr;

// A Scripting.Dictionary as a page's script fills and reads it.
class TestDictionary : public com::ScriptDictionary {
public:
    TestDictionary() : com::ScriptDictionary(create()) {}
    explicit TestDictionary(IDispatch* object) : com::ScriptDictionary(from(object)) {}
    TestDictionary& add(const std::wstring& key, const Variant& value) {
        com::ScriptDictionary::add(key, value);
        return *this;
    }
    TestDictionary& add(const std::wstring& key, const wchar_t* value) { return add(key, Variant(value)); }
    std::wstring text(const std::wstring& key) const { return item(key).toString(); }
};

// A value as a script sees it, on one line: {key:value,...} for dictionaries, [item,...] for arrays.
std::wstring flat(const VARIANT& value);

// A call's result as the caller sees it: the HRESULT in hex, then the thread's error
// information as "<source>: <description>" (its interface GUID_NULL) when there is any.
std::wstring failure(HRESULT hr);

// A value the stand-in recorded, on one line: {name:value,...}, [item,...], strings as they are.
std::string flat(const lab::JsonValue& value);

class WebTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Connects as alice to the stand-in (host only, as the printer's server address gives it).
    HRESULT connect(const std::wstring& password = L"secret", TestDictionary* parameters = nullptr,
                    VARIANT_BOOL* ok = nullptr);
    std::wstring host() const { return L"127.0.0.1:" + std::to_wstring(m_provider->port()); }
    bool connected();
    std::wstring serverUrl();
    // A file in the test's own temporary folder.
    std::wstring writeFile(const std::wstring& name, const std::string& bytes);

    static ComPtr<I_Web> createWeb();
    static HRESULT callExport(const char* name);

    static const std::vector<std::wstring> kRegisteredKeys;  // below HKEY_CLASSES_ROOT
    static std::unique_ptr<lab::ProviderStandIn> m_provider;
    ComPtr<I_Web> m_web;
    std::vector<long> m_progress;  // fileUploadProgress events, in order
    com::Subscription m_events;
    std::unique_ptr<lab::TempFolder> m_folder;
};

}  // namespace webtest
