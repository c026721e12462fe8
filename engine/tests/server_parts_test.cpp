// Pieces of the server process that run without a server: the command line, the COM
// security choice and the idle shutdown.
#include "com/module.h"
#include "com_security.h"
#include "command_line.h"
#include "engine_test_support.h"
#include "platform.h"
#include "shutdown_monitor.h"

#include <chrono>

using namespace engine;

TEST(CommandLine, RegistrationSwitchesAfterASlashOrDash) {
    EXPECT_EQ(ServerCommand::RegServer, parseServerCommand(L"KeloEngine.exe /RegServer"));
    EXPECT_EQ(ServerCommand::RegServer, parseServerCommand(L"\"C:\\a-b\\KeloEngine.exe\" -regserver"));
    EXPECT_EQ(ServerCommand::UnregServer, parseServerCommand(L"KeloEngine.exe /UNREGSERVER"));
    EXPECT_EQ(ServerCommand::UnregServer, parseServerCommand(L"C:/x/KeloEngine.exe -UnregServer"));
    EXPECT_EQ(ServerCommand::Run, parseServerCommand(L"KeloEngine.exe"));
    EXPECT_EQ(ServerCommand::Run, parseServerCommand(L"KeloEngine.exe -Embedding"));
    EXPECT_EQ(ServerCommand::Run, parseServerCommand(L"KeloEngine.exe /RegServer now"))
        << "the rest of the line counts";
    EXPECT_EQ(ServerCommand::Run, parseServerCommand(L"KeloEngine.exe RegServer"));
    EXPECT_EQ(ServerCommand::Run, parseServerCommand(nullptr));
}

TEST(ComSecurity, AuthenticationServicesByPlatform) {
    EXPECT_EQ(-1, authenticationServicesFor(kWindowsNT4).value_or(99));
    for (int code : {kWindows2000, kWindowsXP, kWindowsLater5})
        EXPECT_EQ(0, authenticationServicesFor(code).value_or(99));
    for (int code : {kWindowsOther, kWindowsNT351, kWindows95, kWindows98, kWindowsMe})
        EXPECT_FALSE(authenticationServicesFor(code).has_value()) << code;
}

namespace {

// Waits for WM_QUIT on this thread; returns the milliseconds it took, or -1.
long long waitForQuit(DWORD timeoutMs) {
    auto start = std::chrono::steady_clock::now();
    MSG message;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return -1;
}

}  // namespace

TEST(ShutdownMonitor, QuitsAfterTheIdleTimeOnceTheLastLockIsGone) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_EQ(0, com::moduleLockCount()) << "no engine object is alive";
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    {
        ShutdownMonitor monitor(GetCurrentThreadId(), 400);
        monitor.start();
        EXPECT_EQ(-1, waitForQuit(800)) << "no release, no shutdown";

        com::lockModule();
        com::unlockModule();
        Sleep(250);
        com::lockModule();  // a new object within the idle time keeps the server
        com::unlockModule();
        long long waited = waitForQuit(5000);
        EXPECT_GE(waited, 250);
        EXPECT_LT(waited, 4000);
    }
    {
        ShutdownMonitor monitor(GetCurrentThreadId(), 300);
        monitor.start();
        com::lockModule();
        com::lockModule();
        com::unlockModule();
        EXPECT_EQ(-1, waitForQuit(800)) << "a lock still held keeps the server";
        com::unlockModule();
        EXPECT_NE(-1, waitForQuit(5000));
    }
    CoUninitialize();
}
