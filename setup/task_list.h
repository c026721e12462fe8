#pragma once
// The running processes as one enumeration finds them.
#include <windows.h>

#include <vector>

struct TaskRecord {
    DWORD processId = 0;    // a process id of 0 is kept as kIdleProcessId
    DWORD parentId = 0;     // not filled
    DWORD flags = 0;        // kTaskChosen once the task is to be ended
    HWND window = nullptr;  // not filled
    char processName[MAX_PATH] = {};
    char windowTitle[64] = {};  // not filled
};

const DWORD kIdleProcessId = 0xFFFFFFFE;
const DWORD kTaskChosen = 1;
const size_t kMaxTasks = 256;
const size_t kMaxPerformanceTasks = 255;

using TaskList = std::vector<TaskRecord>;

// The process list of Windows 9x, through the tool-help functions of the kernel;
// empty when they are missing.
TaskList processesFromToolHelp();
