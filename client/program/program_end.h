#pragma once
// Ending the client at once (when an update's installer takes over): what must not be
// left behind (the notification area icon) goes first, then the process ends.
#include <functional>

// What runs before the process ends; the main window registers its tray icon's removal.
void setProgramEndHandler(std::function<void()> handler);
[[noreturn]] void endProgramNow(int exitCode = 0);
