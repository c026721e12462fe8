#pragma once
// The print engine's server process in the lab: registering it, finding its running
// processes and ending them (a server that holds a printer's driver stays up for good).
#include <windows.h>

#include <string>
#include <vector>

namespace lab {

extern const wchar_t kEngineExeName[];  // "KeloEngine.exe"

// Ids of the running engine servers (by executable name, through the tool-help snapshot).
std::vector<DWORD> engineServerProcesses();

// Ends every running engine server and waits until each is gone: asks its message loop
// to quit, and terminates it when it has not ended within the wait. Throws cERROR_MSG
// when one outlives even that.
void endEngineServers(DWORD timeoutMs = 10000);

// Kills every running engine server, as a crash would, and waits until each is gone.
// Wine: its COM service keeps the class object of a terminated server registered, and
// every later activation fails; so the service is ended too and starts afresh on the
// next activation, forgetting it.
void killEngineServers();

// Runs "<exe> /RegServer" or "/UnregServer" and returns its exit code.
DWORD runEngineRegistration(const std::wstring& exePath, bool unregister);

}  // namespace lab
