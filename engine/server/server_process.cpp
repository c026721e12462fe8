#include "server_process.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "class_objects.h"
#include "com/module.h"
#include "com_security.h"
#include "debug_log.h"
#include "platform.h"
#include "shutdown_monitor.h"

namespace engine {
namespace {

const wchar_t kWindowClass[] = L"sdMsgWin";

// A hidden top-level window on the main thread; it has no behaviour of its own.
HWND createNotificationWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = com::moduleHandle();
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, com::moduleHandle(), nullptr);
}

// Until WM_QUIT, or an end-of-session message taken from the queue.
void runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_QUERYENDSESSION || message.message == WM_ENDSESSION) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int runServer() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) return (int)hr;
    applyComSecurity(windowsVersionClass());

    // The shutdown monitor posts WM_QUIT to this thread: give it a message queue first.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ShutdownMonitor monitor(GetCurrentThreadId());
    monitor.start();

    ClassObjects classObjects;
    hr = classObjects.registerSuspended();
    if (SUCCEEDED(hr)) hr = CoResumeClassObjects();
    if (FAILED(hr)) {
        char text[16];
        snprintf(text, sizeof text, "0x%lx", (unsigned long)hr);
        DebugLine() << "*** Cannot register the class objects " << text;
        classObjects.revoke();
        monitor.stop();
        CoUninitialize();
        return (int)hr;
    }

    HWND window = createNotificationWindow();
    if (!window) DebugLine() << "*** Cannot create notification window";
    runMessageLoop();
    if (window) DestroyWindow(window);

    classObjects.revoke();
    Sleep(1000);
    monitor.stop();
    CoUninitialize();
    return 0;
}

}  // namespace engine
