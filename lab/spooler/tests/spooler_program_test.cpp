#include "spooler_test_support.h"

#include "lab_process.h"

using namespace spoolertest;

namespace {

std::vector<ReportLine> parseOutput(const std::string& output) {
    std::vector<ReportLine> lines;
    for (size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        ReportLine line;
        EXPECT_TRUE(ReportLine::parse(output.substr(start, end - start), line)) << output.substr(start, end - start);
        lines.push_back(line);
    }
    return lines;
}

std::vector<ReportLine> ofDocument(const std::vector<ReportLine>& lines, int doc) {
    std::vector<ReportLine> found;
    for (const ReportLine& line : lines)
        if (line.field("doc") == std::to_string(doc)) found.push_back(line);
    return found;
}

class SpoolerProgram : public testing::Test {
protected:
    const std::wstring m_program = quoteArgument(programFolder() + L"lab-spooler.exe");
    TempFolder m_files{L"program"};
    TestMonitor m_monitor{L"Lab Program Monitor", L"lab_test_monitor.dll", {L"LABPROG0", L"LABPROG1"}};
    ScopedPrinter m_first{keloPrinter(L"Lab Program One", L"LABPROG0", L"192.0.2.5")};
    ScopedPrinter m_second{keloPrinter(L"Lab Program Two", L"LABPROG1", L"192.0.2.6")};
};

}  // namespace

TEST_F(SpoolerProgram, PrintsSeveralDocumentsAndReportsOneLinePerCall) {
    std::string one = documentBytes(5000, 31), two = documentBytes(2500, 32);
    writeFileBytes(m_files.file(L"one.ps"), one);
    writeFileBytes(m_files.file(L"two.ps"), two);
    ProgramRun run =
        runProgram(m_program + L" --block 1000 --print \"Lab Program One\" " + quoteArgument(m_files.file(L"one.ps")) +
                   L" --name \"First document\" --print \"Lab Program Two\" " + quoteArgument(m_files.file(L"two.ps")) +
                   L" --abort-after 1");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    std::vector<ReportLine> lines = parseOutput(run.output);

    std::vector<ReportLine> first = ofDocument(lines, 1), second = ofDocument(lines, 2);
    EXPECT_EQ("printed", only(first, "document").field("result"));
    EXPECT_EQ("First document", only(first, "startdocport").field("name"));
    EXPECT_EQ(5u, linesOf(first, "writeport").size());
    EXPECT_EQ("aborted", only(second, "document").field("result"));
    EXPECT_EQ("two.ps", only(second, "startdocport").field("name"));
    EXPECT_EQ(1u, linesOf(second, "writeport").size());
    EXPECT_TRUE(one == m_monitor.received(L"LABPROG0"));
    EXPECT_TRUE(two.substr(0, 1000) == m_monitor.received(L"LABPROG1"));
}

TEST_F(SpoolerProgram, FailureAndBadCommandLinesShowInTheExitStatus) {
    writeFileBytes(m_files.file(L"one.ps"), documentBytes(100, 33));
    m_monitor.set(L"Fail", L"StartDocPort");
    ProgramRun run = runProgram(m_program + L" --print \"Lab Program One\" " + quoteArgument(m_files.file(L"one.ps")));
    EXPECT_EQ(1u, run.exitCode) << run.output;
    std::vector<ReportLine> lines = parseOutput(run.output);
    EXPECT_EQ("0", only(lines, "startdocport").field("result"));
    EXPECT_EQ("failed", only(lines, "document").field("result"));

    for (const wchar_t* bad :
         {L"", L" --print OnlyPrinter", L" --name x --print a b", L" --block 0 --print a b", L" --block x --print a b",
          L" --print a b --copy-only c d", L" --print a b --no-enddoc", L" --frobnicate"}) {
        run = runProgram(m_program + bad);
        EXPECT_EQ(2u, run.exitCode) << toUtf8(bad);
        EXPECT_NE(std::string::npos, run.output.find("usage:")) << toUtf8(bad);
    }
}

TEST_F(SpoolerProgram, CopyOnlyWritesTheFileInBlocks) {
    std::string bytes = documentBytes(4500, 34);
    writeFileBytes(m_files.file(L"in.ps"), bytes);
    ProgramRun run = runProgram(m_program + L" --copy-only " + quoteArgument(m_files.file(L"in.ps")) + L" " +
                                quoteArgument(m_files.file(L"out.ps")) + L" --block 2000");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_TRUE(bytes == readFileBytes(m_files.file(L"out.ps")));
    std::vector<ReportLine> lines = parseOutput(run.output);
    std::vector<ReportLine> writes = linesOf(lines, "writefile");
    ASSERT_EQ(3u, writes.size());
    EXPECT_EQ("500", writes[2].field("size"));
    EXPECT_EQ("copied", only(lines, "document").field("result"));

    run = runProgram(m_program + L" --quiet-blocks --copy-only " + quoteArgument(m_files.file(L"in.ps")) + L" " +
                     quoteArgument(m_files.file(L"out2.ps")));
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ((std::vector<std::string>{"copy", "document"}), callsOf(parseOutput(run.output)));
}
