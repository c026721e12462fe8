// ZoltPort98.dll, the Windows 9x monitor: its ANSI entries list the port with their own
// description, print a document into the file the engine names, and refuse what they
// cannot serve.
#include "monitor_test_support.h"

using namespace monitortest;
using Monitor9xTest = ComTest;

TEST_F(Monitor9xTest, ListsPrintsAndRefusesThroughTheAnsiEntries) {
    MonitorKey key;
    key.addPort(L"ZOLT0");
    lab::TempFolder folder{L"zoltjobs9x"};
    EngineRecord engine;
    const std::wstring file = folder.path() + L"KeloJobs\\job1\\layout.ps";
    engine.outputPath = [&](int) { return file; };
    ScopedEngine registered(engine);
    Monitor9x monitor;
    ASSERT_TRUE(monitor.initialized());

    const DWORD size = sizeof(PORT_INFO_2A) + 6 + 13 + 28;
    std::vector<BYTE> buffer(size);
    for (DWORD given : {size - 1, size}) {
        DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
        SetLastError(0xdeadbeef);
        BOOL result = monitor->enumPorts(nullptr, 2, buffer.data(), given, &needed, &returned);
        EXPECT_EQ(given == size, !!result);
        EXPECT_EQ(result ? 0u : (DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());  // the wrapper clears it first
        EXPECT_EQ(size, needed);
        EXPECT_EQ(result ? 1u : 0u, returned);
    }
    EXPECT_STREQ("ZOLT0", ((const PORT_INFO_2A*)buffer.data())->pPortName);
    EXPECT_STREQ("ZOLT Print Engine Component", ((const PORT_INFO_2A*)buffer.data())->pDescription);

    char portName[] = "zolt0", printer[] = "Print Site 98";
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor->openPort(portName, &port));
    BYTE bytes[8];
    DWORD read = poisoned<DWORD>();
    EXPECT_FALSE(monitor->readPort(port, bytes, sizeof bytes, &read));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(0u, read);
    DOC_INFO_1A doc = {const_cast<char*>("report"), nullptr, const_cast<char*>("RAW")};
    ASSERT_TRUE(monitor->startDocPort(port, printer, 21, 1, (BYTE*)&doc));
    DWORD written = poisoned<DWORD>();
    EXPECT_TRUE(monitor->writePort(port, (BYTE*)"%!PS\n", 5, &written));
    EXPECT_EQ(5u, written);
    EXPECT_TRUE(monitor->endDocPort(port));
    EXPECT_EQ("%!PS\n", lab::readFileBytes(file));
    EXPECT_EQ(
        (std::vector<std::string>{"splStartDoc printer=Print Site 98 job=21", "splWritePrinter handle=28673 size=5",
                                  "splEndDoc handle=28673", "splClose handle=28673"}),
        engine.calls());
    EXPECT_TRUE(monitor->closePort(port));
    EXPECT_EQ(0u, key.active(L"ZOLT0").value_or(99));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor->closePort(nullptr));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}
