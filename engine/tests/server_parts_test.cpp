// Pieces of the server process that run without a server: the command line, and per
// platform code the COM security choice and the spooler job control at the end of a
// document (which Wine accepts and ignores). (The idle shutdown is the engine server
// suite's.)
#include "com_security.h"
#include "command_line.h"
#include "debug_log.h"
#include "engine_test_support.h"
#include "platform.h"
#include "printing_api.h"

using namespace engine;

TEST(CommandLine, RegistrationSwitchesAfterASlashOrDash) {
    EXPECT_EQ(ServerCommand::RegServer, parseServerCommand(L"\"C:\\a-b\\KeloEngine.exe\" -regserver"));
    EXPECT_EQ(ServerCommand::UnregServer, parseServerCommand(L"KeloEngine.exe /UNREGSERVER"));
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

TEST(EndOfDocument, SpoolerJobControlPerPlatform) {
    auto expect = [](int platform, PrintingApi api, DWORD command) {
        SpoolerJobControl control = endOfDocumentControl(platform);
        EXPECT_EQ(api, control.api) << platform;
        EXPECT_EQ(command, control.command) << platform;
    };
    for (int platform : {kWindowsNT4, kWindows2000, kWindowsXP, kWindowsLater5})
        expect(platform, PrintingApi::Wide, JOB_CONTROL_SENT_TO_PRINTER);
    for (int platform : {kWindowsNT351, kWindows95, kWindows98, kWindowsMe})
        expect(platform, PrintingApi::Ansi, JOB_CONTROL_CANCEL);
    DebugLogCapture log;
    EXPECT_THROW(endOfDocumentControl(kWindowsOther), cERROR_MSG);
    EXPECT_TRUE(log.contains("**** Unsupported Operating System !"));
}
