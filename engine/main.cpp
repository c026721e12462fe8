// KeloEngine: the print engine, a COM local server.
#include <windows.h>

#include "command_line.h"
#include "engine_registration.h"
#include "server_process.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    switch (engine::parseServerCommand(GetCommandLineW())) {
    case engine::ServerCommand::RegServer: return (int)engine::registerEngine();
    case engine::ServerCommand::UnregServer: return (int)engine::unregisterEngine();
    default: return engine::runServer();
    }
}
