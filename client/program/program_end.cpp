#include "program_end.h"

#include <windows.h>

#include "debug_log.h"

namespace {
std::function<void()>& endHandler() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

void setProgramEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

void endProgramNow(int exitCode) {
    DebugLine() << "KeloClient - ending for the update";
    if (endHandler()) endHandler()();
    ExitProcess((UINT)exitCode);
}
