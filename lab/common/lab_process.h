#pragma once
// Starting the lab's programs from tests and reading what they print.
#include <windows.h>

#include <optional>
#include <string>

namespace lab {

struct ProgramRun {
    DWORD exitCode = 0;
    std::string output;  // standard output and standard error, as written
};

// Runs a command line to its end (at most timeoutMs) with both output streams
// captured. Throws cERROR_MSG when the program cannot be started or does not end.
ProgramRun runProgram(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// The argument quoted the way CommandLineToArgvW splits it back.
std::wstring quoteArgument(const std::wstring& argument);

// Sets (or, given no value, removes) an environment variable for the life of the object
// and restores the old state afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::wstring& name, const std::optional<std::wstring>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring m_name;
    bool m_hadValue = false;
    std::wstring m_oldValue;
};

}  // namespace lab
