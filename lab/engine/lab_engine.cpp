#include "lab_engine.h"

#include <tlhelp32.h>

#include "error_msg.h"
#include "handles.h"
#include "lab_process.h"

namespace lab {

const wchar_t kEngineExeName[] = L"KeloEngine.exe";

namespace {

// Posts WM_QUIT to every thread of the process: only the server's main thread has a
// message queue, and its message loop then ends the server the ordinary way.
void askToQuit(DWORD processId) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == processId) PostThreadMessageW(entry.th32ThreadID, WM_QUIT, 0, 0);
}

}  // namespace

// A server that ends by its message loop revokes its class objects. Wine's COM service
// keeps the class objects of a terminated server registered, and every later activation
// then fails with RPC_S_SERVER_UNAVAILABLE; so termination is only the last resort.
void endEngineServers(DWORD timeoutMs) {
    for (DWORD id : engineServerProcesses()) {
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) continue;  // ended meanwhile
        askToQuit(id);
        if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) continue;
        TerminateProcess(process.get(), 1);
        if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0)
            throw cERROR_MSG(BV_ERR_GENERAL, "the engine server %lu does not end", (unsigned long)id);
    }
}

namespace {
void terminateAll(const std::vector<DWORD>& ids) {
    for (DWORD id : ids) {
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (process && TerminateProcess(process.get(), 9)) WaitForSingleObject(process.get(), 10000);
    }
}

std::vector<DWORD> processesNamed(const wchar_t* exeName) {
    std::vector<DWORD> ids;
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid() || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return ids;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const wchar_t* name = wcsrchr(entry.szExeFile, L'\\');
        if (_wcsicmp(name ? name + 1 : entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}
}  // namespace

std::vector<DWORD> engineServerProcesses() { return processesNamed(kEngineExeName); }

void killEngineServers() {
    terminateAll(engineServerProcesses());
    terminateAll(processesNamed(L"rpcss.exe"));
}

DWORD runEngineRegistration(const std::wstring& exePath, bool unregister) {
    return runProgram(quoteArgument(exePath) + (unregister ? L" /UnregServer" : L" /RegServer")).exitCode;
}

}  // namespace lab
