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
const DWORD kIdProcess = 784;

using Processes = std::vector<std::pair<std::wstring, DWORD>>;

template <typename T>
void put(std::vector<BYTE>& to, const T& value, size_t size = sizeof(T)) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    to.insert(to.end(), bytes, bytes + sizeof(T));
    to.resize(to.size() + size - sizeof(T));
}

// A block with the computer's name after the header (the first object follows at
// HeaderLength) and one "process" object: two counters (processor time, then the
// process id) and one instance per process, its name padded to eight bytes.
std::vector<BYTE> performanceBlock(const Processes& processes, const wchar_t* signature = L"PERF",
                                   DWORD idCounter = kIdProcess) {
    std::vector<BYTE> instances;
    for (const auto& [name, processId] : processes) {
        DWORD nameBytes = (DWORD)((name.size() + 1) * sizeof(wchar_t)), padded = (nameBytes + 7) & ~7u;
        // Length, parent's index and instance, unique id, name offset and length.
        put(instances, PERF_INSTANCE_DEFINITION{(DWORD)sizeof(PERF_INSTANCE_DEFINITION) + padded, 0, 0, 0,
                                                sizeof(PERF_INSTANCE_DEFINITION), nameBytes});
        instances.insert(instances.end(), (const BYTE*)name.c_str(), (const BYTE*)name.c_str() + nameBytes);
        instances.resize(instances.size() + padded - nameBytes);
        const DWORD counters[6] = {24, 0, 0, 0, processId, 0};  // length, processor time at 8, process id at 16
        put(instances, counters);
    }
    // Length, name index, ..., size, offset in the instance's counter block.
    const PERF_COUNTER_DEFINITION counters[2] = {{sizeof(PERF_COUNTER_DEFINITION), 6, 0, 0, 0, 0, 0, 0, 8, 8},
                                                 {sizeof(PERF_COUNTER_DEFINITION), idCounter, 0, 0, 0, 0, 0, 0, 4, 16}};
    PERF_OBJECT_TYPE object = {};
    object.DefinitionLength = sizeof object + sizeof counters;
    object.TotalByteLength = object.DefinitionLength + (DWORD)instances.size();
    object.HeaderLength = sizeof object;
    object.ObjectNameTitleIndex = kProcessObject;
    object.NumCounters = 2;
    object.NumInstances = (LONG)processes.size();
    const wchar_t systemName[] = L"KELO-LAB";
    PERF_DATA_BLOCK header = {{signature[0], signature[1], signature[2], signature[3]}, 1, PERF_DATA_VERSION};
    header.HeaderLength = sizeof header + 24;
    header.TotalByteLength = header.HeaderLength + object.TotalByteLength;
    header.NumObjectTypes = 1;
    header.SystemNameLength = sizeof systemName;
    header.SystemNameOffset = sizeof header;
    std::vector<BYTE> block;
    put(block, header);
    put(block, systemName, 24);
    put(block, object);
    put(block, counters);
    block.insert(block.end(), instances.begin(), instances.end());
    return block;
}

TaskList parse(const std::vector<BYTE>& block, size_t limit = kMaxPerformanceTasks) {
    return tasksFromPerformanceData(block.data(), block.size(), kIdProcess, limit);
}

TEST(PerformanceData, InstancesBecomeTasksNamedAsPrograms) {
    const struct {
        std::wstring instance;
        DWORD processId;
        std::string program;
        DWORD taskId;
    } cases[] = {{L"KeloClient", 1204, "KeloClient.exe", 1204},
                 {L"a.b", 88, "a.b.exe", 88},
                 {L"Idle", 0, "Idle.exe", 0xFFFFFFFE},
                 {std::wstring(255, L'n'), 1, std::string(255, 'n') + ".exe", 1},  // with the zero: exactly 260
                 {std::wstring(256, L'n'), 2, "", 2},                              // does not fit: no name
                 {L"", 3, ".exe", 3}};
    Processes processes;
    for (const auto& c : cases) processes.push_back({c.instance, c.processId});
    TaskList tasks = parse(performanceBlock(processes));
    ASSERT_EQ(tasks.size(), std::size(cases));
    for (size_t i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i].processName, cases[i].program) << i;
        EXPECT_EQ(tasks[i].processId, cases[i].taskId) << i;
        EXPECT_EQ(tasks[i].flags, 0u);
    }
    // Without the signature, or without the process id counter: nothing.
    EXPECT_TRUE(parse(performanceBlock({{L"KeloClient", 1204}}, L"PERF", 785)).empty());
    EXPECT_TRUE(parse(performanceBlock({{L"KeloClient", 1204}}, L"perf")).empty());
    EXPECT_TRUE(parse({}).empty());
}

