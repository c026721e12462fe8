// The spooler stand-in's smoke test: lab-spooler.exe prints a document through the
// lab's test monitor, reports it printed, and the port receives every byte.
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "lab_registry.h"
#include "lab_spooler.h"
#include "lab_text.h"

#include <gtest/gtest.h>

using namespace lab;

TEST(SpoolerStandIn, PrintsADocumentThroughAMonitorAndReportsIt) {
    TempFolder files{L"program"}, output{L"monitor"};
    ScopedMonitorRegistration monitor{L"Lab Program Monitor", programFolder() + L"lab_test_monitor.dll"};
    const std::wstring outputFolder = output.path();
    writeRegistryString(HKEY_LOCAL_MACHINE, monitor.registryRoot(), L"OutputFolder",
                        outputFolder.substr(0, outputFolder.size() - 1));
    ScopedPrinter printer{keloPrinter(L"Lab Program One", L"LABPORT0", L"192.0.2.5")};

    const std::string bytes(5000, 'k');
    writeFileBytes(files.file(L"one.ps"), bytes);
    ProgramRun run = runProgram(quoteArgument(programFolder() + L"lab-spooler.exe") +
                                L" --block 1000 --print \"Lab Program One\" " + quoteArgument(files.file(L"one.ps")));
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("result=printed")) << run.output;
    EXPECT_TRUE(bytes == readFileBytes(output.file(L"LABPORT0.out")));
}
