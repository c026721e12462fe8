#include "spooler_test_support.h"

#include "handles.h"

#include <winspool.h>
#include <winsplp.h>

#include <algorithm>

using namespace spoolertest;

namespace {

const wchar_t kMonitorName[] = L"Lab Test Monitor";
const wchar_t kPrinterA[] = L"Lab Spool Site A";
const wchar_t kPrinterB[] = L"Lab Spool Site B";

class StandIn : public testing::Test {
protected:
    TempFolder m_files{L"documents"};
    TestMonitor m_monitor{kMonitorName, L"lab_test_monitor.dll", {L"LABPORT0", L"LABPORT1"}};
    ScopedPrinter m_printerA{keloPrinter(kPrinterA, L"LABPORT0", L"192.0.2.1")};
    ScopedPrinter m_printerB{keloPrinter(kPrinterB, L"LABPORT1", L"192.0.2.2")};
    Report m_report;

    std::wstring document(const wchar_t* name, const std::string& bytes) {
        writeFileBytes(m_files.file(name), bytes);
        return m_files.file(name);
    }

    DocumentRequest request(const std::wstring& printer, const std::wstring& file,
                            DWORD blockSize = kDefaultBlockSize) {
        DocumentRequest request;
        request.printer = printer;
        request.file = file;
        request.blockSize = blockSize;
        return request;
    }

    std::vector<std::string> journalWrites(const std::wstring& port) {
        std::vector<std::string> writes;
        for (const std::string& line : m_monitor.journal(port))
            if (line.compare(0, 9, "WritePort") == 0) writes.push_back(line);
        return writes;
    }
};

}  // namespace

TEST_F(StandIn, BytesArriveCompleteInBlocksOfTheChosenSize) {
    struct Case {
        DWORD block;
        size_t size;
    } cases[] = {{4096, 10000}, {1000, 10000}, {7, 100}, {65536, 10000}, {4096, 8192}, {4096, 0}};
    for (const Case& test : cases) {
        SCOPED_TRACE("block " + std::to_string(test.block) + ", size " + std::to_string(test.size));
        m_monitor.clearJournal(L"LABPORT0");
        Report report;
        SpoolerStandIn standIn(report);
        std::string bytes = documentBytes(test.size, test.block);
        DocumentResult result = standIn.print(request(kPrinterA, document(L"layout.ps", bytes), test.block));

        ASSERT_EQ(DocumentOutcome::Printed, result.outcome) << result.reason;
        EXPECT_EQ(test.size, result.bytes);
        size_t blocks = (test.size + test.block - 1) / test.block;
        EXPECT_EQ(blocks, result.blocks);
        EXPECT_TRUE(bytes == m_monitor.received(L"LABPORT0"));

        std::vector<ReportLine> writes = linesOf(report.document(1), "writeport");
        std::vector<std::string> journal = journalWrites(L"LABPORT0");
        ASSERT_EQ(blocks, writes.size());
        ASSERT_EQ(blocks, journal.size());
        for (size_t i = 0; i < blocks; i++) {
            size_t expected = std::min<size_t>(test.block, test.size - i * test.block);
            EXPECT_EQ((long long)expected, writes[i].number("size"));
            EXPECT_EQ((long long)expected, writes[i].number("written"));
            EXPECT_EQ((long long)i + 1, writes[i].number("block"));
            EXPECT_EQ("WritePort size=" + std::to_string(expected), journal[i]);
        }
    }
}

