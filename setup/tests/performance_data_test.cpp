// The process list read from performance data. Wine's performance data has no process
// object, so the blocks here are built the way the NT family lays them out.
#include <gtest/gtest.h>

#include <windows.h>
#include <winperf.h>

#include <cstring>
#include <string>
#include <vector>

#include "performance_processes.h"

namespace {

const DWORD kProcessObject = 230;
const DWORD kProcessorTime = 6;
const DWORD kIdProcess = 784;

// A data block with one "process" object: two counters (processor time, then the
// process id) and one instance per process.
class PerformanceBlock {
public:
    void add(const std::wstring& name, DWORD processId) { m_instances.push_back({name, processId}); }
    std::vector<BYTE> bytes(const wchar_t* signature = L"PERF", DWORD idCounter = kIdProcess) const {
        std::vector<BYTE> instances;
        for (const auto& instance : m_instances) append(instances, instanceBytes(instance.first, instance.second));

        PERF_OBJECT_TYPE object = {};
        object.HeaderLength = sizeof object;
        object.DefinitionLength = sizeof object + 2 * sizeof(PERF_COUNTER_DEFINITION);
        object.TotalByteLength = object.DefinitionLength + (DWORD)instances.size();
        object.ObjectNameTitleIndex = kProcessObject;
        object.NumCounters = 2;
        object.NumInstances = (LONG)m_instances.size();
        PERF_COUNTER_DEFINITION counters[2] = {};
        counters[0].ByteLength = sizeof counters[0];
        counters[0].CounterNameTitleIndex = kProcessorTime;
        counters[0].CounterSize = 8;
        counters[0].CounterOffset = 8;
        counters[1].ByteLength = sizeof counters[1];
        counters[1].CounterNameTitleIndex = idCounter;
        counters[1].CounterSize = 4;
        counters[1].CounterOffset = 16;

        // The header carries the computer's name, padded to eight bytes: the first object
        // follows at HeaderLength, not at the end of the structure.
        const wchar_t systemName[] = L"KELO-LAB";
        std::vector<BYTE> nameField(24, 0);
        memcpy(nameField.data(), systemName, sizeof systemName);
        PERF_DATA_BLOCK header = {};
        memcpy(header.Signature, signature, 4 * sizeof(wchar_t));
        header.LittleEndian = 1;
        header.Version = PERF_DATA_VERSION;
        header.Revision = PERF_DATA_REVISION;
        header.HeaderLength = sizeof header + (DWORD)nameField.size();
        header.NumObjectTypes = 1;
        header.DefaultObject = kProcessObject;
        header.SystemNameLength = sizeof systemName;
        header.SystemNameOffset = sizeof header;
        header.TotalByteLength = header.HeaderLength + object.TotalByteLength;

        std::vector<BYTE> block;
        appendValue(block, header);
        append(block, nameField);
        appendValue(block, object);
        appendValue(block, counters);
        append(block, instances);
        return block;
    }

private:
    template <typename T>
    static void appendValue(std::vector<BYTE>& to, const T& value) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
        to.insert(to.end(), bytes, bytes + sizeof value);
    }
    static void append(std::vector<BYTE>& to, const std::vector<BYTE>& bytes) {
        to.insert(to.end(), bytes.begin(), bytes.end());
    }

    static std::vector<BYTE> instanceBytes(const std::wstring& name, DWORD processId) {
        DWORD nameBytes = (DWORD)((name.size() + 1) * sizeof(wchar_t));
        DWORD padded = (nameBytes + 7) & ~7u;
        PERF_INSTANCE_DEFINITION instance = {};
        instance.ByteLength = sizeof instance + padded;
        instance.NameOffset = sizeof instance;
        instance.NameLength = nameBytes;
        std::vector<BYTE> bytes;
        appendValue(bytes, instance);
        std::vector<BYTE> nameField(padded, 0);
        memcpy(nameField.data(), name.c_str(), nameBytes);
        append(bytes, nameField);
        // Counter block: its length, padding, processor time (8 bytes), process id.
        std::vector<BYTE> counters(24, 0);
        DWORD length = 24;
        memcpy(counters.data(), &length, 4);
        memcpy(counters.data() + 16, &processId, 4);
        append(bytes, counters);
        return bytes;
    }

    std::vector<std::pair<std::wstring, DWORD>> m_instances;
};

TaskList parse(const std::vector<BYTE>& block, size_t limit = kMaxPerformanceTasks) {
    return tasksFromPerformanceData(block.data(), block.size(), kIdProcess, limit);
}

TEST(PerformanceData, InstancesBecomeTasksNamedAsPrograms) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    block.add(L"a.b", 88);
    block.add(L"Idle", 0);
    block.add(std::wstring(255, L'n'), 1);  // 255 + ".exe" + zero: exactly 260
    block.add(std::wstring(256, L'n'), 2);  // does not fit: no name
    block.add(L"", 3);
    TaskList tasks = parse(block.bytes());
    ASSERT_EQ(tasks.size(), 6u);
    const std::pair<std::string, DWORD> expected[] = {{"KeloClient.exe", 1204},
                                                      {"a.b.exe", 88},
                                                      {"Idle.exe", 0xFFFFFFFE},
                                                      {std::string(255, 'n') + ".exe", 1},
                                                      {"", 2},
                                                      {".exe", 3}};
    for (size_t i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i].processName, expected[i].first) << i;
        EXPECT_EQ(tasks[i].processId, expected[i].second) << i;
        EXPECT_EQ(tasks[i].flags, 0u);
        EXPECT_EQ(tasks[i].parentId, 0u);
        EXPECT_EQ(tasks[i].window, nullptr);
    }
}

