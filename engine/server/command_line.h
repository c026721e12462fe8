#pragma once
// What the engine's command line asks for.

namespace engine {

enum class ServerCommand { Run, RegServer, UnregServer };

// Looks for a word introduced by "-" or "/" whose rest of the line is "RegServer" or
// "UnregServer" (any letter case); anything else runs the server.
ServerCommand parseServerCommand(const wchar_t* commandLine);

}  // namespace engine