TEST_F(StandIn, ReportsEachCallInTheSpoolersOrderWithTheJobOfTheDocument) {
    SpoolerStandIn standIn(m_report);
    DocumentRequest order = request(kPrinterA, document(L"order.ps", documentBytes(5000, 1)));
    order.name = L"Quarterly report \u00e9t\u00e9.doc";
    DocumentResult result = standIn.print(order, 1);
    ASSERT_EQ(DocumentOutcome::Printed, result.outcome) << result.reason;

    std::vector<ReportLine> lines = m_report.document(1);
    std::vector<std::string> expected = {"printer",    "monitor",      "enumports", "openport",
                                         "job",        "startdocport", "writeport", "writeport",
                                         "enddocport", "jobend",       "closeport", "document"};
    EXPECT_EQ(expected, callsOf(lines));

    EXPECT_EQ("LABPORT0", only(lines, "printer").field("port"));
    ReportLine monitor = only(lines, "monitor");
    EXPECT_EQ(toUtf8(kMonitorName), monitor.field("name"));
    EXPECT_EQ("InitializePrintMonitor", monitor.field("entry"));
    EXPECT_EQ("1", monitor.field("result"));
    EXPECT_EQ(std::to_string(sizeof(MONITOR)), monitor.field("size"));
    EXPECT_EQ("1", only(lines, "enumports").field("listed"));

    // The job exists in the spooler, and a monitor in this process reads its name back.
    ReportLine job = only(lines, "job");
    EXPECT_NE(0, job.number("job"));
    EXPECT_EQ(toUtf8(order.name), job.field("record"));
    ReportLine start = only(lines, "startdocport");
    EXPECT_EQ(job.field("job"), start.field("job"));
    EXPECT_EQ(toUtf8(order.name), start.field("name"));
    EXPECT_EQ(toUtf8(kPrinterA), start.field("printer"));
    for (const char* call : {"openport", "startdocport", "enddocport", "closeport"}) {
        EXPECT_EQ("1", only(lines, call).field("result")) << call;
        EXPECT_EQ("0", only(lines, call).field("error")) << call;
    }
    ReportLine done = only(lines, "document");
    EXPECT_EQ("printed", done.field("result"));
    EXPECT_EQ("5000", done.field("bytes"));
    EXPECT_EQ("2", done.field("blocks"));

    std::vector<std::string> journal = m_monitor.journal(L"LABPORT0");
    ASSERT_EQ(6u, journal.size());
    EXPECT_EQ("OpenPort", journal[0]);
    EXPECT_EQ("StartDocPort printer=Lab Spool Site A job=" + job.field("job") +
                  " level=1 document=" + toUtf8(order.name) + " record=" + toUtf8(order.name),
              journal[1]);
    EXPECT_EQ("EndDocPort", journal[4]);
    EXPECT_EQ("ClosePort", journal[5]);

    // Without a name the document is named after its file.
    Report second;
    SpoolerStandIn again(second);
    ASSERT_EQ(DocumentOutcome::Printed, again.print(request(kPrinterA, document(L"unnamed.ps", "%!PS\n"))).outcome);
    EXPECT_EQ("unnamed.ps", only(second.document(1), "startdocport").field("name"));
}

TEST_F(StandIn, TwoDocumentsOnTwoPortsRunAtOnceAndBothArrive) {
    // Each port's first WritePort waits until both documents are inside WritePort.
    m_monitor.set(L"Rendezvous", 2);
    std::string first = documentBytes(20000, 11), second = documentBytes(30001, 12);
    SpoolerStandIn standIn(m_report);
    std::vector<DocumentResult> results = standIn.printAll({request(kPrinterA, document(L"first.ps", first), 1024),
                                                            request(kPrinterB, document(L"second.ps", second), 1024)});

    ASSERT_EQ(2u, results.size());
    EXPECT_EQ(DocumentOutcome::Printed, results[0].outcome) << results[0].reason;
    EXPECT_EQ(DocumentOutcome::Printed, results[1].outcome) << results[1].reason;
    EXPECT_NE(results[0].jobId, results[1].jobId);
    EXPECT_TRUE(first == m_monitor.received(L"LABPORT0"));
    EXPECT_TRUE(second == m_monitor.received(L"LABPORT1"));
    EXPECT_EQ(20u, linesOf(m_report.document(1), "writeport").size());
    EXPECT_EQ(30u, linesOf(m_report.document(2), "writeport").size());
}

