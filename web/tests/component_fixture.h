#pragma once
// The fixture of the KeloWeb tests: the DLL registered for the suite (and the registry
// put back afterwards), one provider stand-in per suite, and a new iWeb object with an
// event sink for every test, all in a single-threaded apartment.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "com/event_sink.h"
#include "error_msg.h"
#include "lab_registry.h"
#include "provider_client.h"
#include "web_interfaces.h"
#include "web_test_support.h"

namespace webtest {

// KeloWeb.dll beside the test program, registered while the object lives.
class RegisteredKeloWeb {
public:
    RegisteredKeloWeb();
    ~RegisteredKeloWeb();
    const std::wstring& path() const { return m_path; }
    HMODULE module() const { return m_module; }

    static const std::vector<std::wstring>& touchedKeys();  // below HKEY_CLASSES_ROOT

private:
    std::vector<std::unique_ptr<lab::RegistryBackup>> m_backups;
    std::wstring m_path;
    HMODULE m_module = nullptr;
};

// A failure as the caller sees it: the HRESULT and the thread's error information.
struct CallResult {
    HRESULT hr = S_OK;
    std::wstring description;
    std::wstring source;
    GUID guid = GUID_NULL;
    bool hasErrorInfo = false;
};
CallResult takeCallResult(HRESULT hr);

class WebTest : public StaTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Connects to the stand-in (host only, as the printer's server address gives it).
    HRESULT connect(const std::wstring& name = L"alice", const std::wstring& password = L"secret",
                    TestDictionary* parameters = nullptr, VARIANT_BOOL* ok = nullptr);
    std::wstring host() const { return L"127.0.0.1:" + std::to_wstring(m_provider->port()); }
    bool connected();
    std::wstring serverUrl();

    // A file in the test's own temporary folder.
    std::wstring writeFile(const std::wstring& name, const std::string& bytes);
    std::wstring folder() const { return m_folder; }

    static ComPtr<I_Web> createWeb();

    static std::unique_ptr<RegisteredKeloWeb> m_registration;
    static std::unique_ptr<lab::ProviderStandIn> m_provider;
    ComPtr<I_Web> m_web;
    std::vector<long> m_progress;  // fileUploadProgress events, in order
    com::Subscription m_events;

private:
    std::wstring m_folder;
};

}  // namespace webtest
