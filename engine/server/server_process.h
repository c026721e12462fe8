#pragma once
// The engine's life as a COM local server, from entering the apartment to the end of
// its message loop.

namespace engine {

// Returns the process's exit code.
int runServer();

}  // namespace engine
