// Documents through the NT monitor's table, with a stand-in engine registered in this
// process, so that each test decides what the engine answers.
#include "monitor_test_support.h"

#include <memory>
#include <optional>
#include <thread>

#include "lab_text.h"

using namespace monitortest;

namespace {

wchar_t kPrinter[] = L"Print Site";

class PortDocument : public ComTest {
protected:
    MonitorKey m_key;
    lab::TempFolder m_folder{L"zoltjobs"};
    EngineRecord m_engine;
    std::optional<ScopedEngine> m_registered;
    std::unique_ptr<NtMonitor> m_monitor;

    PortDocument() {
        m_key.addPort(L"ZOLT0");
        m_engine.outputPath = [this](int job) { return jobFile(job); };
        m_registered.emplace(m_engine);
        m_monitor = std::make_unique<NtMonitor>();
    }

    std::wstring jobFile(int job) const {
        return m_folder.path() + L"KeloJobs\\job" + std::to_wstring(job) + L"\\layout.ps";
    }
    std::string handleText(int job) const { return std::to_string(0x7000 + job); }
    const MONITOR& table() const { return **m_monitor; }

    HANDLE open() {
        HANDLE port = m_monitor->open(L"ZOLT0");
        EXPECT_NE(nullptr, port);
        return port;
    }
    BOOL start(HANDLE port, DWORD jobId) {
        DOC_INFO_1W doc = {const_cast<wchar_t*>(L"Quarterly report"), nullptr, const_cast<wchar_t*>(L"RAW")};
        return table().pfnStartDocPort(port, kPrinter, jobId, 1, (BYTE*)&doc);
    }
    // WritePort with the block; the written count (poisoned before the call) goes to *written.
    BOOL write(HANDLE port, const std::string& block, DWORD* written = nullptr) {
        DWORD count = poisoned<DWORD>();
        BOOL result = table().pfnWritePort(port, (BYTE*)block.data(), (DWORD)block.size(), &count);
        if (written) *written = count;
        return result;
    }
    // Writes the blocks, each of which must be taken whole.
    void writeAll(HANDLE port, const std::string& bytes, const std::vector<size_t>& blocks) {
        size_t offset = 0;
        for (size_t size : blocks) {
            DWORD written = 0;
            EXPECT_TRUE(write(port, bytes.substr(offset, size), &written));
            EXPECT_EQ(size, written);
            offset += size;
        }
    }
    std::vector<std::string> expectedJob(int job, DWORD jobId, const std::vector<size_t>& blocks, bool ended = true) {
        std::vector<std::string> calls = {"splStartDoc printer=Print Site job=" + std::to_string(jobId)};
        for (size_t size : blocks)
            calls.push_back("splWritePrinter handle=" + handleText(job) + " size=" + std::to_string(size));
        if (ended) {
            calls.push_back("splEndDoc handle=" + handleText(job));
            calls.push_back("splClose handle=" + handleText(job));
        }
        return calls;
    }
};

// True when nobody holds the file open any more.
bool fileIsClosed(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.valid();
}

}  // namespace

