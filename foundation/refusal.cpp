#include "refusal.h"

#include "debug_log.h"

void logRefusal(const char* operation, const std::string& reason) {
    DebugLine() << operation << " - refused: " << reason;
}

BOOL refuse(const char* operation, const std::string& reason, DWORD lastError) {
    logRefusal(operation, reason);
    SetLastError(lastError);  // after the log line, which may make calls of its own
    return FALSE;
}