TEST(PerformanceData, TruncatedBlockGivesTheWholeInstancesOnly) {
    std::vector<BYTE> whole = performanceBlock({{L"proc0", 100}, {L"proc1", 101}, {L"proc2", 102}, {L"proc3", 103}});
    size_t previous = 0;
    for (size_t size = 0; size <= whole.size(); ++size) {
        TaskList tasks = parse(std::vector<BYTE>(whole.begin(), whole.begin() + size));
        ASSERT_LE(tasks.size(), 4u) << size;
        ASSERT_GE(tasks.size(), previous) << size;
        for (size_t i = 0; i < tasks.size(); ++i) EXPECT_EQ(tasks[i].processId, 100 + i) << size;
        previous = tasks.size();
    }
    EXPECT_EQ(previous, 4u);
    // One byte short of the last instance's counters: three instances.
    EXPECT_EQ(parse(std::vector<BYTE>(whole.begin(), whole.end() - 1)).size(), 3u);
}

// The registry as Windows answers: the counter names under perflib\009, and the process
// object only into a buffer large enough (234 otherwise, with no size). It logs what is
// asked: "open <path>", "<value>:<buffer size>", "close".
struct WindowsRegistry {
    PerformanceRegistry reads() {
        return {[this](const char* path, HKEY* key) {
                    calls.push_back(std::string("open ") + path);
                    *key = reinterpret_cast<HKEY>(0x1234);
                    return counters.empty() ? (LONG)ERROR_FILE_NOT_FOUND : (LONG)ERROR_SUCCESS;
                },
                [this](HKEY key, const char* name, BYTE* data, DWORD* size) -> LONG {
                    bool performance = key == HKEY_PERFORMANCE_DATA;
                    if (data) calls.push_back(name + (":" + std::to_string(*size)));
                    std::string value = performance ? std::string(block.begin(), block.end()) : counters;
                    if (data && (*size < value.size() || (performance && neverFits))) return ERROR_MORE_DATA;
                    if (data) memcpy(data, value.data(), value.size());
                    *size = (DWORD)value.size();
                    return ERROR_SUCCESS;
                },
                [this](HKEY) { calls.push_back("close"); }};
    }

    std::vector<BYTE> block;
    std::string counters{
        "1\0001847\0002\000System\0006\000% Processor Time\000230\000Process\000784\000ID "
        "Process\0001410\000Process ID\000",
        79};  // with the list's closing zero
    bool neverFits = false;
    std::vector<std::string> calls;
};

TEST(PerformanceData, ProcessObjectReadThroughTheCounterNamesIntoAGrowingBuffer) {
    Processes processes;
    for (int i = 0; i < 800; ++i) processes.push_back({L"process" + std::to_wstring(i), 4 * i + 8});
    WindowsRegistry registry{performanceBlock(processes)};  // more than 51200 bytes
    TaskList tasks = processesFromPerformanceData(registry.reads());
    EXPECT_EQ(registry.calls,
              (std::vector<std::string>{"open software\\microsoft\\windows nt\\currentversion\\perflib\\009",
                                        "Counters:79", "close", "230:51200", "230:76800", "close"}));
    ASSERT_EQ(tasks.size(), 255u);  // at most the limit
    EXPECT_EQ(parse(registry.block, 10).size(), 10u);
    EXPECT_EQ(tasks[254].processName + std::to_string(tasks[254].processId), "process254.exe1024");

    // No counter names, none for "process", or a list cut in the middle of a name: the
    // data is not asked for. Data that never fits: the growth stops somewhere.
    for (std::string counters : {std::string(), std::string("230\000Processor\000784\000ID Process\000", 30),
                                 std::string("784\000ID Process\000230\000Pro", 22)}) {
        WindowsRegistry unreadable{registry.block, counters};
        EXPECT_TRUE(processesFromPerformanceData(unreadable.reads()).empty());
        EXPECT_EQ(unreadable.calls.size(), counters.empty() ? 1u : 3u);
    }
    WindowsRegistry endless{registry.block, registry.counters, true};
    EXPECT_TRUE(processesFromPerformanceData(endless.reads()).empty());
    EXPECT_EQ(endless.calls.back(), "close");
}

}  // namespace
