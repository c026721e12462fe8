#pragma once
// The process list of the NT family, read from the system's performance data: the
// "process" object's instances, each with its "id process" counter.
#include <windows.h>

#include <functional>
#include <string>

#include "task_list.h"

struct ProcessCounterNames {
    std::string processIndex;  // the "process" object's index, as text
    DWORD idProcessIndex = 0;  // the "id process" counter's index
    bool found = false;        // both names were found
};

// Reads the pairs of index and name of the perflib "Counters" value (zero-terminated
// strings; names compared without regard to letter case).
ProcessCounterNames findProcessCounters(const char* counters, size_t size);

// The instances of the first object in a performance data block, each named
// "<instance>.exe" with its process id from the counter idProcessIndex, at most limit
// of them. A block without the "PERF" signature gives none; a block that ends early
// gives the instances that lie wholly inside it.
TaskList tasksFromPerformanceData(const BYTE* data, size_t size, DWORD idProcessIndex,
                                  size_t limit = kMaxPerformanceTasks);

// The registry reads of the process list: the system's, or a test's.
struct PerformanceRegistry {
    // Opens a key under HKEY_LOCAL_MACHINE for reading.
    std::function<LONG(const char* path, HKEY* key)> openKey;
    // Reads a value as RegQueryValueExA does (data may be null to ask for the size).
    std::function<LONG(HKEY key, const char* name, BYTE* data, DWORD* size)> queryValue;
    std::function<void(HKEY key)> closeKey;
};
const PerformanceRegistry& systemRegistry();

// The running processes; empty (or shortened) when the performance data cannot be read.
// The process object is asked for with a buffer of 51200 bytes that grows by 25600
// while the answer is "more data" (234).
TaskList processesFromPerformanceData(const PerformanceRegistry& registry = systemRegistry());
