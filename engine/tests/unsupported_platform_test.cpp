// On a Windows this system does not know (platform code 0) no driver can be created.
// Wine reports the version a program sees from its start, so the test runs a copy of
// this program that Wine tells it is Windows 7 (6.1). The spooler job control at the end
// of a document, which Wine accepts and ignores, is checked per platform code.
#include "bstr.h"
#include "com/error_info.h"
#include "debug_log.h"
#include "driver_manager.h"
#include "engine_test_support.h"
#include "lab_registry.h"
#include "platform.h"
#include "printing_api.h"
#include "variant.h"

using namespace enginetest;

namespace {
const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\engine_tests.exe";
}

// Runs only in the copy started below.
TEST(UnsupportedPlatformChild, DISABLED_DriverCreationFails) {
    ASSERT_EQ(kWindowsOther, windowsVersionClass());
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    {
        ComPtr<CDriverManager> manager = com::make<CDriverManager>();
        long handle = 0xdeadbeef;
        EXPECT_EQ(DISP_E_EXCEPTION, manager->splStartDoc(BStr(testPrinterName()).get(), 1, &handle));
        EXPECT_EQ(0, handle);
        EXPECT_EQ(L"Unsupported Operating System", com::takeErrorDescription());
        Variant printers;
        ASSERT_HRESULT_SUCCEEDED(manager->enumPrinters(printers.out()));
        LONG upper = 0;
        SafeArrayGetUBound(printers.parray, 1, &upper);
        EXPECT_EQ(-1, upper) << "no printer's maker can be read";
    }
    CoUninitialize();
}

TEST(UnsupportedPlatform, DriverCreationFailsOnWindowsSeven) {
    lab::ScopedPrinter printer(lab::keloPrinter(testPrinterName(), lab::kZoltPort, L"127.0.0.1"));
    lab::RegistryBackup backup(HKEY_CURRENT_USER, kAppDefaults);
    lab::writeRegistryString(HKEY_CURRENT_USER, kAppDefaults, L"Version", L"win7");

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    lab::ProgramRun run = lab::runProgram(lab::quoteArgument(self) +
                                          L" --gtest_also_run_disabled_tests"
                                          L" --gtest_filter=UnsupportedPlatformChild.*");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("[  PASSED  ] 1 test")) << run.output;
}

TEST(EndOfDocument, SpoolerJobControlPerPlatform) {
    auto expect = [](int platform, engine::PrintingApi api, DWORD command) {
        engine::SpoolerJobControl control = engine::endOfDocumentControl(platform);
        EXPECT_EQ(api, control.api) << platform;
        EXPECT_EQ(command, control.command) << platform;
    };
    for (int platform : {kWindowsNT4, kWindows2000, kWindowsXP, kWindowsLater5})
        expect(platform, engine::PrintingApi::Wide, JOB_CONTROL_SENT_TO_PRINTER);
    for (int platform : {kWindowsNT351, kWindows95, kWindows98, kWindowsMe})
        expect(platform, engine::PrintingApi::Ansi, JOB_CONTROL_CANCEL);
    DebugLogCapture log;
    EXPECT_THROW(engine::endOfDocumentControl(kWindowsOther), cERROR_MSG);
    EXPECT_TRUE(log.contains("**** Unsupported Operating System !"));
}
