#pragma once
// Ends an idle local server: each time the module's lock count drops to zero the monitor
// is signalled; once no further signal has come for the idle time and the count is still
// zero, it suspends the class objects and posts WM_QUIT to the server's main thread.
#include <windows.h>

#include <thread>

#include "handles.h"

namespace engine {

class ShutdownMonitor {
public:
    static constexpr DWORD kIdleMs = 5000;

    ShutdownMonitor(DWORD mainThreadId, DWORD idleMs = kIdleMs);
    ~ShutdownMonitor();
    ShutdownMonitor(const ShutdownMonitor&) = delete;
    ShutdownMonitor& operator=(const ShutdownMonitor&) = delete;

    // Listens to the module's lock count from now on.
    void start();
    void stop();
    // What the module calls when its count drops to zero.
    void signalIdle();

private:
    void run();
    // True when the server may end: still idle after the class objects were suspended.
    bool suspendIfIdle();

    const DWORD m_mainThreadId;
    const DWORD m_idleMs;
    KernelHandle m_idle;
    KernelHandle m_stop;
    std::thread m_thread;
};

}  // namespace engine
