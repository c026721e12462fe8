#include "task_list.h"

#include <tlhelp32.h>

#include <cstring>

#include "handles.h"

namespace {
using CreateSnapshot = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkProcesses = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);

template <typename Function>
Function kernelFunction(HMODULE kernel, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

void copyFileName(const char* path, char (&name)[MAX_PATH]) {
    const char* lastBackslash = strrchr(path, '\\');
    const char* fileName = lastBackslash ? lastBackslash + 1 : path;
    size_t length = strnlen(fileName, MAX_PATH - 1);
    memcpy(name, fileName, length);
    name[length] = '\0';
}
}  // namespace

TaskList processesFromToolHelp() {
    TaskList tasks;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return tasks;
    auto createSnapshot = kernelFunction<CreateSnapshot>(kernel, "CreateToolhelp32Snapshot");
    auto first = kernelFunction<WalkProcesses>(kernel, "Process32First");
    auto next = kernelFunction<WalkProcesses>(kernel, "Process32Next");
    if (!createSnapshot || !first || !next) return tasks;

    FileHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return tasks;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL found = first(snapshot.get(), &entry); found && tasks.size() < kMaxTasks;
         found = next(snapshot.get(), &entry)) {
        TaskRecord task;
        task.processId = entry.th32ProcessID ? entry.th32ProcessID : kIdleProcessId;
        copyFileName(entry.szExeFile, task.processName);
        tasks.push_back(task);
    }
    return tasks;
}
