#include "shutdown_monitor.h"

#include <objbase.h>

#include "com/module.h"

namespace engine {

ShutdownMonitor::ShutdownMonitor(DWORD mainThreadId, DWORD idleMs)
    : mainThreadId_(mainThreadId),
      idleMs_(idleMs),
      idle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ShutdownMonitor::~ShutdownMonitor() { stop(); }

void ShutdownMonitor::start() {
    thread_ = std::thread([this] { run(); });
    com::setLastUnlockHandler([this] { signalIdle(); });
}

void ShutdownMonitor::stop() {
    com::setLastUnlockHandler(nullptr);
    SetEvent(stop_.get());
    if (thread_.joinable()) thread_.join();
}

void ShutdownMonitor::signalIdle() { SetEvent(idle_.get()); }

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
    HANDLE waits[2] = {stop_.get(), idle_.get()};
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) break;
        // Wait until no new signal has come for the idle time.
        DWORD waited;
        while ((waited = WaitForMultipleObjects(2, waits, FALSE, idleMs_)) == WAIT_OBJECT_0 + 1) {
        }
        if (waited == WAIT_OBJECT_0) break;
        if (suspendIfIdle()) {
            PostThreadMessageW(mainThreadId_, WM_QUIT, 0, 0);
            break;
        }
    }
    CoUninitialize();
}

}  // namespace engine
