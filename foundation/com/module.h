#pragma once
// The COM module of the binary this code is linked into: its handle and path, and the
// count of locks (live objects, class-object locks) that keeps a server loaded.
#include <windows.h>

#include <functional>
#include <string>

namespace com {

// The EXE or DLL that contains the calling code.
HMODULE moduleHandle();
std::wstring modulePath();
// The file name without its extension: "KeloEngine".
std::string moduleBaseName();

long lockModule();
long unlockModule();
long moduleLockCount();

// Called (on the releasing thread) each time the lock count drops to zero.
// A local server uses it to start its idle shutdown; a DLL needs none.
void setLastUnlockHandler(std::function<void()> handler);

}  // namespace com