TEST_F(PortDocument, BlocksGoIntoTheFileTheEngineNamesOneNotificationEach) {
    std::string bytes = documentBytes(8292, 1);
    const std::vector<size_t> blocks = {4096, 4096, 100};
    ASSERT_FALSE(lab::fileExists(m_folder.path() + L"KeloJobs"));

    HANDLE port = open();
    ASSERT_TRUE(start(port, 42));
    writeAll(port, bytes, blocks);
    EXPECT_TRUE(table().pfnEndDocPort(port));

    // The missing folders were made, and the file holds every block once, in order.
    EXPECT_TRUE(fileIsClosed(jobFile(1)));
    EXPECT_EQ(8292u, lab::readFileBytes(jobFile(1)).size());
    EXPECT_TRUE(bytes == lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(expectedJob(1, 42, blocks), m_engine.calls());
    // The engine was bound once for the document.
    EXPECT_EQ(1, m_engine.activations());

    // The next job on the same port gets its own file; a file already there is replaced.
    ASSERT_TRUE(CreateDirectoryW(m_folder.file(L"KeloJobs\\job2").c_str(), nullptr));
    lab::writeFileBytes(jobFile(2), std::string(20000, 'x'));
    m_engine.clear();
    std::string second = documentBytes(5000, 2);
    ASSERT_TRUE(start(port, 43));
    writeAll(port, second, {5000});
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(second == lab::readFileBytes(jobFile(2)));
    EXPECT_EQ(expectedJob(2, 43, {5000}), m_engine.calls());

    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortDocument, AnEmptyPathFromTheEngineFailsEveryBlockOfTheJob) {
    m_engine.outputPath = [](int) { return std::wstring(); };
    HANDLE port = open();
    ASSERT_TRUE(start(port, 7));
    for (int attempt = 0; attempt < 3; attempt++) {
        DWORD written = 0;
        EXPECT_FALSE(write(port, documentBytes(4096, 3), &written));
        EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
        EXPECT_EQ(0u, written);
    }
    EXPECT_EQ(expectedJob(1, 7, {4096, 4096, 4096}, false), m_engine.calls());
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_FALSE(lab::fileExists(m_folder.path() + L"KeloJobs"));
}

TEST_F(PortDocument, AFailingNotificationFailsOnlyTheFirstBlock) {
    std::string bytes = documentBytes(8292, 4);
    // A later block is written although the engine's count fails.
    m_engine.failingWrite = 2;
    HANDLE port = open();
    ASSERT_TRUE(start(port, 8));
    writeAll(port, bytes, {4096, 4096, 100});
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(bytes == lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(expectedJob(1, 8, {4096, 4096, 100}), m_engine.calls());

    // On the first block the failure is the block's: nothing is written, and the
    // spooler's next attempt is the first block again.
    m_engine.clear();
    m_engine.failingWrite = 4;  // the next job's first notification
    ASSERT_TRUE(start(port, 9));
    DWORD written = 0;
    std::string log = outputOf([&] { EXPECT_FALSE(write(port, bytes.substr(0, 4096), &written)); });
    EXPECT_EQ(0u, written);
    EXPECT_NE(std::string::npos, log.find("C_portImpl::writePort COM catch0x80004005\n")) << log;
    EXPECT_FALSE(lab::fileExists(jobFile(2)));
    writeAll(port, bytes, {4096});
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(bytes.substr(0, 4096) == lab::readFileBytes(jobFile(2)));
    EXPECT_TRUE(table().pfnClosePort(port));
}

TEST_F(PortDocument, AnEngineThatCannotBeReachedOrRefusesGetsNoJob) {
    struct Case {
        const char* name;
        std::optional<EngineKind> kind;  // none: nothing registered
        HRESULT startDoc;
        const char* logged;
    } cases[] = {
        {"not registered", std::nullopt, S_OK, "C_portImpl::startDocPort - engine not reachable (CoCreateInstance"},
        {"OleRun fails", EngineKind::FailsToRun, S_OK,
         "C_portImpl::startDocPort - engine not reachable (OleRun 0x80004005)"},
        {"no IDriverManager", EngineKind::NoDriverManager, S_OK,
         "C_portImpl::startDocPort - engine not reachable (QueryInterface 0x80004002)"},
        {"splStartDoc fails", EngineKind::Working, E_ACCESSDENIED, "C_portImpl::startDocPort COM catch0x80070005\n"},
    };
    m_registered.reset();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        m_engine.clear();
        m_engine.startDocResult = test.startDoc;
        std::optional<ScopedEngine> registration;
        if (test.kind) registration.emplace(m_engine, *test.kind);
        HANDLE port = open();
        DWORD startError = 0;
        std::string log = outputOf([&] {
            EXPECT_FALSE(start(port, 10));
            startError = GetLastError();
        });
        EXPECT_NE(std::string::npos, log.find(test.logged)) << log;
        if (test.startDoc == S_OK) {
            EXPECT_EQ((DWORD)RPC_S_SERVER_UNAVAILABLE, startError);
        }
        EXPECT_TRUE(m_engine.calls().empty());
        // The spooler closes the port after a failed start; it opens again.
        EXPECT_FALSE(write(port, "data"));
        EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
        EXPECT_TRUE(table().pfnClosePort(port));
        EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    }
}

TEST_F(PortDocument, AnEngineGoneDuringTheDocumentFailsItsRestAndTheNextDocumentBindsAnew) {
    std::string bytes = documentBytes(6000, 5);
    HANDLE port = open();
    ASSERT_TRUE(start(port, 11));
    writeAll(port, bytes, {4096});
    m_engine.failingWrite = 2;
    m_engine.failingWriteResult = RPC_E_DISCONNECTED;
    std::string log = outputOf([&] {
        for (const std::string& block : {bytes.substr(4096), std::string("more")}) {
            DWORD written = poisoned<DWORD>();
            SetLastError(0xdeadbeef);
            EXPECT_FALSE(write(port, block, &written));
            EXPECT_EQ((DWORD)RPC_S_SERVER_UNAVAILABLE, GetLastError());
            EXPECT_EQ(0u, written);
        }
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(table().pfnEndDocPort(port));
        EXPECT_EQ((DWORD)RPC_S_SERVER_UNAVAILABLE, GetLastError());
    });
    EXPECT_NE(std::string::npos, log.find("C_portImpl::writePort - the engine has gone away (0x80010108)")) << log;
    // The file is closed and holds only the blocks the engine was told of; the engine
    // heard nothing after the failed call.
    EXPECT_TRUE(fileIsClosed(jobFile(1)));
    EXPECT_TRUE(bytes.substr(0, 4096) == lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(expectedJob(1, 11, {4096, 1904}, false), m_engine.calls());

    m_engine.clear();
    ASSERT_TRUE(start(port, 12));
    writeAll(port, "%!PS\n", {5});
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_EQ(expectedJob(2, 12, {5}), m_engine.calls());
    EXPECT_EQ(1, m_engine.activations());
    EXPECT_TRUE(table().pfnClosePort(port));
}

TEST_F(PortDocument, AFailingEndOfTheJobIsReported) {
    struct Case {
        HRESULT endDoc, close;
        bool closeCalled;
        const char* logged;
    } cases[] = {
        {E_FAIL, S_OK, false, "C_portImpl::endDocPort COM catch0x80004005\n"},
        {S_OK, E_INVALIDARG, true, "C_portImpl::endDocPort COM catch0x80070057\n"},
    };
    HANDLE port = open();
    int job = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.logged);
        m_engine.clear();
        m_engine.endDocResult = test.endDoc;
        m_engine.closeResult = test.close;
        ASSERT_TRUE(start(port, 12));
        job++;
        writeAll(port, "%!PS\n", {5});
        std::string log = outputOf([&] { EXPECT_FALSE(table().pfnEndDocPort(port)); });
        EXPECT_NE(std::string::npos, log.find(test.logged)) << log;
        std::vector<std::string> calls = m_engine.calls();
        EXPECT_EQ("splEndDoc handle=" + handleText(job), calls[calls.size() - (test.closeCalled ? 2 : 1)]);
        EXPECT_EQ(test.closeCalled, calls.back() == "splClose handle=" + handleText(job));
        // The file is closed all the same.
        EXPECT_TRUE(fileIsClosed(jobFile(job)));
    }
    EXPECT_TRUE(table().pfnClosePort(port));
}

