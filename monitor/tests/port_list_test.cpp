// The NT monitor's table, its port list from the registry and the port functions that
// need no engine, called through the table as the spooler calls them.
#include "monitor_test_support.h"

#include <cstddef>
#include <algorithm>
#include <cstring>
#include <memory>

#include "lab_text.h"

using namespace monitortest;

namespace {

const std::wstring kPrivate = std::wstring(kMonitorRoot) + L"\\Private";

class PortList : public ComTest {
protected:
    MonitorKey m_key;

    struct Enumeration {
        BOOL result;
        DWORD error;
        DWORD needed;
        DWORD returned;
    };

    static Enumeration enumerate(const MONITOR& monitor, DWORD level, BYTE* buffer, DWORD size) {
        Enumeration answer;
        answer.needed = poisoned<DWORD>();
        answer.returned = poisoned<DWORD>();
        SetLastError(0xdeadbeef);
        answer.result = monitor.pfnEnumPorts(nullptr, level, buffer, size, &answer.needed, &answer.returned);
        answer.error = GetLastError();
        return answer;
    }
};

}  // namespace

TEST_F(PortList, TableHoldsFourteenSlotsInTheSpoolersOrder) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    // The size covers the slots up to SetPortTimeOuts.
    EXPECT_EQ(offsetof(MONITOR, pfnXcvOpenPort), monitor.table().dwMonitorSize);

    const MONITOR& table = *monitor;
    EXPECT_TRUE(table.pfnEnumPorts && table.pfnOpenPort && table.pfnStartDocPort && table.pfnWritePort &&
                table.pfnReadPort && table.pfnEndDocPort && table.pfnClosePort && table.pfnAddPort &&
                table.pfnAddPortEx && table.pfnConfigurePort && table.pfnDeletePort);
    EXPECT_EQ(nullptr, table.pfnOpenPortEx);
    EXPECT_EQ(nullptr, table.pfnGetPrinterDataFromPort);
    EXPECT_EQ(nullptr, table.pfnSetPortTimeOuts);
    EXPECT_EQ(nullptr, table.pfnXcvOpenPort);

    // Reading from the port does nothing and fails; configuring it does nothing and succeeds.
    HANDLE port = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, port);
    BYTE buffer[16];
    DWORD read = poisoned<DWORD>();
    EXPECT_FALSE(table.pfnReadPort(port, buffer, sizeof buffer, &read));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(poisoned<DWORD>(), read);
    wchar_t portName[] = L"ZOLT0";
    EXPECT_TRUE(table.pfnConfigurePort(nullptr, nullptr, portName));
    EXPECT_TRUE(table.pfnClosePort(port));
}

TEST_F(PortList, RegistryRootIsTakenBelowTheLocalMachineUnlessItNamesARoot) {
    struct Case {
        const wchar_t* given;
        HKEY root;
        std::wstring path;  // where the monitor looks, below the root
    } cases[] = {
        {kMonitorRoot, HKEY_LOCAL_MACHINE, kMonitorRoot},
        {L"hkey_local_machine\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port",
         HKEY_LOCAL_MACHINE, kMonitorRoot},
        {L"HKEY_USERS\\.DEFAULT\\Software\\Kelo Monitor Test", HKEY_USERS, L".DEFAULT\\Software\\Kelo Monitor Test"},
        {L"Hkey_Current_User\\Software\\Kelo Monitor Test", HKEY_CURRENT_USER, L"Software\\Kelo Monitor Test"},
        // The short root names do not begin with "HKEY": they become part of the path.
        {L"HKCU\\Software\\Kelo Monitor Test", HKEY_LOCAL_MACHINE, L"HKCU\\Software\\Kelo Monitor Test"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(lab::toUtf8(test.given));
        MonitorKey root(test.root, test.path);
        root.addPort(L"ZOLTROOT");
        NtMonitor monitor(test.given);
        EXPECT_EQ(std::vector<std::wstring>{L"ZOLTROOT"}, monitor.portNames());
        // The port's active value was reset where the monitor found it.
        EXPECT_EQ(0u, root.active(L"ZOLTROOT").value_or(99));
    }
    lab::deleteRegistryTree(HKEY_USERS, L".DEFAULT\\Software\\Kelo Monitor Test");
    lab::deleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Kelo Monitor Test");
    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, L"HKCU");
}