TEST(PerformanceData, WithoutSignatureOrProcessIdCounterNothing) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    EXPECT_TRUE(parse(block.bytes(L"PERF", 785)).empty());
    EXPECT_TRUE(parse(block.bytes(L"PERX")).empty());
    EXPECT_TRUE(parse(block.bytes(L"perf")).empty());
    EXPECT_TRUE(parse({}).empty());
}

TEST(PerformanceData, TruncatedBlockGivesTheWholeInstancesOnly) {
    PerformanceBlock block;
    for (int i = 0; i < 4; ++i) block.add(L"proc" + std::to_wstring(i), 100 + i);
    std::vector<BYTE> whole = block.bytes();
    size_t previous = 0;
    for (size_t size = 0; size <= whole.size(); ++size) {
        std::vector<BYTE> cut(whole.begin(), whole.begin() + size);
        TaskList tasks = parse(cut);
        ASSERT_LE(tasks.size(), 4u) << size;
        ASSERT_GE(tasks.size(), previous) << size;
        for (size_t i = 0; i < tasks.size(); ++i) EXPECT_EQ(tasks[i].processId, 100 + i) << size;
        previous = tasks.size();
    }
    EXPECT_EQ(previous, 4u);
    // One byte short of the last instance's counters: three instances.
    EXPECT_EQ(parse(std::vector<BYTE>(whole.begin(), whole.end() - 1)).size(), 3u);
}

// The registry as Windows answers: the English counter names under perflib\009, and
// the process object only into a buffer large enough (234 otherwise, with no size).
class WindowsRegistry {
public:
    explicit WindowsRegistry(std::vector<BYTE> block) : m_block(std::move(block)) {}
    PerformanceRegistry reads() {
        return {[this](const char* path, HKEY* key) {
                    opened.push_back(path);
                    *key = kPerflibKey;
                    return counters.empty() ? (LONG)ERROR_FILE_NOT_FOUND : (LONG)ERROR_SUCCESS;
                },
                [this](HKEY key, const char* name, BYTE* data, DWORD* size) -> LONG {
                    bool performance = key == HKEY_PERFORMANCE_DATA;
                    if (performance)
                        asked.push_back(std::string(name) + ":" + std::to_string(*size));
                    else if (key != kPerflibKey || std::string(name) != "Counters")
                        return ERROR_FILE_NOT_FOUND;
                    std::string value = performance ? std::string(m_block.begin(), m_block.end()) : counters;
                    if (data && (*size < value.size() || (performance && neverFits))) return ERROR_MORE_DATA;
                    if (data) memcpy(data, value.data(), value.size());
                    *size = (DWORD)value.size();
                    return ERROR_SUCCESS;
                },
                [this](HKEY key) { closed.push_back(key); }};
    }

    const HKEY kPerflibKey = reinterpret_cast<HKEY>(0x1234);
    // With the list's closing zero.
    std::string counters{
        "1\0"
        "1847\0"
        "2\0"
        "System\0"
        "6\0"
        "% Processor Time\0"
        "230\0"
        "Process\0"
        "784\0"
        "ID Process\0"
        "1410\0"
        "Process ID\0",
        79};
    bool neverFits = false;
    std::vector<std::string> opened, asked;
    std::vector<HKEY> closed;

private:
    std::vector<BYTE> m_block;
};

TEST(PerformanceData, ProcessObjectReadThroughTheCounterNamesIntoAGrowingBuffer) {
    PerformanceBlock block;
    for (int i = 0; i < 800; ++i) block.add(L"process" + std::to_wstring(i), 4 * i + 8);  // more than 51200 bytes
    std::vector<BYTE> bytes = block.bytes();
    WindowsRegistry registry(bytes);
    TaskList tasks = processesFromPerformanceData(registry.reads());
    EXPECT_EQ(registry.opened,
              std::vector<std::string>{"software\\microsoft\\windows nt\\currentversion\\perflib\\009"});
    EXPECT_EQ(registry.asked, (std::vector<std::string>{"230:51200", "230:76800"}));
    EXPECT_EQ(registry.closed, (std::vector<HKEY>{registry.kPerflibKey, HKEY_PERFORMANCE_DATA}));
    ASSERT_EQ(tasks.size(), 255u);  // at most the limit
    EXPECT_EQ(parse(bytes, 10).size(), 10u);
    EXPECT_STREQ(tasks[254].processName, "process254.exe");
    EXPECT_EQ(tasks[254].processId, 4u * 254 + 8);
}

TEST(PerformanceData, UnreadableCountersOrDataGiveNoProcesses) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    // No counter names, none for "process", or a list cut in the middle of a name.
    for (std::string counters : {std::string(),
                                 std::string("230\0"
                                             "Processor\0"
                                             "784\0"
                                             "ID Process\0",
                                             30),
                                 std::string("784\0"
                                             "ID Process\0"
                                             "230\0"
                                             "Pro",
                                             22)}) {
        WindowsRegistry withoutProcess(block.bytes());
        withoutProcess.counters = counters;
        EXPECT_TRUE(processesFromPerformanceData(withoutProcess.reads()).empty());
        EXPECT_TRUE(withoutProcess.asked.empty());
    }

    WindowsRegistry endless(block.bytes());
    endless.neverFits = true;  // the growth stops somewhere
    EXPECT_TRUE(processesFromPerformanceData(endless.reads()).empty());
    EXPECT_EQ(endless.closed.back(), HKEY_PERFORMANCE_DATA);
}

}  // namespace
