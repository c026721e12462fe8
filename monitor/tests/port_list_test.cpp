// The NT monitor's port list from the registry and the port functions that need no
// engine, called through its table as the spooler calls them.
#include "monitor_test_support.h"

using namespace monitortest;

namespace {

class PortList : public ComTest {
protected:
    MonitorKey m_key;
};

}  // namespace

TEST_F(PortList, EnumPortsAtBothLevelsSortedWithoutRegardToCase) {
    m_key.addPort(L"zolt1");
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    // Two structures, "ZOLT0" and "zolt1", and at level 2 the monitor's name and description.
    const DWORD names = 2 * 6 * sizeof(wchar_t);
    const DWORD sizes[] = {0, 2 * sizeof(PORT_INFO_1W) + names,
                           2 * sizeof(PORT_INFO_2W) + names + 2 * (13 + 23) * sizeof(wchar_t)};
    for (DWORD level : {1u, 2u}) {
        SCOPED_TRACE(level);
        std::vector<BYTE> buffer(sizes[level] + 1, 0xcc);
        for (DWORD size : {DWORD(0), sizes[level] - 1, sizes[level] + 1}) {  // odd: the strings stay aligned
            DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
            SetLastError(0xdeadbeef);
            BOOL result =
                monitor->pfnEnumPorts(nullptr, level, size ? buffer.data() : nullptr, size, &needed, &returned);
            EXPECT_EQ(size > sizes[level], !!result) << size;
            EXPECT_TRUE(result || GetLastError() == ERROR_INSUFFICIENT_BUFFER) << GetLastError();
            EXPECT_EQ(sizes[level], needed);
            EXPECT_EQ(result ? 2u : 0u, returned);
        }
        const wchar_t* second = ((const PORT_INFO_1W*)buffer.data())[1].pName;
        if (level == 2) {
            const PORT_INFO_2W* info = (const PORT_INFO_2W*)buffer.data();
            second = info[1].pPortName;
            EXPECT_STREQ(L"ZOLT Monitor", info[0].pMonitorName);
            EXPECT_STREQ(L"ZOLT Print Driver Port", info[0].pDescription);
            EXPECT_EQ((DWORD)PORT_TYPE_WRITE, info[0].fPortType);
        }
        EXPECT_STREQ(L"zolt1", second);
        EXPECT_EQ(0u, (uintptr_t)second % sizeof(wchar_t));
    }

    BYTE buffer[256];
    for (DWORD level : {0u, 3u}) {
        DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
        EXPECT_FALSE(monitor->pfnEnumPorts(nullptr, level, buffer, sizeof buffer, &needed, &returned));
        EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, GetLastError());
        EXPECT_EQ(0u, needed + returned);
    }
    // Without the "Private" key, or under a root that cannot be opened, there are no ports.
    m_key.removePrivateKey();
    NtMonitor nowhere(L"HKEY_NOWHERE\\Monitors\\ZOLT Print Port");
    for (const NtMonitor* lister : {&monitor, &nowhere}) {
        DWORD needed = poisoned<DWORD>(), returned = poisoned<DWORD>();
        EXPECT_TRUE((*lister)->pfnEnumPorts(nullptr, 2, nullptr, 0, &needed, &returned));
        EXPECT_EQ(0u, needed + returned);
    }
}

TEST_F(PortList, OpenPortHandsOutAListedPortOnceUntilItIsClosed) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    wchar_t zolt0[] = L"zolt0";  // names are found without regard to case
    HANDLE first = poisoned<HANDLE>();
    ASSERT_TRUE(monitor->pfnOpenPort(zolt0, &first));
    EXPECT_NE(poisoned<HANDLE>(), first);
    EXPECT_EQ(1u, m_key.active(L"ZOLT0").value_or(99));

    // Refused: the port open already, a name not listed, nowhere for the handle.
    wchar_t unknown[] = L"ZOLT7";
    const struct {
        wchar_t* name;
        bool withHandle;
        DWORD error;
    } refusals[] = {
        {zolt0, true, ERROR_BUSY}, {unknown, true, ERROR_FILE_NOT_FOUND}, {unknown, false, ERROR_INVALID_PARAMETER}};
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
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor->pfnClosePort(nullptr));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(PortList, PortKeysAreReadAgainAtEnumPortsAndAddPortAndDeletePortRemovesOnlyAListedOne) {
    m_key.addPort(L"ZOLT0");
    NtMonitor monitor;
    auto opens = [&](const wchar_t* name) {
        HANDLE port = monitor.open(name);
        return port && monitor->pfnClosePort(port);
    };
    m_key.addPort(L"ZOLT1");
    EXPECT_FALSE(opens(L"ZOLT1")) << "not at OpenPort";
    EXPECT_EQ((std::vector<std::wstring>{L"ZOLT0", L"ZOLT1"}), monitor.portNames());
    EXPECT_TRUE(opens(L"ZOLT1"));
    // AddPort and AddPortEx create nothing: they read the keys again, AddPortEx only for
    // this monitor's registered name, in any case.
    m_key.addPort(L"ZOLT2");
    wchar_t registered[] = L"zolt print port", other[] = L"ZOLT Monitor";
    PORT_INFO_1W info = {const_cast<wchar_t*>(L"ZOLT9")};
    EXPECT_FALSE(monitor->pfnAddPortEx(nullptr, 1, (BYTE*)&info, other));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(opens(L"ZOLT2"));
    EXPECT_TRUE(monitor->pfnAddPortEx(nullptr, 1, (BYTE*)&info, registered));
    EXPECT_TRUE(opens(L"ZOLT2"));
    m_key.addPort(L"ZOLT3");
    EXPECT_TRUE(monitor->pfnAddPort(nullptr, nullptr, registered));
    EXPECT_TRUE(opens(L"ZOLT3"));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT9"));

    wchar_t listed[] = L"zolt1", unlisted[] = L"ZOLT5", held[] = L"ZOLT0";
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, listed));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT1"));
    m_key.addPort(L"ZOLT5");  // a name not listed deletes nothing, even when its key appeared since
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, unlisted));
    EXPECT_TRUE(m_key.portKeyExists(L"ZOLT5"));
    // A port whose key goes while the spooler holds it does not come back when it is closed.
    HANDLE port = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, port);
    EXPECT_TRUE(monitor->pfnDeletePort(nullptr, nullptr, held));
    EXPECT_TRUE(monitor->pfnClosePort(port));
    EXPECT_FALSE(m_key.portKeyExists(L"ZOLT0"));
    EXPECT_EQ((std::vector<std::wstring>{L"ZOLT2", L"ZOLT3", L"ZOLT5"}), monitor.portNames());
}