TEST_F(PortList, LevelOneListsTheNamesSortedWithoutRegardToCase) {
    m_key.addPort(L"zolt1");
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;

    // Two ports at level 1: two structures and "ZOLT0", "zolt1" with their zeros.
    const DWORD expected = 2 * (sizeof(PORT_INFO_1W) + 6 * sizeof(wchar_t));
    Enumeration sizing = enumerate(*monitor, 1, nullptr, 0);
    EXPECT_FALSE(sizing.result);
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, sizing.error);
    EXPECT_EQ(expected, sizing.needed);
    EXPECT_EQ(0u, sizing.returned);

    std::vector<BYTE> buffer(expected, 0xcc);
    Enumeration shortBy1 = enumerate(*monitor, 1, buffer.data(), expected - 1);
    EXPECT_FALSE(shortBy1.result);
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, shortBy1.error);
    EXPECT_EQ(expected, shortBy1.needed);
    EXPECT_EQ(0u, shortBy1.returned);
    EXPECT_EQ(0xcc, buffer[0]);

    Enumeration exact = enumerate(*monitor, 1, buffer.data(), expected);
    ASSERT_TRUE(exact.result) << exact.error;
    EXPECT_EQ(expected, exact.needed);
    ASSERT_EQ(2u, exact.returned);
    const PORT_INFO_1W* info = (const PORT_INFO_1W*)buffer.data();
    EXPECT_STREQ(L"ZOLT0", info[0].pName);
    EXPECT_STREQ(L"zolt1", info[1].pName);
    // Strings packed from the end: the first port's name ends the buffer, the second's
    // lies directly below it.
    const BYTE* end = buffer.data() + expected;
    EXPECT_EQ(end - 12, (const BYTE*)info[0].pName);
    EXPECT_EQ(end - 24, (const BYTE*)info[1].pName);
}

TEST_F(PortList, LevelTwoAddsTheMonitorNameAndTheDescription) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    const DWORD expected = sizeof(PORT_INFO_2W) + (6 + 13 + 23) * sizeof(wchar_t);

    std::vector<BYTE> buffer(expected + 5, 0xcc);
    Enumeration shortBy1 = enumerate(*monitor, 2, buffer.data(), expected - 1);
    EXPECT_FALSE(shortBy1.result);
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, shortBy1.error);
    EXPECT_EQ(expected, shortBy1.needed);
    EXPECT_EQ(0u, shortBy1.returned);

    Enumeration exact = enumerate(*monitor, 2, buffer.data(), expected);
    ASSERT_TRUE(exact.result) << exact.error;
    EXPECT_EQ(expected, exact.needed);
    ASSERT_EQ(1u, exact.returned);
    const PORT_INFO_2W* info = (const PORT_INFO_2W*)buffer.data();
    EXPECT_STREQ(L"ZOLT0", info->pPortName);
    EXPECT_STREQ(L"ZOLT Monitor", info->pMonitorName);
    EXPECT_STREQ(L"ZOLT Print Driver Port", info->pDescription);
    EXPECT_EQ((DWORD)PORT_TYPE_WRITE, info->fPortType);
    EXPECT_EQ(0u, info->Reserved);
    const BYTE* end = buffer.data() + expected;
    EXPECT_EQ(end - 12, (const BYTE*)info->pPortName);
    EXPECT_EQ(end - 12 - 26, (const BYTE*)info->pMonitorName);
    EXPECT_EQ(buffer.data() + sizeof(PORT_INFO_2W), (const BYTE*)info->pDescription);
    EXPECT_EQ(0xcc, buffer[expected]);

    // A larger buffer of odd size: the strings end at its last whole character.
    std::fill(buffer.begin(), buffer.end(), 0xcc);
    Enumeration larger = enumerate(*monitor, 2, buffer.data(), expected + 5);
    ASSERT_TRUE(larger.result);
    EXPECT_EQ(expected, larger.needed);
    EXPECT_STREQ(L"ZOLT0", info->pPortName);
    EXPECT_EQ(buffer.data() + expected + 4 - 12, (const BYTE*)info->pPortName);
    EXPECT_EQ(0u, ((uintptr_t)info->pDescription) % sizeof(wchar_t));
}