TEST_F(PortDocument, OnlyAStartedJobIsEndedAtTheEngine) {
    HANDLE port = open();
    // After a failed start the engine has no job of this port.
    m_engine.startDocResult = E_FAIL;
    EXPECT_FALSE(start(port, 13));
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(m_engine.calls().empty());

    // A job is ended once: a second EndDocPort does not end whatever job the engine
    // by now knows under the old handle.
    m_engine.startDocResult = S_OK;
    ASSERT_TRUE(start(port, 14));
    writeAll(port, "%!PS\n", {5});
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_EQ(expectedJob(1, 14, {5}), m_engine.calls());
    // Without a job there is nothing to write to.
    EXPECT_FALSE(write(port, "late"));
    EXPECT_TRUE(table().pfnClosePort(port));
}

TEST_F(PortDocument, ARefreshDuringAJobLetsItFinishAndRefusesTheNextOne) {
    std::string bytes = documentBytes(9000, 6);
    HANDLE port = open();
    ASSERT_TRUE(start(port, 15));
    writeAll(port, bytes, {4096});
    m_monitor->portNames();  // the spooler lists the ports meanwhile
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    DWORD written = 0;
    EXPECT_TRUE(write(port, bytes.substr(4096), &written));
    EXPECT_EQ(9000u - 4096u, written);
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(bytes == lab::readFileBytes(jobFile(1)));

    EXPECT_FALSE(start(port, 16));
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_EQ(expectedJob(1, 15, {4096, 9000 - 4096}), m_engine.calls());
}

