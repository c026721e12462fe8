#include "job_marks.h"

#include <winspool.h>

#include <mutex>
#include <set>

namespace lab {
namespace {

std::mutex marksLock;
std::set<DWORD> deletingJobs;

bool isMarked(DWORD jobId) {
    std::lock_guard<std::mutex> guard(marksLock);
    return deletingJobs.count(jobId) != 0;
}

// JOB_INFO_1 and JOB_INFO_2, wide or ANSI: the status sits where the structure says.
void addMark(DWORD jobId, DWORD level, BYTE* buffer) {
    if (!buffer || !isMarked(jobId)) return;
    if (level == 1) reinterpret_cast<JOB_INFO_1W*>(buffer)->Status |= JOB_STATUS_DELETING;
    if (level == 2) reinterpret_cast<JOB_INFO_2W*>(buffer)->Status |= JOB_STATUS_DELETING;
}

BOOL WINAPI markedGetJobW(HANDLE printer, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    BOOL result = GetJobW(printer, jobId, level, buffer, size, needed);
    if (result) addMark(jobId, level, buffer);
    return result;
}

BOOL WINAPI markedGetJobA(HANDLE printer, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
    BOOL result = GetJobA(printer, jobId, level, buffer, size, needed);
    if (result) addMark(jobId, level, buffer);
    return result;
}

void replaceImport(void** slot, void* replacement) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, previous, &previous);
}

}  // namespace

void markJobDeleting(DWORD jobId, bool deleting) {
    std::lock_guard<std::mutex> guard(marksLock);
    if (deleting)
        deletingJobs.insert(jobId);
    else
        deletingJobs.erase(jobId);
}

void showJobMarksTo(HMODULE module) {
    HMODULE winspool = GetModuleHandleW(L"winspool.drv");
    if (!module || !winspool) return;
    void* getJobW = reinterpret_cast<void*>(GetProcAddress(winspool, "GetJobW"));
    void* getJobA = reinterpret_cast<void*>(GetProcAddress(winspool, "GetJobA"));
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
         ++library) {
        for (auto* slot = reinterpret_cast<void**>(base + library->FirstThunk); *slot; ++slot) {
            if (*slot == getJobW) replaceImport(slot, reinterpret_cast<void*>(&markedGetJobW));
            if (*slot == getJobA) replaceImport(slot, reinterpret_cast<void*>(&markedGetJobA));
        }
    }
}

}  // namespace lab
