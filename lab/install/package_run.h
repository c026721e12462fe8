#pragma once
// The Windows Installer's own program run on the lab's package, as an administrator
// deploys it: without user interface, with the properties on the command line and a
// verbose log.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace lab {

using PackageProperties = std::vector<std::pair<std::wstring, std::wstring>>;

// "msiexec.exe <operation> <package> /qn NAME=VALUE... /l*v <log>"; operation "/i"
// installs, "/x" removes.
std::wstring packageCommand(const std::wstring& operation, const std::wstring& package,
                            const PackageProperties& properties, const std::wstring& logPath);

// Runs the command to its end; the installer's exit code (0 success, 1603 failure).
// Throws cERROR_MSG when it cannot be started or does not end within the timeout.
DWORD runPackageCommand(const std::wstring& command, DWORD timeoutMs = 300000);

}  // namespace lab