TEST_F(StandIn, PortsAnEnumerationListedAreNotEnumeratedAgain) {
    SpoolerStandIn standIn(m_report);
    std::wstring file = document(L"known.ps", documentBytes(100, 13));
    ASSERT_EQ(DocumentOutcome::Printed, standIn.print(request(kPrinterA, file), 1).outcome);
    ASSERT_EQ(DocumentOutcome::Printed, standIn.print(request(kPrinterB, file), 2).outcome);
    EXPECT_FALSE(linesOf(m_report.document(1), "enumports").empty());
    // The first enumeration listed both ports already.
    EXPECT_TRUE(linesOf(m_report.document(2), "enumports").empty());
    EXPECT_EQ("LABPORT1", only(m_report.document(2), "openport").field("port"));

    // A port that appears later is looked for again.
    writeRegistryStrings(HKEY_LOCAL_MACHINE, m_monitor.root(), L"Ports", {L"LABPORT0", L"LABPORT1", L"LABPORT2"});
    ScopedPrinter printerC(keloPrinter(L"Lab Spool Site C", L"LABPORT2", L"192.0.2.4"));
    ASSERT_EQ(DocumentOutcome::Printed, standIn.print(request(L"Lab Spool Site C", file), 3).outcome);
    EXPECT_FALSE(linesOf(m_report.document(3), "enumports").empty());
}

TEST_F(StandIn, DocumentsForOnePortTakeTurns) {
    // The test monitor, like a real one, refuses to open a port that is open already.
    std::string first = documentBytes(9000, 21), second = documentBytes(7000, 22);
    SpoolerStandIn standIn(m_report);
    std::vector<DocumentResult> results = standIn.printAll({request(kPrinterA, document(L"first.ps", first), 1000),
                                                            request(kPrinterA, document(L"second.ps", second), 1000)});
    ASSERT_EQ(DocumentOutcome::Printed, results[0].outcome) << results[0].reason;
    ASSERT_EQ(DocumentOutcome::Printed, results[1].outcome) << results[1].reason;

    // One document's calls from OpenPort to ClosePort (4 besides its 9 or 7 blocks),
    // then the other's.
    std::vector<std::string> journal = m_monitor.journal(L"LABPORT0");
    ASSERT_EQ(13u + 11u, journal.size());
    size_t firstClose = std::find(journal.begin(), journal.end(), "ClosePort") - journal.begin();
    ASSERT_TRUE(firstClose == 12 || firstClose == 10) << firstClose;
    EXPECT_EQ("OpenPort", journal[firstClose + 1]);
    bool firstWentFirst = firstClose == 12;
    EXPECT_TRUE((firstWentFirst ? second : first) == m_monitor.received(L"LABPORT0"));
}

TEST_F(StandIn, MonitorThatTakesPartOfABlockIsOfferedTheRest) {
    m_monitor.set(L"MaxWrite", 1500);
    std::string bytes = documentBytes(5000, 3);
    SpoolerStandIn standIn(m_report);
    DocumentResult result = standIn.print(request(kPrinterA, document(L"partial.ps", bytes), 4096));
    ASSERT_EQ(DocumentOutcome::Printed, result.outcome) << result.reason;
    EXPECT_EQ(2u, result.blocks);
    EXPECT_TRUE(bytes == m_monitor.received(L"LABPORT0"));

    std::vector<ReportLine> writes = linesOf(m_report.document(1), "writeport");
    std::vector<std::pair<long long, long long>> offsetsAndSizes;
    for (const ReportLine& line : writes) offsetsAndSizes.emplace_back(line.number("offset"), line.number("size"));
    std::vector<std::pair<long long, long long>> expected = {{0, 4096}, {1500, 2596}, {3000, 1096}, {0, 904}};
    EXPECT_EQ(expected, offsetsAndSizes);
}

