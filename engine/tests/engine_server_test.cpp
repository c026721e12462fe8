// The registered KeloEngine.exe as its clients meet it from another process: its
// registration, the idle shutdown, and error descriptions through IDispatch::Invoke.
// (Clients in other processes that share its DriverManager and follow its events are
// the client's engine suite.)
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "bstr.h"
#include "com/object.h"
#include "com/registration.h"
#include "engine_h.h"
#include "handles.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_road.h"
#include "lab_text.h"
#include "variant.h"

using com::ComPtr;

namespace {

std::wstring engineExe() { return lab::programFolder() + L"KeloEngine.exe"; }

// The key's default value below HKEY_CLASSES_ROOT, or "<no key>".
std::wstring readValue(const std::wstring& path) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return L"<no key>";
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    RegQueryValueExW(key.get(), nullptr, nullptr, &type, (BYTE*)data, &size);
    return data;
}

ComPtr<IDriverManager> activate() {
    ComPtr<IDriverManager> manager;
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                              reinterpret_cast<void**>(manager.GetAddressOf())));
    return manager;
}

bool processAlive(DWORD id) {
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// The engine registered for the suite as the lab registers it for the whole road; every
// test ends with no engine server running.
class EngineServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { m_engine = std::make_unique<lab::ScopedEngineRegistration>(engineExe()); }
    static void TearDownTestSuite() { m_engine.reset(); }
    static std::unique_ptr<lab::ScopedEngineRegistration> m_engine;
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
    void TearDown() override {
        CoUninitialize();
        lab::endEngineServers();
    }

    static DWORD onlyServer() {
        std::vector<DWORD> servers = lab::engineServerProcesses();
        EXPECT_EQ(1u, servers.size());
        return servers.empty() ? 0 : servers[0];
    }
};
std::unique_ptr<lab::ScopedEngineRegistration> EngineServerTest::m_engine;

}  // namespace

TEST_F(EngineServerTest, RegistrationWritesAndRemovesTheClassesScriptsCreate) {
    const struct {
        const CLSID& clsid;
        const wchar_t* progId;
    } classes[] = {{CLSID_DriverManager, L"KeloEngine.DriverManager"},
                   {CLSID_PrintDriver, L"KeloEngine.PrintDriver"},
                   {CLSID_PrintJob, L"KeloEngine.PrintJob"},
                   {CLSID_keloReadOnlyCollection, L"KeloEngine.keloReadOnlyCollection"},
                   {CLSID_CollectionEnumerator, L"KeloEngine.CollectionEnumerator"}};
    for (bool registered : {false, true}) {
        ASSERT_EQ(0u, lab::runEngineRegistration(engineExe(), !registered));
        SCOPED_TRACE(registered ? "registered" : "unregistered");
        for (const auto& c : classes) {
            std::wstring server = readValue(L"CLSID\\" + com::guidText(c.clsid) + L"\\LocalServer32");
            EXPECT_EQ(registered, lab::equalsNoCase(L"\"" + engineExe() + L"\"", server)) << server;
            EXPECT_EQ(registered ? com::guidText(c.clsid) : L"<no key>",
                      readValue(std::wstring(c.progId) + L"\\CLSID"));
        }
    }
}

TEST_F(EngineServerTest, TheServerEndsAboutFiveSecondsAfterTheLastReleaseUnlessItHoldsAPrinter) {
    ComPtr<IDriverManager> first = activate();
    ASSERT_TRUE(first);
    DWORD server = onlyServer();
    first.Reset();
    Sleep(3000);
    EXPECT_TRUE(processAlive(server));
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, server));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 20000)) << "the idle server ends by itself";

    lab::ScopedPrinter printer(lab::keloPrinter(L"Kelo Server Test", lab::kZoltPort, L"127.0.0.1"));
    ComPtr<IDriverManager> manager = activate();
    ComPtr<IPrintDriver> driver;
    ASSERT_HRESULT_SUCCEEDED(manager->getDriver(BStr(L"Kelo Server Test").get(), &driver));
    server = onlyServer();
    driver.Reset();
    manager.Reset();
    Sleep(8000);
    EXPECT_TRUE(processAlive(server)) << "a server that holds a printer's driver stays up";
}

TEST_F(EngineServerTest, ErrorDescriptionsCrossTheProcessBoundaryThroughInvoke) {
    ComPtr<IDriverManager> manager = activate();
    ASSERT_TRUE(manager);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(manager.As(&dispatch));
    Variant argument(L"No Such Kelo Printer");
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    Variant result;
    EXCEPINFO exception = {};
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), &exception, nullptr));
    EXPECT_EQ(L"Cannot find printer: No Such Kelo Printer", BStr::attach(exception.bstrDescription).str());
    EXPECT_EQ(L"KeloEngine.DriverManager.1", BStr::attach(exception.bstrSource).str());
    SysFreeString(exception.bstrHelpFile);
}
