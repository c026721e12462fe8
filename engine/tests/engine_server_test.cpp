// The registered KeloEngine.exe as its clients meet it from other processes:
// registration, one DriverManager for every process, events into another process, idle
// shutdown, and error descriptions through IDispatch::Invoke.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "bstr.h"
#include "com/event_sink.h"
#include "com/object.h"
#include "com/registration.h"
#include "delete_tree.h"
#include "engine_h.h"
#include "error_msg.h"
#include "handles.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_road.h"
#include "lab_process.h"
#include "lab_text.h"
#include "variant.h"

using com::ComPtr;

namespace {

const wchar_t kPrinter[] = L"Kelo Server Test";
const wchar_t kAppId[] = L"{84BBBEE2-D418-11D5-8E15-0002B36229DD}";
const wchar_t kTypeLib[] = L"{84BBBEE1-D418-11D5-8E15-0002B36229DD}";

std::wstring engineExe() { return lab::programFolder() + L"KeloEngine.exe"; }

std::wstring readValue(const std::wstring& path, const wchar_t* name = nullptr) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return L"<no key>";
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, (BYTE*)data, &size) != ERROR_SUCCESS) return L"<no value>";
    return data;
}

bool keyExists(const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

ComPtr<IDriverManager> activate() {
    ComPtr<IDriverManager> manager;
    HRESULT hr = CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                  reinterpret_cast<void**>(manager.GetAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(hr);
    return manager;
}

bool processAlive(DWORD id) {
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// Waits until the process has ended; the milliseconds it took, or -1 after the limit.
long long waitForEnd(DWORD id, DWORD limitMs) {
    auto start = std::chrono::steady_clock::now();
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (process && WaitForSingleObject(process.get(), limitMs) != WAIT_OBJECT_0) return -1;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// engine_peer.exe running beside the test, its output collected while it runs.
class PeerProcess {
public:
    explicit PeerProcess(const std::wstring& arguments) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        KernelHandle writeEnd;
        if (!CreatePipe(m_readEnd.out(), writeEnd.out(), &inheritable, 0))
            throw cERROR_MSG(BV_ERR_GENERAL, "cannot create a pipe");
        SetHandleInformation(m_readEnd.get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd.get();
        startup.hStdError = writeEnd.get();
        std::wstring line = lab::quoteArgument(lab::programFolder() + L"engine_peer.exe") + L" " + arguments;
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            throw cERROR_MSG(BV_ERR_GENERAL, "cannot start engine_peer.exe");
        m_process.reset(info.hProcess);
        CloseHandle(info.hThread);
        writeEnd.reset();
        m_reader = std::thread([this] {
            char buffer[1024];
            DWORD read = 0;
            while (ReadFile(m_readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
                m_output.append(buffer, read);
        });
    }
    ~PeerProcess() {
        if (WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(m_process.get(), 9);
        WaitForSingleObject(m_process.get(), 10000);
        if (m_reader.joinable()) m_reader.join();
    }
    // The exit code, or -1 when it did not end in time.
    long wait(DWORD timeoutMs) {
        if (WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) return -1;
        m_reader.join();
        DWORD code = 0;
        GetExitCodeProcess(m_process.get(), &code);
        return (long)code;
    }
    HANDLE handle() const { return m_process.get(); }
    const std::string& output() const { return m_output; }

private:
    KernelHandle m_process;
    KernelHandle m_readEnd;
    std::thread m_reader;
    std::string m_output;
};

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

TEST_F(EngineServerTest, RegistrationWritesAndRemovesTheClassesAndTypeLibrary) {
    ASSERT_EQ(0u, lab::runEngineRegistration(engineExe(), true));
    EXPECT_FALSE(keyExists(std::wstring(L"AppID\\") + kAppId));
    EXPECT_FALSE(keyExists(L"AppID\\KeloEngine.EXE"));
    EXPECT_FALSE(keyExists(L"KeloEngine.DriverManager"));
    EXPECT_FALSE(keyExists(std::wstring(L"TypeLib\\") + kTypeLib));
    EXPECT_TRUE(keyExists(L"AppID"));
    EXPECT_TRUE(keyExists(L"CLSID"));

    ASSERT_EQ(0u, lab::runEngineRegistration(engineExe(), false));
    EXPECT_TRUE(lab::engineServerProcesses().empty()) << "registering does not start the server";
    EXPECT_EQ(L"KeloEngine", readValue(std::wstring(L"AppID\\") + kAppId));
    EXPECT_EQ(kAppId, readValue(L"AppID\\KeloEngine.EXE", L"AppID"));
    struct Class {
        const CLSID& clsid;
        const wchar_t* name;
    };
    const Class classes[] = {{CLSID_DriverManager, L"DriverManager"},
                             {CLSID_PrintDriver, L"PrintDriver"},
                             {CLSID_PrintJob, L"PrintJob"},
                             {CLSID_keloReadOnlyCollection, L"keloReadOnlyCollection"},
                             {CLSID_CollectionEnumerator, L"CollectionEnumerator"}};
    for (const Class& c : classes) {
        std::wstring clsid = com::guidText(c.clsid), key = L"CLSID\\" + clsid;
        std::wstring progId = std::wstring(L"KeloEngine.") + c.name, description = std::wstring(c.name) + L" Class";
        EXPECT_EQ(description, readValue(key)) << c.name;
        EXPECT_EQ(progId + L".1", readValue(key + L"\\ProgID"));
        EXPECT_EQ(progId, readValue(key + L"\\VersionIndependentProgID"));
        EXPECT_TRUE(keyExists(key + L"\\Programmable"));
        EXPECT_TRUE(lab::equalsNoCase(L"\"" + engineExe() + L"\"", readValue(key + L"\\LocalServer32")))
            << readValue(key + L"\\LocalServer32");
        EXPECT_EQ(kAppId, readValue(key, L"AppID"));
        EXPECT_EQ(kTypeLib, readValue(key + L"\\TypeLib"));
        EXPECT_EQ(description, readValue(progId));
        EXPECT_EQ(clsid, readValue(progId + L"\\CLSID"));
        EXPECT_EQ(progId + L".1", readValue(progId + L"\\CurVer"));
        EXPECT_EQ(clsid, readValue(progId + L".1\\CLSID"));
    }
    EXPECT_EQ(L"Kelo Printing Engine 1.0", readValue(std::wstring(L"TypeLib\\") + kTypeLib + L"\\1.0"));
    EXPECT_TRUE(lab::equalsNoCase(engineExe(), readValue(std::wstring(L"TypeLib\\") + kTypeLib + L"\\1.0\\0\\win64")));
    EXPECT_TRUE(keyExists(L"Interface\\" + com::guidText(DIID__IPrintJobEvents)));
    EXPECT_TRUE(keyExists(L"Interface\\" + com::guidText(IID_IDriverManager)));

    ASSERT_EQ(0u, lab::runEngineRegistration(engineExe(), true));
    for (const Class& c : classes) EXPECT_FALSE(keyExists(L"CLSID\\" + com::guidText(c.clsid))) << c.name;
    EXPECT_FALSE(keyExists(L"KeloEngine.PrintJob.1"));
    EXPECT_FALSE(keyExists(L"Interface\\" + com::guidText(IID_IDriverManager)));
    ASSERT_EQ(0u, lab::runEngineRegistration(engineExe(), false));
}

TEST_F(EngineServerTest, ExecutableCarriesItsNameAndVersion) {
    LibraryHandle module(LoadLibraryExW(engineExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module.valid());
    wchar_t name[64] = {};
    ASSERT_GT(LoadStringW(module.get(), 100, name, 64), 0);
    EXPECT_STREQ(L"KeloEngine", name);

    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(engineExe().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(engineExe().c_str(), 0, size, info.data()));
    auto text = [&](const wchar_t* field) {
        wchar_t* value = nullptr;
        UINT length = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + field;
        return VerQueryValueW(info.data(), path.c_str(), (void**)&value, &length) && value ? std::wstring(value)
                                                                                           : L"<none>";
    };
    EXPECT_EQ(L"KeloEngine Module", text(L"FileDescription"));
    EXPECT_EQ(L"KeloEngine Module", text(L"ProductName"));
    EXPECT_EQ(L"3, 0, 1427, 0", text(L"FileVersion"));
    EXPECT_EQ(L"3, 0, 1427, 0", text(L"ProductVersion"));
    EXPECT_EQ(L"KeloEngine.EXE", text(L"OriginalFilename"));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (void**)&fixed, &length));
    EXPECT_EQ(MAKELONG(0, 3), (LONG)fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 1427), (LONG)fixed->dwFileVersionLS);
}

TEST_F(EngineServerTest, WithoutPrintersTheServerEndsAboutFiveSecondsAfterTheLastRelease) {
    ComPtr<IDriverManager> first = activate();
    ASSERT_TRUE(first);
    DWORD server = onlyServer();
    ASSERT_NE(0u, server);
    first.Reset();

    // A creation within the five seconds keeps the server.
    Sleep(3000);
    ASSERT_TRUE(processAlive(server));
    ComPtr<IDriverManager> again = activate();
    EXPECT_EQ(server, onlyServer()) << "the same server serves the new client";
    again.Reset();
    Sleep(3000);
    EXPECT_TRUE(processAlive(server)) << "the wait started again at the last release";

    long long waited = waitForEnd(server, 20000);
    EXPECT_NE(-1, waited) << "the idle server ends by itself";
}

TEST_F(EngineServerTest, TwoClientProcessesShareTheDriverManagerAndAPrinterKeepsTheServer) {
    lab::ScopedPrinter printer(lab::keloPrinter(kPrinter, lab::kZoltPort, L"127.0.0.1"));
    ComPtr<IDriverManager> manager = activate();
    ASSERT_TRUE(manager);
    ComPtr<IPrintDriver> driver;
    ASSERT_HRESULT_SUCCEEDED(manager->getDriver(BStr(kPrinter).get(), &driver));

    PeerProcess peer(L"start " + lab::quoteArgument(kPrinter) + L" 4321");
    ASSERT_EQ(0, peer.wait(30000)) << peer.output();
    size_t at = peer.output().find("handle ");
    ASSERT_NE(std::string::npos, at) << peer.output();
    long handle = std::stol(peer.output().substr(at + 7));

    ComPtr<IReadOnlyCollection> jobs;
    ASSERT_HRESULT_SUCCEEDED(driver->get_printJobs(&jobs));
    long count = 0;
    jobs->get_Count(&count);
    ASSERT_EQ(1, count) << "the other process's job is in this process's driver";
    ComPtr<IDispatch> item;
    ASSERT_HRESULT_SUCCEEDED(jobs->Item(Variant(0L), &item));
    ComPtr<IPrintJob> job;
    ASSERT_HRESULT_SUCCEEDED(item.As(&job));
    long jobId = 0;
    job->get_jobId(&jobId);
    EXPECT_EQ(4321, jobId);
    BStr name;
    job->get_Name(name.out());
    EXPECT_EQ(L"New Job", name.str()) << "the spooler's record of a job stays in the process that made it";
    EXPECT_HRESULT_SUCCEEDED(manager->splClose(handle)) << "and its handle in this process's manager";

    DWORD server = onlyServer();
    job.Reset();
    item.Reset();
    jobs.Reset();
    driver.Reset();
    manager.Reset();
    Sleep(8000);
    EXPECT_TRUE(processAlive(server)) << "a server that holds a printer's driver stays up";
}

TEST_F(EngineServerTest, AnotherProcessFollowsAJobFromInsideItsNewJobHandler) {
    lab::ScopedPrinter printer(lab::keloPrinter(kPrinter, lab::kZoltPort, L"127.0.0.1"));
    ComPtr<IDriverManager> manager = activate();
    ASSERT_TRUE(manager);

    const wchar_t readyName[] = L"KeloEnginePeerReady";
    KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyName));
    PeerProcess peer(L"watch " + lab::quoteArgument(kPrinter) + L" " + readyName);
    HANDLE waits[2] = {ready.get(), peer.handle()};
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, waits, FALSE, 30000)) << peer.output();

    long handle = 0;
    ASSERT_HRESULT_SUCCEEDED(manager->splStartDoc(BStr(kPrinter).get(), 77, &handle));
    BStr output;
    ASSERT_HRESULT_SUCCEEDED(manager->splWritePrinter(handle, 4096, output.out()));
    std::wstring folder = output.str().substr(0, output.length() - wcslen(L"\\layout.ps"));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    lab::writeFileBytes(output.str(), "%!PS-Adobe-3.0\r\n%%Page: 1 1\r\n%%Page: 2 2\r\n%%EOF\r\n");
    for (long size : {4096L, 100L}) {
        BStr later;
        ASSERT_HRESULT_SUCCEEDED(manager->splWritePrinter(handle, size, later.out()));
        EXPECT_TRUE(later.empty());
    }
    ASSERT_HRESULT_SUCCEEDED(manager->splEndDoc(handle));
    ASSERT_HRESULT_SUCCEEDED(manager->splClose(handle));

    ASSERT_EQ(0, peer.wait(30000)) << peer.output();
    std::string expected =
        "newjob 77 New Job\nsubscribed 0x00000000\nwrite 4096\nwrite 4096\nwrite 100\nenddoc\n"
        "closedoc 0 " +
        lab::toUtf8(folder) + "\ndone\n";
    EXPECT_EQ(expected, peer.output());
    EXPECT_TRUE(lab::fileExists(folder + L"\\job.xml"));
    DeleteTreeU(folder.substr(0, folder.find_last_of(L'\\')));  // the printer folder with the job
}

TEST_F(EngineServerTest, ErrorDescriptionsCrossTheProcessBoundaryThroughInvoke) {
    ComPtr<IDriverManager> manager = activate();
    ASSERT_TRUE(manager);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(manager.As(&dispatch));
    wchar_t method[] = L"getDriver";
    LPOLESTR names[] = {method};
    DISPID id = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    EXPECT_EQ(1, id);

    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(L"No Such Kelo Printer");
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    Variant result;
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), &exception, &argumentError));
    EXPECT_EQ(L"Cannot find printer: No Such Kelo Printer", BStr::attach(exception.bstrDescription).str());
    EXPECT_EQ(L"KeloEngine.DriverManager.1", BStr::attach(exception.bstrSource).str());
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&argument);

    // The vtable call fails the same way; its description does not cross under Wine.
    IPrintDriver* driver = reinterpret_cast<IPrintDriver*>(static_cast<uintptr_t>(0xdeadbeef));
    EXPECT_EQ(DISP_E_EXCEPTION, manager->getDriver(BStr(L"No Such Kelo Printer").get(), &driver));
    EXPECT_EQ(nullptr, driver);
}