TEST_F(StandIn, FailingMonitorCallsAreReportedAndThePortIsStillReleased) {
    struct Case {
        const wchar_t* failing;
        const char* reason;
        std::vector<std::string> calls;
    } cases[] = {
        {L"OpenPort", "OpenPort failed", {"printer", "monitor", "enumports", "openport", "document"}},
        {L"StartDocPort",
         "StartDocPort failed",
         {"printer", "monitor", "enumports", "openport", "job", "startdocport", "jobend", "closeport", "document"}},
        {L"WritePort",
         "WritePort failed",
         {"printer", "monitor", "enumports", "openport", "job", "startdocport", "writeport", "enddocport", "jobend",
          "closeport", "document"}},
        {L"EndDocPort",
         "EndDocPort failed",
         {"printer", "monitor", "enumports", "openport", "job", "startdocport", "writeport", "enddocport", "jobend",
          "closeport", "document"}},
        {L"ClosePort",
         "ClosePort failed",
         {"printer", "monitor", "enumports", "openport", "job", "startdocport", "writeport", "enddocport", "jobend",
          "closeport", "document"}},
    };
    std::wstring file = document(L"fails.ps", documentBytes(3000, 4));

    // A monitor whose enumeration fails owns no port; other monitors are asked after it.
    {
        m_monitor.set(L"Fail", L"EnumPorts");
        Report report;
        SpoolerStandIn standIn(report);
        DocumentResult result = standIn.print(request(kPrinterA, file));
        EXPECT_EQ("no monitor lists the port", result.reason);
        std::vector<ReportLine> lines = report.document(1);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ((std::vector<std::string>{"printer", "monitor", "enumports"}),
                  callsOf({lines.begin(), lines.begin() + 3}));
        EXPECT_EQ("0", lines[2].field("result"));
        EXPECT_EQ(std::to_string(ERROR_NOT_READY), lines[2].field("error"));
        EXPECT_TRUE(linesOf(lines, "openport").empty());
        EXPECT_EQ("failed", lines.back().field("result"));
    }

    for (const Case& test : cases) {
        SCOPED_TRACE(toUtf8(test.failing));
        m_monitor.set(L"Fail", test.failing);
        Report report;
        SpoolerStandIn standIn(report);
        DocumentResult result = standIn.print(request(kPrinterA, file));
        EXPECT_EQ(DocumentOutcome::Failed, result.outcome);
        EXPECT_EQ(test.reason, result.reason);

        std::vector<ReportLine> lines = report.document(1);
        EXPECT_EQ(test.calls, callsOf(lines));
        std::string call = toUtf8(test.failing);
        std::transform(call.begin(), call.end(), call.begin(), ::tolower);
        ReportLine failed = linesOf(lines, call).empty() ? ReportLine() : linesOf(lines, call).back();
        EXPECT_EQ("0", failed.field("result"));
        EXPECT_EQ(std::to_string(ERROR_NOT_READY), failed.field("error"));
        EXPECT_EQ("failed", only(lines, "document").field("result"));
    }

    // Nothing is left open: the next document goes through.
    m_monitor.set(L"Fail", L"");
    Report report;
    SpoolerStandIn standIn(report);
    EXPECT_EQ(DocumentOutcome::Printed, standIn.print(request(kPrinterA, file)).outcome);
}

TEST_F(StandIn, AbortedDocumentStopsWritingAndEndsTheDocumentOrOnlyClosesThePort) {
    std::wstring file = document(L"abort.ps", documentBytes(5000, 5));
    for (bool endDocument : {true, false}) {
        SCOPED_TRACE(endDocument ? "with EndDocPort" : "without EndDocPort");
        m_monitor.clearJournal(L"LABPORT0");
        Report report;
        SpoolerStandIn standIn(report);
        DocumentRequest aborted = request(kPrinterA, file, 1000);
        aborted.abortAfterBlocks = 2;
        aborted.endDocOnAbort = endDocument;
        DocumentResult result = standIn.print(aborted);
        EXPECT_EQ(DocumentOutcome::Aborted, result.outcome) << result.reason;
        EXPECT_EQ(2000u, result.bytes);

        std::vector<ReportLine> lines = report.document(1);
        std::vector<std::string> expected = {"printer",      "monitor",   "enumports", "openport", "job",
                                             "startdocport", "writeport", "writeport", "abort"};
        if (endDocument) expected.push_back("enddocport");
        expected.insert(expected.end(), {"jobend", "closeport", "document"});
        EXPECT_EQ(expected, callsOf(lines));
        EXPECT_EQ("2", only(lines, "abort").field("blocks"));
        EXPECT_EQ("aborted", only(lines, "document").field("result"));

        std::vector<std::string> journal = m_monitor.journal(L"LABPORT0");
        EXPECT_EQ(endDocument, std::count(journal.begin(), journal.end(), "EndDocPort") == 1);
        EXPECT_EQ(2000u, m_monitor.received(L"LABPORT0").size());
    }
}

