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

// True when nobody holds the file open any more.
bool fileIsClosed(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.valid();
}

class PortDocument : public ComTest {
protected:
    MonitorKey m_key;
    lab::TempFolder m_folder{L"zoltjobs"};
    EngineRecord m_engine;
    std::optional<ScopedEngine> m_registered;
    std::unique_ptr<NtMonitor> m_monitor;
    const std::string m_document = documentBytes(4196, 1);
    const std::vector<std::string> m_blocks = {m_document.substr(0, 4096), m_document.substr(4096)};

    PortDocument() {
        m_key.addPort(L"ZOLT0");
        m_engine.outputPath = [this](int job) { return jobFile(job); };
        m_registered.emplace(m_engine);
        m_monitor = std::make_unique<NtMonitor>();
    }

    std::wstring jobFile(int job, int set = 0) const {
        return m_folder.path() + L"KeloJobs" + std::to_wstring(set) + L"\\job" + std::to_wstring(job) + L"\\layout.ps";
    }
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
    // "1", or "0" with the last error when it is one the monitor sets for a refusal.
    static std::string outcome(BOOL result) {
        DWORD error = GetLastError();
        if (result) return "1";
        bool refusal = error == ERROR_NOT_READY || error == RPC_S_SERVER_UNAVAILABLE || error == ERROR_PATH_NOT_FOUND;
        return refusal ? "0/" + std::to_string(error) : "0";
    }
    // What the spooler sees of a document: "start <outcome> write <outcome>:<written>
    // ... end <outcome>".
    std::string print(HANDLE port, DWORD jobId, const std::vector<std::string>& blocks) {
        SetLastError(0xdeadbeef);
        std::string trace = "start " + outcome(start(port, jobId));
        for (const std::string& block : blocks) {
            DWORD written = poisoned<DWORD>();
            SetLastError(0xdeadbeef);
            BOOL result = table().pfnWritePort(port, (BYTE*)block.data(), (DWORD)block.size(), &written);
            trace += " write " + outcome(result) + ":" + std::to_string(written);
        }
        SetLastError(0xdeadbeef);
        return trace + " end " + outcome(table().pfnEndDocPort(port));
    }
    static std::vector<std::string> expectedJob(int job, DWORD jobId, const std::vector<size_t>& blocks) {
        std::string handle = std::to_string(0x7000 + job);
        std::vector<std::string> calls = {"splStartDoc printer=Print Site job=" + std::to_string(jobId)};
        for (size_t size : blocks)
            calls.push_back("splWritePrinter handle=" + handle + " size=" + std::to_string(size));
        calls.push_back("splEndDoc handle=" + handle);
        calls.push_back("splClose handle=" + handle);
        return calls;
    }
};

const char kPrinted[] = "start 1 write 1:4096 write 1:100 end 1";

}  // namespace

