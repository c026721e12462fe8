#include "performance_processes.h"

#include <winperf.h>

#include <cstring>
#include <vector>

namespace {

const char kPerflibKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
const LANGID kEnglish = 9;
const DWORD kFirstBufferSize = 51200;
const DWORD kBufferGrowth = 25600;
// The growth stops somewhere, so that a system that keeps answering "more data" cannot
// hold the installation for ever.
const DWORD kLargestBuffer = 64 * 1024 * 1024;

// A view of the block that answers only for bytes inside it.
class Block {
public:
    Block(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    template <typename T>
    const T* at(size_t offset) const {
        if (offset > m_size || m_size - offset < sizeof(T)) return nullptr;
        return reinterpret_cast<const T*>(m_data + offset);
    }
    bool holds(size_t offset, size_t length) const { return offset <= m_size && m_size - offset >= length; }
    const BYTE* bytes(size_t offset) const { return m_data + offset; }

private:
    const BYTE* m_data;
    size_t m_size;
};

// The instance name in the ANSI code page; "unknown" when it cannot be converted.
std::string ansiName(const wchar_t* name, size_t characters) {
    int length = (int)wcsnlen(name, characters);
    if (length == 0) return "";
    int needed = WideCharToMultiByte(CP_ACP, 0, name, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return "unknown";
    std::string text((size_t)needed, '\0');
    if (WideCharToMultiByte(CP_ACP, 0, name, length, &text[0], needed, nullptr, nullptr) != needed) return "unknown";
    return text;
}

// "<name>.exe" when it fits the record, else no name.
void setTaskName(TaskRecord& task, const wchar_t* name, size_t characters) {
    std::string text = ansiName(name, characters) + ".exe";
    if (text.size() + 1 <= sizeof task.processName) memcpy(task.processName, text.c_str(), text.size() + 1);
}

// A key opened through the registry reads, closed with them.
class OpenedKey {
public:
    OpenedKey(const PerformanceRegistry& registry, HKEY key) : m_registry(registry), m_key(key) {}
    ~OpenedKey() {
        if (m_key) m_registry.closeKey(m_key);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

private:
    const PerformanceRegistry& m_registry;
    HKEY m_key;
};

std::vector<char> readCounterNames(const PerformanceRegistry& registry) {
    char path[256];
    snprintf(path, sizeof path, "%s\\%03x", kPerflibKey, kEnglish);
    HKEY key = nullptr;
    if (registry.openKey(path, &key) != ERROR_SUCCESS) return {};
    OpenedKey opened(registry, key);
    DWORD size = 0;
    if (registry.queryValue(key, "Counters", nullptr, &size) != ERROR_SUCCESS) return {};
    std::vector<char> counters(size + 2, '\0');
    if (registry.queryValue(key, "Counters", reinterpret_cast<BYTE*>(counters.data()), &size) != ERROR_SUCCESS)
        return {};
    counters.resize(size);
    return counters;
}

std::vector<BYTE> readProcessObject(const PerformanceRegistry& registry, const std::string& processIndex) {
    OpenedKey performanceData(registry, HKEY_PERFORMANCE_DATA);
    std::vector<BYTE> data(kFirstBufferSize);
    for (;;) {
        DWORD size = (DWORD)data.size();
        LONG result = registry.queryValue(HKEY_PERFORMANCE_DATA, processIndex.c_str(), data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            return data;
        }
        if (result != ERROR_MORE_DATA || data.size() + kBufferGrowth > kLargestBuffer) return {};
        data.resize(data.size() + kBufferGrowth);
    }
}

}  // namespace

ProcessCounterNames findProcessCounters(const char* counters, size_t size) {
    ProcessCounterNames names;
    bool process = false, idProcess = false;
    size_t position = 0;
    auto nextText = [&](std::string& text) {
        if (position >= size) return false;
        size_t length = strnlen(counters + position, size - position);
        text.assign(counters + position, length);
        position += length + 1;
        return true;
    };
    std::string index, name;
    while (!(process && idProcess) && nextText(index) && !index.empty() && nextText(name)) {
        if (!process && _stricmp(name.c_str(), "process") == 0) {
            names.processIndex = index;
            process = true;
        } else if (!idProcess && _stricmp(name.c_str(), "id process") == 0) {
            names.idProcessIndex = strtoul(index.c_str(), nullptr, 10);
            idProcess = true;
        }
    }
    names.found = process && idProcess;
    return names;
}

TaskList tasksFromPerformanceData(const BYTE* data, size_t size, DWORD idProcessIndex, size_t limit) {
    TaskList tasks;
    Block block(data, size);
    const PERF_DATA_BLOCK* header = block.at<PERF_DATA_BLOCK>(0);
    if (!header || memcmp(header->Signature, L"PERF", 4 * sizeof(wchar_t)) != 0 || header->NumObjectTypes == 0)
        return tasks;

    size_t objectOffset = header->HeaderLength;
    const PERF_OBJECT_TYPE* object = block.at<PERF_OBJECT_TYPE>(objectOffset);
    if (!object) return tasks;

    bool counterFound = false;
    DWORD idOffset = 0;
    size_t counterOffset = objectOffset + object->HeaderLength;
    for (DWORD i = 0; i < object->NumCounters && !counterFound; ++i) {
        const PERF_COUNTER_DEFINITION* counter = block.at<PERF_COUNTER_DEFINITION>(counterOffset);
        if (!counter || counter->ByteLength == 0) return tasks;
        if (counter->CounterNameTitleIndex == idProcessIndex) {
            counterFound = true;
            idOffset = counter->CounterOffset;
        }
        counterOffset += counter->ByteLength;
    }
    if (!counterFound || object->NumInstances == PERF_NO_INSTANCES || object->NumInstances <= 0) return tasks;

    size_t instanceOffset = objectOffset + object->DefinitionLength;
    for (LONG i = 0; i < object->NumInstances && tasks.size() < limit; ++i) {
        const PERF_INSTANCE_DEFINITION* instance = block.at<PERF_INSTANCE_DEFINITION>(instanceOffset);
        if (!instance || instance->ByteLength < sizeof(PERF_INSTANCE_DEFINITION)) break;
        size_t countersOffset = instanceOffset + instance->ByteLength;
        const PERF_COUNTER_BLOCK* counters = block.at<PERF_COUNTER_BLOCK>(countersOffset);
        if (!counters || counters->ByteLength < sizeof(PERF_COUNTER_BLOCK) ||
            !block.holds(countersOffset, counters->ByteLength) || idOffset > counters->ByteLength ||
            counters->ByteLength - idOffset < sizeof(DWORD))
            break;

        TaskRecord task;
        DWORD processId = 0;
        memcpy(&processId, block.bytes(countersOffset + idOffset), sizeof processId);
        task.processId = processId ? processId : kIdleProcessId;
        size_t nameOffset = instanceOffset + instance->NameOffset;
        if (instance->NameLength > 0 && block.holds(nameOffset, instance->NameLength))
            setTaskName(task, reinterpret_cast<const wchar_t*>(block.bytes(nameOffset)),
                        instance->NameLength / sizeof(wchar_t));
        tasks.push_back(task);
        instanceOffset = countersOffset + counters->ByteLength;
    }
    return tasks;
}

const PerformanceRegistry& systemRegistry() {
    static const PerformanceRegistry registry{
        [](const char* path, HKEY* key) { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key); },
        [](HKEY key, const char* name, BYTE* data, DWORD* size) {
            return RegQueryValueExA(key, name, nullptr, nullptr, data, size);
        },
        [](HKEY key) { RegCloseKey(key); }};
    return registry;
}

TaskList processesFromPerformanceData(const PerformanceRegistry& registry) {
    std::vector<char> counters = readCounterNames(registry);
    ProcessCounterNames names = findProcessCounters(counters.data(), counters.size());
    if (!names.found) return {};
    std::vector<BYTE> data = readProcessObject(registry, names.processIndex);
    return tasksFromPerformanceData(data.data(), data.size(), names.idProcessIndex);
}
