// Pieces of the server process that run without a server: the command line and the COM
// security choice. (The idle shutdown is the engine server suite's.)
#include "com_security.h"
#include "command_line.h"
#include "engine_test_support.h"
#include "platform.h"

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