TEST_F(PortDocument, BlocksGoIntoTheFileTheEngineNamesOneNotificationEach) {
    HANDLE port = open();
    EXPECT_EQ(kPrinted, print(port, 42, m_blocks));
    // The missing folders were made, and the file holds every block once, in order.
    EXPECT_TRUE(fileIsClosed(jobFile(1)));
    EXPECT_TRUE(m_document == lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(1, m_engine.activations()) << "the engine is bound once for the document";

    // The next job on the same port gets its own file; a file already there is replaced.
    ASSERT_TRUE(CreateDirectoryW(m_folder.file(L"KeloJobs0\\job2").c_str(), nullptr));
    lab::writeFileBytes(jobFile(2), std::string(20000, 'x'));
    EXPECT_EQ("start 1 write 1:5 end 1", print(port, 43, {"%!PS\n"}));
    EXPECT_EQ("%!PS\n", lab::readFileBytes(jobFile(2)));
    std::vector<std::string> calls = expectedJob(1, 42, {4096, 100}), second = expectedJob(2, 43, {5});
    calls.insert(calls.end(), second.begin(), second.end());
    EXPECT_EQ(calls, m_engine.calls());
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortDocument, WhatTheSpoolerSeesWhenTheEngineFailsAndThatTheNextDocumentPrints) {
    const std::string none = "<no file>";
    struct Case {
        const char* name;
        bool registered;
        std::function<void(EngineRecord&)> arrange;
        const char* trace;
        size_t calls;      // how many of the engine calls of a whole document it heard
        std::string file;  // what the job's file holds
    } cases[] = {
        {"not registered", false, {}, "start 0/1722 write 0/21:0 write 0/21:0 end 1", 0, none},
        {"splStartDoc fails", true, [](EngineRecord& e) { e.startDocResult = E_ACCESSDENIED; },
         "start 0 write 0/21:0 write 0/21:0 end 1", 0, none},
        {"no file named", true, [](EngineRecord& e) { e.outputPath = [](int) { return L""; }; },
         "start 1 write 0/3:0 write 0/3:0 end 1", 5, none},
        // The first block's count names the file; the block goes nowhere when it fails.
        {"first count fails", true, [](EngineRecord& e) { e.failingWrite = 1; }, "start 1 write 0:0 write 1:100 end 1",
         5, m_blocks[1]},
        // The file keeps only the blocks the engine was told of; it hears nothing more.
        {"engine gone", true,
         [](EngineRecord& e) {
             e.failingWrite = 2;
             e.failingWriteResult = RPC_E_DISCONNECTED;
         },
         "start 1 write 1:4096 write 0/1722:0 end 0/1722", 3, m_blocks[0]},
        {"splEndDoc fails", true, [](EngineRecord& e) { e.endDocResult = E_FAIL; },
         "start 1 write 1:4096 write 1:100 end 0", 4, m_document},
    };
    m_registered.reset();
    int set = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ++set;
        EngineRecord engine, next;
        engine.outputPath = next.outputPath = [&](int job) { return jobFile(job, set); };
        if (test.arrange) test.arrange(engine);
        std::optional<ScopedEngine> registration;
        if (test.registered) registration.emplace(engine);
        HANDLE port = open();
        EXPECT_EQ(test.trace, print(port, 10, m_blocks));
        std::vector<std::string> calls = expectedJob(1, 10, {4096, 100});
        calls.resize(test.calls);
        EXPECT_EQ(calls, engine.calls());
        EXPECT_EQ(test.file, lab::fileExists(jobFile(1, set)) ? lab::readFileBytes(jobFile(1, set)) : none);
        EXPECT_TRUE(!lab::fileExists(jobFile(1, set)) || fileIsClosed(jobFile(1, set)));

        // The spooler closes the port after a failed document; the next one binds anew.
        EXPECT_TRUE(table().pfnClosePort(port));
        EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
        registration.reset();
        ScopedEngine working(next);
        port = open();
        EXPECT_EQ(kPrinted, print(port, 11, m_blocks));
        EXPECT_EQ(1, next.activations());
        EXPECT_TRUE(table().pfnClosePort(port));
    }
}

TEST_F(PortDocument, AJobIsEndedOnceAndARefreshLetsItFinishButRefusesTheNext) {
    HANDLE port = open();
    EXPECT_EQ("start 1 write 1:4096 end 1", print(port, 14, {m_blocks[0]}));
    // A second EndDocPort does not end whatever job the engine by now knows under the
    // old handle, and without a job there is nothing to write to.
    EXPECT_TRUE(table().pfnEndDocPort(port));
    DWORD written = poisoned<DWORD>();
    EXPECT_FALSE(table().pfnWritePort(port, (BYTE*)"late", 4, &written));
    EXPECT_EQ(expectedJob(1, 14, {4096}), m_engine.calls());

    // A refresh of the port list (the spooler lists the ports) while a job runs lets the
    // job finish, and refuses the next one without binding the engine.
    ASSERT_TRUE(start(port, 15));
    m_monitor->portNames();
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    for (const std::string& block : m_blocks)
        EXPECT_TRUE(table().pfnWritePort(port, (BYTE*)block.data(), (DWORD)block.size(), &written));
    EXPECT_TRUE(table().pfnEndDocPort(port));
    EXPECT_TRUE(m_document == lab::readFileBytes(jobFile(2)));
    EXPECT_EQ("start 0/21 write 0/21:0 end 1", print(port, 16, {"x"}));
    EXPECT_EQ(2, m_engine.activations());
    EXPECT_TRUE(table().pfnClosePort(port));
}

TEST_F(PortDocument, ClosingThePortInTheMiddleOfAJobReleasesItsFile) {
    HANDLE port = open();
    ASSERT_TRUE(start(port, 18));
    DWORD written = 0;
    EXPECT_TRUE(table().pfnWritePort(port, (BYTE*)"%!PS\n", 5, &written));
    EXPECT_TRUE(table().pfnClosePort(port));
    EXPECT_TRUE(fileIsClosed(jobFile(1)));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortDocument, ADocumentGoesOnOnAnotherThread) {
    HANDLE port = open();
    DWORD written = 0;
    std::thread([&] {
        EXPECT_TRUE(start(port, 19));
        EXPECT_TRUE(table().pfnWritePort(port, (BYTE*)m_blocks[0].data(), 4096, &written));
    }).join();
    std::thread([&] {
        EXPECT_TRUE(table().pfnWritePort(port, (BYTE*)m_blocks[1].data(), 100, &written));
        EXPECT_TRUE(table().pfnEndDocPort(port));
    }).join();
    EXPECT_TRUE(m_document == lab::readFileBytes(jobFile(1)));
    EXPECT_EQ(expectedJob(1, 19, {4096, 100}), m_engine.calls());
    EXPECT_TRUE(table().pfnClosePort(port));
}
