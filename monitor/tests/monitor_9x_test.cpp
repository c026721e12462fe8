// The Windows 9x monitor: its thirteen-slot ANSI table, ANSI port information with its
// own description, and documents written through the ANSI file object.
#include "monitor_test_support.h"

#include <cstring>
#include <memory>

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

    std::wstring jobFile(int job) const {
        return m_folder.path() + L"KeloJobs\\job" + std::to_wstring(job) + L"\\layout.ps";
    }
};

}  // namespace

TEST_F(Monitor9xTest, FillsThirteenAnsiSlotsAndAlwaysSucceeds) {
    Monitor9x monitor;
    EXPECT_TRUE(monitor.initialized());
    const Monitor9xTable& table = *monitor;
    EXPECT_TRUE(table.enumPorts && table.openPort && table.startDocPort && table.writePort && table.readPort &&
                table.endDocPort && table.closePort && table.addPort && table.configurePort && table.deletePort);
    EXPECT_EQ(nullptr, table.openPortEx);
    EXPECT_EQ(nullptr, table.getPrinterDataFromPort);
    EXPECT_EQ(nullptr, table.setPortTimeOuts);

    BYTE buffer[8];
    DWORD read = poisoned<DWORD>();
    EXPECT_FALSE(table.readPort(nullptr, buffer, sizeof buffer, &read));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(0u, read);
    char port[] = "ZOLT0";
    EXPECT_TRUE(table.configurePort(nullptr, nullptr, port));

    // A root without any ports still initialises.
    Monitor9x elsewhere("HKEY_NOWHERE\\ZOLT Print Port");
    EXPECT_TRUE(elsewhere.initialized());
}

TEST_F(Monitor9xTest, ListsPortsInAnsiWithItsOwnDescription) {
    m_key.addPort(L"zolt1");
    Monitor9x monitor;
    struct Case {
        DWORD level;
        DWORD size;
    } cases[] = {
        {1, (DWORD)(2 * sizeof(PORT_INFO_1A) + 6 + 6)},
        {2, (DWORD)(2 * (sizeof(PORT_INFO_2A) + 6 + 13 + 28))},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.level);
        std::vector<BYTE> buffer(test.size, 0xcc);
        DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(monitor->enumPorts(nullptr, test.level, buffer.data(), test.size - 1, &needed, &returned));
        EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
        EXPECT_EQ(test.size, needed);
        EXPECT_EQ(0u, returned);

        needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(monitor->enumPorts(nullptr, test.level, buffer.data(), test.size, &needed, &returned));
        EXPECT_EQ(0u, GetLastError());  // the wrapper clears it first
        EXPECT_EQ(test.size, needed);
        ASSERT_EQ(2u, returned);
        const BYTE* end = buffer.data() + test.size;
        if (test.level == 1) {
            const PORT_INFO_1A* info = (const PORT_INFO_1A*)buffer.data();
            EXPECT_STREQ("ZOLT0", info[0].pName);
            EXPECT_STREQ("zolt1", info[1].pName);
            EXPECT_EQ(end - 6, (const BYTE*)info[0].pName);
            EXPECT_EQ(end - 12, (const BYTE*)info[1].pName);
        } else {
            const PORT_INFO_2A* info = (const PORT_INFO_2A*)buffer.data();
            EXPECT_STREQ("ZOLT0", info[0].pPortName);
            EXPECT_STREQ("ZOLT Monitor", info[0].pMonitorName);
            EXPECT_STREQ("ZOLT Print Engine Component", info[0].pDescription);
            EXPECT_EQ((DWORD)PORT_TYPE_WRITE, info[0].fPortType);
            EXPECT_EQ(0u, info[0].Reserved);
            EXPECT_STREQ("zolt1", info[1].pPortName);
            EXPECT_EQ(end - 6, (const BYTE*)info[0].pPortName);
            EXPECT_EQ(end - 6 - 13, (const BYTE*)info[0].pMonitorName);
            EXPECT_EQ(end - 6 - 13 - 28, (const BYTE*)info[0].pDescription);
            EXPECT_EQ(end - 47 - 6, (const BYTE*)info[1].pPortName);
        }
    }
    DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor->enumPorts(nullptr, 3, nullptr, 0, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, GetLastError());
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(0u, returned);
}