TEST_F(PortList, OtherLevelsAndMissingPortKeysGiveNothing) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    BYTE buffer[256];
    for (DWORD level : {0u, 3u, 0xffffffffu}) {
        SCOPED_TRACE(level);
        Enumeration answer = enumerate(*monitor, level, buffer, sizeof buffer);
        EXPECT_FALSE(answer.result);
        EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, answer.error);
        EXPECT_EQ(0u, answer.needed);
        EXPECT_EQ(0u, answer.returned);
    }

    // Without the "Private" key there are no ports, at either level.
    m_key.removePrivateKey();
    for (DWORD level : {1u, 2u}) {
        Enumeration answer = enumerate(*monitor, level, nullptr, 0);
        EXPECT_TRUE(answer.result);
        EXPECT_EQ(0u, answer.needed);
        EXPECT_EQ(0u, answer.returned);
    }
    HANDLE handle = poisoned<HANDLE>();
    wchar_t name[] = L"ZOLT0";
    EXPECT_FALSE(monitor->pfnOpenPort(name, &handle));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(PortList, AnUnusableRootIsLoggedAndListsNoPorts) {
    std::unique_ptr<NtMonitor> monitor;
    Enumeration answer = {};
    std::string log = outputOf([&] {
        monitor = std::make_unique<NtMonitor>(L"HKEY_NOWHERE\\Monitors\\ZOLT Print Port");
        answer = enumerate(**monitor, 1, nullptr, 0);
    });
    EXPECT_TRUE(answer.result);
    EXPECT_EQ(0u, answer.needed);
    EXPECT_EQ(0u, answer.returned);
    // Once when the monitor starts, once for the enumeration.
    const std::string line = "C_portMgr::refreshPortList BV catchenumRegistryKeys: unexpected error\n";
    size_t first = log.find(line);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_NE(std::string::npos, log.find(line, first + 1)) << log;
}

TEST_F(PortList, OpenPortHandsOutAListedPortOnceUntilItIsClosed) {
    m_key.addPort(L"ZOLT0");
    m_key.addPort(L"ZOLT1");
    NtMonitor monitor;
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));

    wchar_t zolt0[] = L"zolt0";  // names are found without regard to case
    HANDLE first = poisoned<HANDLE>();
    ASSERT_TRUE(monitor->pfnOpenPort(zolt0, &first));
    EXPECT_NE(nullptr, first);
    EXPECT_NE(poisoned<HANDLE>(), first);
    EXPECT_EQ(1u, m_key.active(L"ZOLT0").value_or(99));
    EXPECT_EQ(0u, m_key.active(L"ZOLT1").value_or(99));

    // Refused: the port open already, a name not listed, no name, nowhere for the handle.
    wchar_t unknown[] = L"ZOLT7";
    const struct {
        wchar_t* name;
        bool withHandle;
        DWORD error;
    } refusals[] = {{zolt0, true, ERROR_BUSY},
                    {unknown, true, ERROR_FILE_NOT_FOUND},
                    {nullptr, true, ERROR_FILE_NOT_FOUND},
                    {unknown, false, ERROR_INVALID_PARAMETER}};
    for (const auto& test : refusals) {
        HANDLE none = poisoned<HANDLE>();
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(monitor->pfnOpenPort(test.name, test.withHandle ? &none : nullptr));
        EXPECT_EQ(test.error, GetLastError());
        EXPECT_EQ(test.withHandle ? nullptr : poisoned<HANDLE>(), none);
    }
    EXPECT_TRUE(monitor->pfnClosePort(first));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    HANDLE again = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, again);
    EXPECT_TRUE(monitor->pfnClosePort(again));

    // An "active" value that is not a number counts as inactive.
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, m_key.portKey(L"ZOLT1"), L"active", L"open");
    HANDLE text = monitor.open(L"ZOLT1");
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(1u, m_key.active(L"ZOLT1").value_or(99));
    EXPECT_TRUE(monitor->pfnClosePort(text));

    // Handles the monitor never gave are refused.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor->pfnClosePort(nullptr));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(PortList, NewPortKeysShowFromTheNextEnumerationOrAddPortButNotAtOpenPort) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    m_key.addPort(L"ZOLT1");
    EXPECT_EQ(nullptr, monitor.open(L"ZOLT1"));
    EXPECT_EQ((std::vector<std::wstring>{L"ZOLT0", L"ZOLT1"}), monitor.portNames());
    HANDLE port = monitor.open(L"ZOLT1");
    ASSERT_NE(nullptr, port);
    EXPECT_TRUE(monitor->pfnClosePort(port));

    // AddPort creates nothing: it rereads the keys.
    m_key.addPort(L"ZOLT2");
    EXPECT_EQ(nullptr, monitor.open(L"ZOLT2"));
    wchar_t monitorName[] = L"ZOLT Print Port";
    EXPECT_TRUE(monitor->pfnAddPort(nullptr, nullptr, monitorName));
    port = monitor.open(L"ZOLT2");
    ASSERT_NE(nullptr, port);
    EXPECT_TRUE(monitor->pfnClosePort(port));

    // AddPortEx only for this monitor's registered name, in any case.
    m_key.addPort(L"ZOLT3");
    struct Case {
        const wchar_t* monitorName;
        BOOL result;
    } cases[] = {{L"ZOLT Monitor", FALSE}, {nullptr, FALSE}, {L"ZOLT Print Port2", FALSE}, {L"zolt print port", TRUE}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.monitorName ? lab::toUtf8(test.monitorName) : "null");
        EXPECT_EQ(nullptr, monitor.open(L"ZOLT3"));
        std::wstring name = test.monitorName ? test.monitorName : L"";
        PORT_INFO_1W info = {const_cast<wchar_t*>(L"ZOLT9")};
        SetLastError(0xdeadbeef);
        BOOL result = monitor->pfnAddPortEx(nullptr, 1, (BYTE*)&info, test.monitorName ? &name[0] : nullptr);
        EXPECT_EQ(test.result, result);
        if (!result) {
            EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
        }
    }
    port = monitor.open(L"ZOLT3");
    ASSERT_NE(nullptr, port);
    EXPECT_TRUE(monitor->pfnClosePort(port));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT9"));
}

