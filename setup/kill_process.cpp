// keloKillProcess: ends every running process whose name, without its extension, is the
// property processNameToKill.
#include "kill_process.h"

#include <comdef.h>

#include <cstring>

#include "debug_log.h"
#include "error_msg.h"
#include "error_text.h"
#include "handles.h"
#include "installer_property.h"
#include "performance_processes.h"
#include "platform.h"
#include "setup_actions.h"
#include "task_list.h"
#include "text_convert.h"

namespace {

bool equalsAsciiNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Lets this process open the processes of other users; failures leave it as it was.
void enableDebugPrivilege() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out())) return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid)) return;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
}

void terminate(const TaskRecord& task) {
    KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, task.processId));
    if (process) TerminateProcess(process.get(), 1);
}

UINT killProcessesOrThrow(MSIHANDLE install) {
    std::string wanted = toAnsi(readInstallerProperty(install, L"processNameToKill"));
    TaskList tasks;
    if (bvfsIsNT()) {
        enableDebugPrivilege();
        tasks = processesFromPerformanceData();
        // Wine's performance data have no process object (nor do those of a Windows whose
        // performance counters are switched off): the tool-help list, which the NT family
        // has from Windows 2000 on, stands in.
        if (tasks.empty()) tasks = processesFromToolHelp();
    } else {
        tasks = processesFromToolHelp();
    }
    for (TaskRecord& task : tasks) {
        if (!processNameMatches(task.processName, wanted)) continue;
        task.flags = kTaskChosen;
        terminate(task);
    }
    return kInstallSuccess;
}

}  // namespace

bool processNameMatches(const char* processName, const std::string& wanted) {
    std::string name(processName, strnlen(processName, MAX_PATH));
    size_t dot = name.size() > 1 ? name.find('.', 1) : std::string::npos;
    if (dot != std::string::npos) name.resize(dot);
    return equalsAsciiNoCase(name, wanted);
}

UINT killProcesses(MSIHANDLE install) {
    // A failure to read the property must not take the installer down with it.
    return com::runLogged("keloKillProcess", kActionTexts, kInstallFailure,
                          [&] { return killProcessesOrThrow(install); });
}
