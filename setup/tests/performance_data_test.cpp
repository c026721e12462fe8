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
    void add(const std::wstring& name, DWORD processId) { instances_.push_back({name, processId}); }
    std::vector<BYTE> bytes(const wchar_t* signature = L"PERF", DWORD idCounter = kIdProcess) const {
        std::vector<BYTE> instances;
        for (const auto& instance : instances_) append(instances, instanceBytes(instance.first, instance.second));

        PERF_OBJECT_TYPE object = {};
        object.HeaderLength = sizeof object;
        object.DefinitionLength = sizeof object + 2 * sizeof(PERF_COUNTER_DEFINITION);
        object.TotalByteLength = object.DefinitionLength + (DWORD)instances.size();
        object.ObjectNameTitleIndex = kProcessObject;
        object.NumCounters = 2;
        object.NumInstances = (LONG)instances_.size();
        PERF_COUNTER_DEFINITION counters[2] = {};
        counters[0].ByteLength = sizeof counters[0];
        counters[0].CounterNameTitleIndex = kProcessorTime;
        counters[0].CounterSize = 8;
        counters[0].CounterOffset = 8;
        counters[1].ByteLength = sizeof counters[1];
        counters[1].CounterNameTitleIndex = idCounter;
        counters[1].CounterSize = 4;
        counters[1].CounterOffset = 16;

        PERF_DATA_BLOCK header = {};
        memcpy(header.Signature, signature, 4 * sizeof(wchar_t));
        header.LittleEndian = 1;
        header.Version = 1;
        header.HeaderLength = sizeof header;
        header.NumObjectTypes = 1;
        header.TotalByteLength = sizeof header + object.TotalByteLength;

        std::vector<BYTE> block;
        appendValue(block, header);
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
    static void append(std::vector<BYTE>& to, const std::vector<BYTE>& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

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

    std::vector<std::pair<std::wstring, DWORD>> instances_;
};

TaskList parse(const std::vector<BYTE>& block, size_t limit = kMaxPerformanceTasks) {
    return tasksFromPerformanceData(block.data(), block.size(), kIdProcess, limit);
}

TEST(PerformanceData, InstancesBecomeTasksNamedAsPrograms) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    block.add(L"a.b", 88);
    block.add(L"Idle", 0);
    TaskList tasks = parse(block.bytes());
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_STREQ(tasks[0].processName, "KeloClient.exe");
    EXPECT_EQ(tasks[0].processId, 1204u);
    EXPECT_STREQ(tasks[1].processName, "a.b.exe");
    EXPECT_EQ(tasks[1].processId, 88u);
    EXPECT_STREQ(tasks[2].processName, "Idle.exe");
    EXPECT_EQ(tasks[2].processId, 0xFFFFFFFEu);
    for (const TaskRecord& task : tasks) {
        EXPECT_EQ(task.flags, 0u);
        EXPECT_EQ(task.parentId, 0u);
        EXPECT_EQ(task.window, nullptr);
    }
}

TEST(PerformanceData, WithoutSignatureNothing) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    EXPECT_TRUE(parse(block.bytes(L"PERX")).empty());
    EXPECT_TRUE(parse(block.bytes(L"perf")).empty());
    EXPECT_TRUE(parse({}).empty());
}

TEST(PerformanceData, WithoutTheProcessIdCounterNothing) {
    PerformanceBlock block;
    block.add(L"KeloClient", 1204);
    EXPECT_TRUE(parse(block.bytes(L"PERF", 785)).empty());
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

TEST(PerformanceData, AtMostTheLimit) {
    PerformanceBlock block;
    for (int i = 0; i < 300; ++i) block.add(L"p" + std::to_wstring(i), 1000 + i);
    EXPECT_EQ(parse(block.bytes()).size(), 255u);
    EXPECT_EQ(parse(block.bytes(), 10).size(), 10u);
}

TEST(PerformanceData, NameThatDoesNotFitIsLeftEmpty) {
    PerformanceBlock block;
    block.add(std::wstring(255, L'n'), 1);  // 255 + ".exe" + zero: exactly 260
    block.add(std::wstring(256, L'n'), 2);
    block.add(L"", 3);
    TaskList tasks = parse(block.bytes());
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(std::string(tasks[0].processName), std::string(255, 'n') + ".exe");
    EXPECT_STREQ(tasks[1].processName, "");
    EXPECT_EQ(tasks[1].processId, 2u);
    EXPECT_STREQ(tasks[2].processName, ".exe");
}

TEST(PerformanceData, CounterNamesFoundInAnyLetterCase) {
    const char counters[] = "1\0" "1847\0" "230\0" "Process\0" "6\0" "% Processor Time\0" "784\0" "ID Process\0";
    ProcessCounterNames names = findProcessCounters(counters, sizeof counters);
    EXPECT_TRUE(names.found);
    EXPECT_EQ(names.processIndex, "230");
    EXPECT_EQ(names.idProcessIndex, 784u);

    const char withoutId[] = "230\0" "process\0" "6\0" "% Processor Time\0";
    EXPECT_FALSE(findProcessCounters(withoutId, sizeof withoutId).found);
    // A list cut in the middle of a name is read up to its end.
    const char cut[] = {'2', '3', '0', '\0', 'P', 'r', 'o'};
    EXPECT_FALSE(findProcessCounters(cut, sizeof cut).found);
    EXPECT_FALSE(findProcessCounters(nullptr, 0).found);
}

TEST(PerformanceData, SystemListIsEmptyOrHoldsThisProcess) {
    // Wine's performance data has no process object; Windows lists this program.
    TaskList tasks = processesFromPerformanceData();
    if (tasks.empty()) return;
    bool found = false;
    for (const TaskRecord& task : tasks) found = found || task.processId == GetCurrentProcessId();
    EXPECT_TRUE(found);
}

}  // namespace
