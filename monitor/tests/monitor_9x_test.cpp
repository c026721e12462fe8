// The Windows 9x monitor: its ANSI table, ANSI port information with its own
// description, and documents written through the ANSI file object.
#include "monitor_test_support.h"

#include "lab_text.h"

using namespace monitortest;

namespace {

class Monitor9xTest : public ComTest {
protected:
    MonitorKey m_key;
    lab::TempFolder m_folder{L"zoltjobs9x"};
    EngineRecord m_engine;
    ScopedEngine m_registered{m_engine};

    Monitor9xTest() { m_key.addPort(L"ZOLT0"); }
};

}  // namespace

TEST_F(Monitor9xTest, ListsPortsInAnsiWithItsOwnDescription) {
    Monitor9x monitor;
    EXPECT_TRUE(monitor.initialized());
    EXPECT_TRUE(Monitor9x("HKEY_NOWHERE\\ZOLT Print Port").initialized()) << "a root without ports";
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
    const PORT_INFO_2A* port = (const PORT_INFO_2A*)buffer.data();
    EXPECT_STREQ("ZOLT0", port->pPortName);
    EXPECT_STREQ("ZOLT Monitor", port->pMonitorName);
    EXPECT_STREQ("ZOLT Print Engine Component", port->pDescription);
}

TEST_F(Monitor9xTest, PrintsThroughTheAnsiEntries) {
    const std::wstring file = m_folder.path() + L"KeloJobs\\job1\\layout.ps";
    m_engine.outputPath = [&](int) { return file; };
    Monitor9x monitor;
    char portName[] = "zolt0";
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor->openPort(portName, &port));
    EXPECT_EQ(1u, m_key.active(L"ZOLT0").value_or(99));
    HANDLE again = poisoned<HANDLE>();
    EXPECT_FALSE(monitor->openPort(portName, &again));
    EXPECT_EQ((DWORD)ERROR_BUSY, GetLastError());
    EXPECT_EQ(nullptr, again);
    BYTE buffer[8];
    DWORD read = poisoned<DWORD>();
    EXPECT_FALSE(monitor->readPort(port, buffer, sizeof buffer, &read));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(0u, read);
    EXPECT_TRUE(monitor->configurePort(nullptr, nullptr, portName));

    char printer[] = "Print Site 98";
    DOC_INFO_1A doc = {const_cast<char*>("report"), nullptr, const_cast<char*>("RAW")};
    ASSERT_TRUE(monitor->startDocPort(port, printer, 21, 1, (BYTE*)&doc));
    std::string bytes = documentBytes(8292, 9);
    for (size_t offset : {0, 4096}) {
        DWORD written = poisoned<DWORD>();
        EXPECT_TRUE(monitor->writePort(port, (BYTE*)bytes.data() + offset, 4096, &written));
        EXPECT_EQ(4096u, written);
    }
    EXPECT_TRUE(monitor->endDocPort(port));
    EXPECT_TRUE(bytes.substr(0, 8192) == lab::readFileBytes(file));
    std::vector<std::string> expected = {
        "splStartDoc printer=Print Site 98 job=21", "splWritePrinter handle=28673 size=4096",
        "splWritePrinter handle=28673 size=4096", "splEndDoc handle=28673", "splClose handle=28673"};
    EXPECT_EQ(expected, m_engine.calls());
    EXPECT_TRUE(monitor->closePort(port));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}