TEST_F(PortDocument, AFolderThatCannotBeMadeFailsTheBlockAndNothingElse) {
    lab::writeFileBytes(m_folder.file(L"blocker"), "a file where a folder should be");
    m_engine.outputPath = [this](int) { return m_folder.path() + L"blocker\\job\\layout.ps"; };
    HANDLE port = open();
    ASSERT_TRUE(start(port, 17));
    DWORD written = 0;
    std::string log = outputOf([&] { EXPECT_FALSE(write(port, "%!PS\n", &written)); });
    EXPECT_EQ(0u, written);
    EXPECT_NE(std::string::npos, log.find("***C_bvFileU::File creation error (")) << log;
    EXPECT_NE(std::string::npos, log.find("C_portImpl::writePort BV catch***C_bvFileU::File creation error(")) << log;
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortDocument, ClosingThePortInTheMiddleOfAJobReleasesItsFile) {
    HANDLE port = open();
    ASSERT_TRUE(start(port, 18));
    writeAll(port, "%!PS\n", {5});
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_TRUE(fileIsClosed(jobFile(1)));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortDocument, ADocumentGoesOnOnAnotherThreadAndEachThreadStaysInItsApartment) {
    auto multithreaded = [] {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(hr)) CoUninitialize();
        return hr == RPC_E_CHANGED_MODE;
    };
    HANDLE port = open();
    // Threads without COM join the monitor's apartment on their first call and stay.
    std::thread([&] {
        EXPECT_TRUE(start(port, 19));
        writeAll(port, "%!PS\n", {5});
        EXPECT_TRUE(multithreaded());
    }).join();
    std::thread([&] {
        writeAll(port, "showpage\n", {9});
        EXPECT_TRUE(table().pfnEndDocPort(port));
        EXPECT_TRUE(multithreaded());
    }).join();
    EXPECT_EQ("%!PS\nshowpage\n", lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(expectedJob(1, 19, {5, 9}), m_engine.calls());
    EXPECT_EQ(1, m_engine.activations());
    m_engine.clear();

    // A thread in a single-threaded apartment reaches the engine from there (through a
    // proxy), and stays in it.
    ScopedEngineTypeLib marshaling;
    std::thread([&] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        EXPECT_TRUE(start(port, 20));
        writeAll(port, "%!PS\n", {5});
        EXPECT_TRUE(table().pfnEndDocPort(port));
        HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(RPC_E_CHANGED_MODE, after);
        CoUninitialize();
    }).join();
    EXPECT_EQ(expectedJob(2, 20, {5}), m_engine.calls());
    EXPECT_TRUE(table().pfnClosePort(port));
}
