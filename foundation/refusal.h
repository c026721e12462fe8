#pragma once
// A call refused without an exception (a bad argument, an unknown port, a job that is
// not running) says so: one debug line "<operation> - refused: <reason>", and where the
// interface has one, the thread's last error.
#include <windows.h>

#include <string>

void logRefusal(const char* operation, const std::string& reason);

// Logs the refusal, sets the last error and returns FALSE for the caller to hand on.
BOOL refuse(const char* operation, const std::string& reason, DWORD lastError);