TEST_F(PortList, EveryRefreshResetsActiveAndTheHeldPortCannotStartAJob) {
    EngineRecord engine;
    ScopedEngine registered(engine);
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    HANDLE held = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, held);
    EXPECT_EQ(1u, m_key.active(L"ZOLT0").value_or(99));

    monitor.portNames();
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    wchar_t printer[] = L"Print Site";
    DOC_INFO_1W doc = {const_cast<wchar_t*>(L"report"), nullptr, const_cast<wchar_t*>(L"RAW")};
    EXPECT_FALSE(monitor->pfnStartDocPort(held, printer, 4, 1, (BYTE*)&doc));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    EXPECT_EQ(0, engine.activations());
    EXPECT_TRUE(engine.calls().empty());

    // The port can be opened again meanwhile; closing either handle leaves it inactive.
    HANDLE reopened = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, reopened);
    EXPECT_TRUE(monitor->pfnStartDocPort(reopened, printer, 5, 1, (BYTE*)&doc));
    EXPECT_TRUE(monitor->pfnEndDocPort(reopened));
    EXPECT_TRUE(monitor->pfnClosePort(held));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    EXPECT_TRUE(monitor->pfnClosePort(reopened));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(PortList, DeletePortRemovesAListedPortsKeyOnly) {
    m_key.addPort(L"ZOLT0");
    m_key.addPort(L"ZOLT1");
    NtMonitor monitor;

    wchar_t listed[] = L"zolt1";
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, listed));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT1"));
    EXPECT_EQ(std::vector<std::wstring>{L"ZOLT0"}, monitor.portNames());

    // A name that is not listed deletes nothing, even when such a key appeared since.
    m_key.addPort(L"ZOLT5");
    wchar_t unlisted[] = L"ZOLT5";
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, unlisted));
    EXPECT_TRUE(m_key.portKeyExists(L"ZOLT5"));
    wchar_t unknown[] = L"NOPORT";
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, unknown));
    EXPECT_EQ((std::vector<std::wstring>{L"ZOLT0", L"ZOLT5"}), monitor.portNames());

    // A port whose key goes while the spooler holds it open does not come back when it
    // is closed.
    HANDLE held = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, held);
    wchar_t heldName[] = L"ZOLT0";
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, heldName));
    EXPECT_TRUE(monitor->pfnClosePort(held));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT0"));
    EXPECT_EQ(std::vector<std::wstring>{L"ZOLT5"}, monitor.portNames());
}
