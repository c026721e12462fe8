#pragma once
// The print engine as the port sees it: its DriverManager, bound anew for every
// document call and never kept between calls.
#include <windows.h>
#include <wrl/client.h>

#include "engine_h.h"

// The class context the engine is activated with: in-process server and handler,
// local and remote server.
constexpr DWORD kEngineClassContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Creates a DriverManager, puts it into the running state and asks for IDriverManager.
// Null when the engine is not reachable; the reason goes to the debug log with the
// caller's name. The calling thread must be in a COM apartment.
Microsoft::WRL::ComPtr<IDriverManager> activateEngine(const char* caller);