TEST_F(StandIn, BrokenRegistrationsAndBadRequestsAreReportedWithoutStopping) {
    // Monitors that cannot serve come first in the registry's order and are passed over.
    ScopedMonitorRegistration missing(L"Lab A Missing Monitor", L"lab_no_such_monitor.dll");
    ScopedMonitorRegistration noEntry(L"Lab A Plain Library", L"kernel32.dll");
    SpoolerStandIn standIn(m_report);
    std::wstring file = document(L"ok.ps", documentBytes(100, 6));
    EXPECT_EQ(DocumentOutcome::Printed, standIn.print(request(kPrinterA, file), 1).outcome);

    std::vector<ReportLine> monitors = linesOf(m_report.document(1), "monitor");
    auto named = [&](const char* name) {
        auto found = std::find_if(monitors.begin(), monitors.end(),
                                  [&](const ReportLine& l) { return l.field("name") == name; });
        return found == monitors.end() ? ReportLine() : *found;
    };
    EXPECT_EQ("0", named("Lab A Missing Monitor").field("result"));
    EXPECT_EQ("the DLL cannot be loaded", named("Lab A Missing Monitor").field("reason"));
    EXPECT_EQ("no monitor entry point", named("Lab A Plain Library").field("reason"));
    EXPECT_EQ("1", named("Lab Test Monitor").field("result"));

    struct Bad {
        DocumentRequest request;
        const char* reason;
    } bad[] = {
        {request(L"Lab No Such Printer", file), "the printer cannot be read"},
        {request(kPrinterA, m_files.file(L"missing.ps")), "the document file cannot be opened"},
        {request(kPrinterA, file, 0), "the block size is 0"},
    };
    ScopedPrinter orphan(keloPrinter(L"Lab Spool Orphan", L"LABPORT-NOBODY", L"192.0.2.9"));
    int index = 2;
    for (const Bad& test : bad) {
        DocumentResult result = standIn.print(test.request, index);
        EXPECT_EQ(DocumentOutcome::Failed, result.outcome);
        EXPECT_EQ(test.reason, result.reason);
        EXPECT_EQ("failed", only(m_report.document(index), "document").field("result"));
        index++;
    }
    DocumentResult result = standIn.print(request(L"Lab Spool Orphan", file), index);
    EXPECT_EQ("no monitor lists the port", result.reason);
}

TEST(StandIn9x, DrivesAMonitorThroughItsAnsiTable) {
    TempFolder files(L"documents");
    TestMonitor monitor(L"Lab Test Monitor 9x", L"lab_test_monitor9x.dll", {L"LABPORT9X"});
    ScopedPrinter printer(keloPrinter(L"Lab Spool Site 9x", L"labport9x", L"192.0.2.3"));
    std::string bytes = documentBytes(9000, 7);
    writeFileBytes(files.file(L"doc.ps"), bytes);

    Report report;
    SpoolerStandIn standIn(report);
    DocumentRequest request;
    request.printer = L"Lab Spool Site 9x";
    request.file = files.file(L"doc.ps");
    request.name = L"Invoice 42.txt";
    DocumentResult result = standIn.print(request);
    ASSERT_EQ(DocumentOutcome::Printed, result.outcome) << result.reason;
    EXPECT_TRUE(bytes == monitor.received(L"LABPORT9X"));

    std::vector<ReportLine> lines = report.document(1);
    auto monitors = linesOf(lines, "monitor");
    auto ours = std::find_if(monitors.begin(), monitors.end(),
                             [](const ReportLine& l) { return l.field("name") == "Lab Test Monitor 9x"; });
    ASSERT_NE(monitors.end(), ours);
    EXPECT_EQ("InitializeMonitorEx", ours->field("entry"));
    EXPECT_EQ("LABPORT9X", linesOf(lines, "enumports").back().field("ports"));
    std::vector<std::string> journal = monitor.journal(L"labport9x");
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(0u, journal[1].find("StartDocPort printer=Lab Spool Site 9x job=" + only(lines, "job").field("job") +
                                  " level=1 document=Invoice 42.txt"))
        << journal[1];
}

