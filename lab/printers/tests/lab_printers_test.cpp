// The lab printers' smoke test: lab-printers.exe adds a printer of this system, lists it
// with its port, driver data and processor, and removes it.
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_process.h"

#include <gtest/gtest.h>

using namespace lab;

TEST(LabPrintersProgram, AddsListsAndRemovesAPrinter) {
    const std::wstring program = quoteArgument(programFolder() + L"lab-printers.exe");

    ProgramRun run = runProgram(program + L" add \"Lab Program Site\" --port ZOLT3 --ip 203.0.113.5");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    run = runProgram(program + L" list");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("Lab Program Site\tZOLT3\tZOLT Print Driver\tVorlane\t203.0.113.5\tstdPrinterDriver\n"))
        << run.output;

    run = runProgram(program + L" remove \"Lab Program Site\"");
    EXPECT_EQ("removed\tLab Program Site\n", run.output);
    EXPECT_FALSE(printerExists(L"Lab Program Site"));
}
