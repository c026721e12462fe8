#include "lab_process.h"

#include "error_msg.h"
#include "handles.h"
#include "lab_text.h"

#include <thread>
#include <vector>

namespace lab {

ProgramRun runProgram(const std::wstring& commandLine, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    KernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create a pipe: %s", errorText(GetLastError()).c_str());
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot start %s: %s", toUtf8(commandLine).c_str(),
                         errorText(GetLastError()).c_str());
    KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.reset();

    ProgramRun run;
    std::thread reader([&] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            run.output.append(buffer, read);
    });
    DWORD waited = WaitForSingleObject(processHandle.get(), timeoutMs);
    if (waited != WAIT_OBJECT_0) TerminateProcess(processHandle.get(), 1);
    reader.join();
    if (waited != WAIT_OBJECT_0)
        throw cERROR_MSG(BV_ERR_GENERAL, "%s did not end in time", toUtf8(commandLine).c_str());
    GetExitCodeProcess(processHandle.get(), &run.exitCode);
    return run;
}

std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            backslashes++;
        } else if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
            backslashes = 0;
        } else {
            quoted.append(backslashes, L'\\');
            backslashes = 0;
        }
        if (c != L'\\') quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

ScopedEnvironment::ScopedEnvironment(const std::wstring& name, const std::optional<std::wstring>& value)
    : m_name(name) {
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size > 0) {
        std::vector<wchar_t> old(size);
        GetEnvironmentVariableW(name.c_str(), old.data(), size);
        m_oldValue = old.data();
        m_hadValue = true;
    }
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableW(m_name.c_str(), m_hadValue ? m_oldValue.c_str() : nullptr);
}

}  // namespace lab