TEST_F(Monitor9xTest, PrintsThroughTheAnsiFileObject) {
    m_engine.outputPath = [this](int job) { return jobFile(job); };
    Monitor9x monitor;
    char portName[] = "zolt0";
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor->openPort(portName, &port));
    EXPECT_EQ(1u, m_key.active(L"ZOLT0").value_or(99));
    HANDLE again = poisoned<HANDLE>();
    EXPECT_FALSE(monitor->openPort(portName, &again));
    EXPECT_EQ((DWORD)ERROR_BUSY, GetLastError());
    EXPECT_EQ(nullptr, again);

    char printer[] = "Print Site 98";
    DOC_INFO_1A doc = {const_cast<char*>("report"), nullptr, const_cast<char*>("RAW")};
    ASSERT_TRUE(monitor->startDocPort(port, printer, 21, 1, (BYTE*)&doc));
    std::string bytes = documentBytes(8292, 9);
    size_t offset = 0;
    for (size_t size : {4096, 4096, 100}) {
        DWORD written = poisoned<DWORD>();
        EXPECT_TRUE(monitor->writePort(port, (BYTE*)bytes.data() + offset, (DWORD)size, &written));
        EXPECT_EQ(size, written);
        offset += size;
    }
    std::string log = outputOf([&] { EXPECT_TRUE(monitor->endDocPort(port)); });
    // The ANSI file object says when it closes and goes.
    EXPECT_NE(std::string::npos, log.find("C_bvFileA:: deallocate\n")) << log;
    EXPECT_NE(std::string::npos, log.find("C_bvFileA:: destructor\n")) << log;
    EXPECT_TRUE(bytes == lab::readFileBytes(jobFile(1)));
    std::vector<std::string> expected = {"splStartDoc printer=Print Site 98 job=21",
                                         "splWritePrinter handle=28673 size=4096",
                                         "splWritePrinter handle=28673 size=4096",
                                         "splWritePrinter handle=28673 size=100",
                                         "splEndDoc handle=28673",
                                         "splClose handle=28673"};
    EXPECT_EQ(expected, m_engine.calls());

    // A folder that cannot be made is the ANSI file object's creation error.
    lab::writeFileBytes(m_folder.file(L"blocker"), "x");
    m_engine.outputPath = [this](int) { return m_folder.path() + L"blocker\\job\\layout.ps"; };
    ASSERT_TRUE(monitor->startDocPort(port, printer, 22, 1, (BYTE*)&doc));
    DWORD written = poisoned<DWORD>();
    log = outputOf([&] { EXPECT_FALSE(monitor->writePort(port, (BYTE*)bytes.data(), 10, &written)); });
    EXPECT_EQ(0u, written);
    EXPECT_NE(std::string::npos, log.find("C_portImpl::writePort BV catch***C_bvFileA::File creation error(")) << log;
    EXPECT_TRUE(monitor->endDocPort(port));
    EXPECT_TRUE(monitor->closePort(port));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));

    // Ports come and go as in the NT monitor.
    m_key.addPort(L"ZOLT1");
    char zolt1[] = "ZOLT1";
    EXPECT_FALSE(monitor->openPort(zolt1, &port));
    EXPECT_TRUE(monitor->addPort(nullptr, nullptr, const_cast<char*>("ZOLT Print Port")));
    ASSERT_TRUE(monitor->openPort(zolt1, &port));
    EXPECT_TRUE(monitor->closePort(port));
    EXPECT_TRUE(monitor->deletePort(nullptr, nullptr, zolt1));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT1"));
}
