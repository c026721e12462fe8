#include "shutdown_monitor.h"

#include <objbase.h>

#include "com/module.h"

namespace engine {

ShutdownMonitor::ShutdownMonitor(DWORD mainThreadId, DWORD idleMs)
    : m_mainThreadId(mainThreadId),
      m_idleMs(idleMs),
      m_idle(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ShutdownMonitor::~ShutdownMonitor() { stop(); }

void ShutdownMonitor::start() {
    m_thread = std::thread([this] { run(); });
    com::setLastUnlockHandler([this] { signalIdle(); });
}

void ShutdownMonitor::stop() {
    com::setLastUnlockHandler(nullptr);
    SetEvent(m_stop.get());
    if (m_thread.joinable()) m_thread.join();
}

void ShutdownMonitor::signalIdle() { SetEvent(m_idle.get()); }

bool ShutdownMonitor::suspendIfIdle() {
    if (com::moduleLockCount() != 0) return false;
    CoSuspendClassObjects();
    if (com::moduleLockCount() == 0) return true;
    // An activation slipped in while the class objects were being suspended.
    CoResumeClassObjects();
    return false;
}

void ShutdownMonitor::run() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HANDLE waits[2] = {m_stop.get(), m_idle.get()};
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) break;
        // Wait until no new signal has come for the idle time.
        DWORD waited;
        while ((waited = WaitForMultipleObjects(2, waits, FALSE, m_idleMs)) == WAIT_OBJECT_0 + 1) {
        }
        if (waited == WAIT_OBJECT_0) break;
        if (suspendIfIdle()) {
            PostThreadMessageW(m_mainThreadId, WM_QUIT, 0, 0);
            break;
        }
    }
    CoUninitialize();
}

}  // namespace engine