TEST(StandInRegistration, FindsAMonitorAddedThroughTheSpooler) {
    const std::wstring name = L"Lab Added Monitor", dll = L"lab_added_test_monitor.dll";
    RegistryBackup keep(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + name);
    const std::wstring installed = systemFolder() + dll;
    ASSERT_TRUE(CopyFileW((programFolder() + L"lab_test_monitor.dll").c_str(), installed.c_str(), FALSE));

    MONITOR_INFO_2W info = {const_cast<LPWSTR>(name.c_str()), nullptr, const_cast<LPWSTR>(dll.c_str())};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(AddMonitorW(nullptr, 2, (LPBYTE)&info));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(AddMonitorW(nullptr, 2, (LPBYTE)&info));
    EXPECT_EQ((DWORD)ERROR_PRINT_MONITOR_ALREADY_INSTALLED, GetLastError());

    TempFolder files(L"documents");
    std::wstring root = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + name;
    writeRegistryStrings(HKEY_LOCAL_MACHINE, root, L"Ports", {L"LABADDED0"});
    writeRegistryString(HKEY_LOCAL_MACHINE, root, L"OutputFolder", files.path().substr(0, files.path().size() - 1));
    {
        ScopedPrinter printer(keloPrinter(L"Lab Spool Added", L"LABADDED0", L"192.0.2.4"));
        writeFileBytes(files.file(L"doc.ps"), documentBytes(6000, 8));
        Report report;
        SpoolerStandIn standIn(report);
        DocumentRequest request;
        request.printer = L"Lab Spool Added";
        request.file = files.file(L"doc.ps");
        DocumentResult result = standIn.print(request);
        EXPECT_EQ(DocumentOutcome::Printed, result.outcome) << result.reason;
        EXPECT_TRUE(documentBytes(6000, 8) == readFileBytes(files.file(L"LABADDED0.out")));
        ReportLine monitor = linesOf(report.document(1), "monitor").back();
        EXPECT_TRUE(equalsNoCase(installed, fromUtf8(monitor.field("dll")))) << monitor.field("dll");
    }
    EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(name.c_str())));
    DeleteFileW(installed.c_str());
}

TEST(CopyOnly, WritesTheSameBytesInTheSameBlocks) {
    TempFolder files(L"copy");
    std::string bytes = documentBytes(10000, 9);
    writeFileBytes(files.file(L"in.ps"), bytes);
    Report report;
    CopyRequest request{files.file(L"in.ps"), files.file(L"out.ps"), 3000};
    DocumentResult result = copyOnly(request, report);
    EXPECT_EQ(DocumentOutcome::Copied, result.outcome);
    EXPECT_EQ(4u, result.blocks);
    EXPECT_TRUE(bytes == readFileBytes(files.file(L"out.ps")));
    std::vector<ReportLine> writes = linesOf(report.document(1), "writefile");
    ASSERT_EQ(4u, writes.size());
    EXPECT_EQ("1000", writes[3].field("size"));

    Report quiet;
    result = copyOnly(request, quiet, StandInOptions{false});
    EXPECT_EQ(DocumentOutcome::Copied, result.outcome);
    EXPECT_EQ((std::vector<std::string>{"copy", "document"}), callsOf(quiet.lines()));

    Report failing;
    result = copyOnly(CopyRequest{files.file(L"none.ps"), files.file(L"out2.ps"), 3000}, failing);
    EXPECT_EQ(DocumentOutcome::Failed, result.outcome);
    EXPECT_EQ("0", only(failing.lines(), "copy").field("result"));
    EXPECT_EQ(std::to_string(ERROR_FILE_NOT_FOUND), only(failing.lines(), "copy").field("error"));
}
