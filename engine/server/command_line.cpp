#include "command_line.h"

#include <cwchar>

namespace engine {

ServerCommand parseServerCommand(const wchar_t* commandLine) {
    if (!commandLine) return ServerCommand::Run;
    for (const wchar_t* token = wcspbrk(commandLine, L"-/"); token; token = wcspbrk(token, L"-/")) {
        ++token;
        if (_wcsicmp(token, L"UnregServer") == 0) return ServerCommand::UnregServer;
        if (_wcsicmp(token, L"RegServer") == 0) return ServerCommand::RegServer;
    }
    return ServerCommand::Run;
}

}  // namespace engine
