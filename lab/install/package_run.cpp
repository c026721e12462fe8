#include "package_run.h"

#include "lab_process.h"

namespace lab {

std::wstring packageCommand(const std::wstring& operation, const std::wstring& package,
                            const PackageProperties& properties, const std::wstring& logPath) {
    std::wstring command = L"msiexec.exe " + operation + L" " + quoteArgument(package) + L" /qn";
    for (const auto& [name, value] : properties) command += L" " + name + L"=" + quoteArgument(value);
    return command + L" /l*v " + quoteArgument(logPath);
}

DWORD runPackageCommand(const std::wstring& command, DWORD timeoutMs) {
    return runProgram(command, timeoutMs).exitCode;
}

}  // namespace lab
