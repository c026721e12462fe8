// The manager against an engine inside the test: one bound handler per printer that
// hears its jobs, an engine that cannot be used, the purge of job folders left from an
// earlier run; then the engine's process going away under the client: the printers
// bound again to the next engine, retried while no engine can be started.
#include <gtest/gtest.h>
#include <comdef.h>

#include "fake_engine.h"
#include "lab_paths.h"
#include "manager.h"

namespace {

using Check = C_manager::EngineCheck;

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        engine = com::make<FakeDriverManager>();
    }
    void TearDown() override {
        engine.Reset();
        CoUninitialize();
    }

    ComPtr<FakeDriver> addPrinter(const std::wstring& name, const std::wstring& host,
                                  const std::wstring& jobsPath = L"") {
        ComPtr<FakeDriver> driver = com::make<FakeDriver>(name, host, jobsPath);
        engine->addPrinter(driver, name);
        return driver;
    }

    // The manager binds to whatever `engine` is when it asks, or fails with startFailure.
    // Nobody answers a dialog here: the login is refused.
    std::unique_ptr<C_manager> startManager() {
        DriverHandlerServices services = defaultDriverHandlerServices();
        services.createWeb = [] { return ComPtr<I_Web>(); };
        services.askLogin = [](std::shared_ptr<C_userInformation>&) { return false; };
        services.messageBox = [](const std::wstring&, const std::wstring&, UINT) { return IDCANCEL; };
        auto manager = std::make_unique<C_manager>(
            localization,
            [this] {
                if (FAILED(startFailure)) throw _com_error(startFailure);
                ComPtr<IDriverManager> manager;
                engine.As(&manager);
                return manager;
            },
            services);
        manager->start();
        return manager;
    }

    // The engine's process ends: its proxy fails every call from now on, and the next
    // activation brings up a new engine.
    void engineProcessEnds(HRESULT how) {
        engine->failCalls(how);
        engine = com::make<FakeDriverManager>();
    }

    HRESULT startFailure = S_OK;
    lab::TempFolder languages{L"kelo-manager"};
    C_localization localization{languages.path(), [] { return 1L; }};
    ComPtr<FakeDriverManager> engine;
};

std::wstring makeFolder(const std::wstring& path) {
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

}  // namespace

TEST_F(ManagerTest, EachPrinterGetsABoundHandlerInTheEnginesOrderThatHearsItsJobs) {
    ComPtr<FakeDriver> second = addPrinter(L"Zolt B", L"print.example.com");
    engine->addBrokenPrinter(L"Broken");
    ComPtr<FakeDriver> first = addPrinter(L"Zolt A & Co", L"10.1.2.3");
    auto manager = startManager();

    ASSERT_EQ(2u, manager->drivers().size()) << "a printer that cannot be bound is left out";
    EXPECT_EQ(L"Zolt B", manager->drivers()[0].first);
    EXPECT_EQ(L"10.1.2.3", manager->driver(L"Zolt A & Co")->KeloHost());
    ASSERT_NE(nullptr, manager->printerCatalog());
    EXPECT_EQ((std::vector<std::wstring>{L"Zolt B", L"Broken", L"Zolt A & Co"}),
              manager->printerCatalog()->printerNames())
        << "the settings list what the engine lists";

    EXPECT_TRUE(first->fireNewJob(17));
    EXPECT_EQ(1, manager->driver(L"Zolt A & Co")->newJobEvents());
    EXPECT_EQ(0, manager->driver(L"Zolt B")->newJobEvents());

    manager.reset();
    EXPECT_FALSE(first->advised()) << "the handlers let go of their engine bindings";
    EXPECT_FALSE(second->advised());
}

TEST_F(ManagerTest, StaleJobFoldersGoAtStartUpWithTheirReadOnlyContents) {
    lab::TempFolder jobs(L"kelo-jobs");
    std::wstring printerFolder = makeFolder(jobs.path() + L"Zolt") + L"\\";
    std::wstring nested = makeFolder(makeFolder(printerFolder + L"letter_01") + L"\\inner");
    lab::writeFileBytes(nested + L"\\x.tmp", "x");
    SetFileAttributesW(nested.c_str(), FILE_ATTRIBUTE_READONLY);
    lab::writeFileBytes(printerFolder + L"keep.txt", "not a job folder");
    addPrinter(L"Zolt", L"host", printerFolder);
    // A printer without a job folder: the current folder is not taken for it.
    addPrinter(L"No job folder", L"host", L"");
    std::wstring precious = makeFolder(jobs.path() + L"precious");
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(jobs.path().c_str());

    auto manager = startManager();
    SetCurrentDirectoryW(before);
    EXPECT_FALSE(lab::fileExists(printerFolder + L"letter_01"));
    EXPECT_TRUE(lab::fileExists(printerFolder + L"keep.txt")) << "only sub-folders are job folders";
    EXPECT_TRUE(lab::fileExists(precious));
}

TEST_F(ManagerTest, AnEngineThatIsGoneIsReplacedByTheNextOneWhoseJobsAreHeard) {
    ComPtr<FakeDriver> previous = addPrinter(L"Zolt", L"first.example.com");
    auto manager = startManager();
    C_driverHandler* handler = manager->driver(L"Zolt");
    engine->failCalls(E_FAIL);
    EXPECT_EQ(Check::Alive, manager->checkEngine()) << "an error of the engine's own says that it is there";
    EXPECT_EQ(handler, manager->driver(L"Zolt")) << "a living engine is left alone";

    long jobId = 100;
    for (HRESULT ending : {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), RPC_E_DISCONNECTED, RPC_E_SERVER_DIED,
                           RPC_E_SERVER_DIED_DNE, CO_E_OBJNOTCONNECTED, HRESULT_FROM_WIN32(RPC_S_CALL_FAILED)}) {
        SCOPED_TRACE(::testing::Message() << "0x" << std::hex << ending);
        engineProcessEnds(ending);
        lab::TempFolder jobs(L"kelo-next-engine");
        std::wstring inUse = makeFolder(jobs.path() + L"document_1");
        ComPtr<FakeDriver> next = addPrinter(L"Zolt", L"next.example.com", jobs.path());
        EXPECT_EQ(Check::Rebound, manager->checkEngine());
        EXPECT_FALSE(previous->advised()) << "the old binding is let go";
        EXPECT_EQ(L"next.example.com", manager->driver(L"Zolt")->KeloHost());
        EXPECT_TRUE(lab::fileExists(inUse)) << "a job folder of the new engine may be in use: it stays";
        EXPECT_TRUE(next->fireNewJob(++jobId));
        EXPECT_EQ(1, manager->driver(L"Zolt")->newJobEvents());
        EXPECT_EQ(Check::Alive, manager->checkEngine());
        previous = next;
    }
}

TEST_F(ManagerTest, WhileNoEngineCanBeStartedEachCheckTriesAgainQuietly) {
    startFailure = REGDB_E_CLASSNOTREG;
    auto manager = startManager();
    EXPECT_EQ(Check::Unavailable, manager->checkEngine()) << "a client started without an engine keeps trying";
    startFailure = S_OK;
    addPrinter(L"Zolt", L"host");
    EXPECT_EQ(Check::Rebound, manager->checkEngine());

    engineProcessEnds(RPC_E_SERVER_DIED);
    startFailure = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(Check::Unavailable, manager->checkEngine());
    EXPECT_EQ(Check::Unavailable, manager->checkEngine()) << "and again";
    EXPECT_TRUE(manager->drivers().empty()) << "handlers of a dead engine hear nothing";
    EXPECT_EQ(nullptr, manager->printerCatalog());
}
