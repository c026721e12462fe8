// ZoltPort.dll driven by the lab's spooler stand-in, as the Windows spooler drives it,
// for printers of this system on its ports, with a stand-in engine in this process.
#include "monitor_test_support.h"

#include <algorithm>

#include "lab_printers.h"
#include "lab_spooler.h"
#include "lab_text.h"

using namespace monitortest;

namespace {

const wchar_t kSiteA[] = L"Kelo Monitor Site A";
const wchar_t kSiteB[] = L"Kelo Monitor Site B";

std::vector<std::string> callsOf(const std::vector<lab::ReportLine>& lines) {
    std::vector<std::string> calls;
    for (const lab::ReportLine& line : lines) calls.push_back(line.call);
    return calls;
}

lab::ReportLine lineOf(const std::vector<lab::ReportLine>& lines, const std::string& call) {
    for (const lab::ReportLine& line : lines)
        if (line.call == call) return line;
    return {};
}

class StandInSpooler : public ComTest {
protected:
    MonitorKey key_;
    lab::ScopedMonitorRegistration registration_{L"ZOLT Print Port", lab::programFolder() + L"ZoltPort.dll"};
    lab::TempFolder folder_{L"zoltstandin"};
    EngineRecord engine_;
    std::optional<ScopedEngine> registered_;
    lab::ScopedPrinter siteA_{lab::keloPrinter(kSiteA, L"ZOLT0", L"192.0.2.10")};
    lab::ScopedPrinter siteB_{lab::keloPrinter(kSiteB, L"ZOLT1", L"192.0.2.11")};
    lab::Report report_;

    StandInSpooler() {
        key_.addPort(L"ZOLT0");
        key_.addPort(L"ZOLT1");
        engine_.outputPath = [this](int job) { return jobFile(job); };
        registered_.emplace(engine_);
    }

    std::wstring jobFile(int job) const {
        return folder_.path() + L"KeloJobs\\job" + std::to_wstring(job) + L"\\layout.ps";
    }
    std::wstring document(const wchar_t* name, const std::string& bytes) {
        lab::writeFileBytes(folder_.file(name), bytes);
        return folder_.file(name);
    }
    static lab::DocumentRequest request(const std::wstring& printer, const std::wstring& file, DWORD block = 4096) {
        lab::DocumentRequest request;
        request.printer = printer;
        request.file = file;
        request.blockSize = block;
        return request;
    }
};

}  // namespace

TEST_F(StandInSpooler, PrintsADocumentThroughTheMonitorsTable) {
    std::string bytes = documentBytes(8292, 31);
    lab::SpoolerStandIn standIn(report_);
    lab::DocumentResult result = standIn.print(request(kSiteA, document(L"report.ps", bytes)));
    ASSERT_EQ(lab::DocumentOutcome::Printed, result.outcome) << result.reason;
    EXPECT_TRUE(bytes == lab::readFileBytes(jobFile(1)));

    std::vector<lab::ReportLine> lines = report_.document(1);
    std::vector<std::string> expected = {"printer", "openport", "job", "startdocport", "writeport", "writeport",
                                         "writeport", "enddocport", "jobend", "closeport", "document"};
    std::vector<std::string> calls = callsOf(lines);
    calls.erase(std::remove_if(calls.begin(), calls.end(), [](const std::string& c) { return c == "monitor" || c == "enumports"; }),
                calls.end());
    EXPECT_EQ(expected, calls);
    bool found = false;
    for (const lab::ReportLine& line : lines) {
        if (line.call != "monitor" || line.field("name") != "ZOLT Print Port") continue;
        found = true;
        EXPECT_EQ("InitializePrintMonitor", line.field("entry"));
        EXPECT_EQ(std::to_string(14 * sizeof(void*)), line.field("size"));
        EXPECT_EQ("14", line.field("slots"));
    }
    EXPECT_TRUE(found);
    lab::ReportLine enumeration = lines[0];
    for (const lab::ReportLine& line : lines)
        if (line.call == "enumports" && line.field("monitor") == "ZOLT Print Port") enumeration = line;
    EXPECT_EQ("ZOLT0,ZOLT1", enumeration.field("ports"));
    EXPECT_EQ("1", enumeration.field("listed"));

    std::string job = lineOf(lines, "job").field("job");
    std::vector<std::string> engineCalls = engine_.calls();
    ASSERT_EQ(6u, engineCalls.size());
    EXPECT_EQ("splStartDoc printer=Kelo Monitor Site A job=" + job, engineCalls[0]);
    EXPECT_EQ("splWritePrinter handle=28673 size=100", engineCalls[3]);
    EXPECT_EQ(0u, key_.active(L"ZOLT0").value_or(99));
}

TEST_F(StandInSpooler, TwoDocumentsAtOnceOnTwoPortsBothArriveComplete) {
    std::string first = documentBytes(200000, 32), second = documentBytes(150001, 33);
    lab::SpoolerStandIn standIn(report_);
    std::vector<lab::DocumentResult> results = standIn.printAll(
        {request(kSiteA, document(L"first.ps", first), 1024), request(kSiteB, document(L"second.ps", second), 1024)});
    ASSERT_EQ(2u, results.size());
    EXPECT_EQ(lab::DocumentOutcome::Printed, results[0].outcome) << results[0].reason;
    EXPECT_EQ(lab::DocumentOutcome::Printed, results[1].outcome) << results[1].reason;

    // Each job's file is the one the engine named for it.
    ASSERT_TRUE(lab::fileExists(jobFile(1)) && lab::fileExists(jobFile(2)));
    std::string one = lab::readFileBytes(jobFile(1)), two = lab::readFileBytes(jobFile(2));
    EXPECT_TRUE((one == first && two == second) || (one == second && two == first));
    EXPECT_EQ(0u, key_.active(L"ZOLT0").value_or(99));
    EXPECT_EQ(0u, key_.active(L"ZOLT1").value_or(99));
}

TEST_F(StandInSpooler, BadInputFailsTheDocumentButNeverTheSpooler) {
    std::wstring file = document(L"doc.ps", documentBytes(5000, 34));
    lab::writeFileBytes(folder_.file(L"blocker"), "x");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* reason;
    } cases[] = {
        {"engine not reachable", [&] { registered_.reset(); }, "StartDocPort failed"},
        {"engine names no file", [&] { engine_.outputPath = [](int) { return std::wstring(); }; }, "WritePort failed"},
        {"folder cannot be made",
         [&] { engine_.outputPath = [this](int) { return folder_.path() + L"blocker\\job\\layout.ps"; }; },
         "WritePort failed"},
        {"no port keys", [&] { key_.removePrivateKey(); }, "no monitor lists the port"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        key_.addPort(L"ZOLT0");
        registered_.emplace(engine_);
        engine_.outputPath = [this](int job) { return jobFile(job); };
        test.arrange();
        lab::Report report;
        lab::SpoolerStandIn standIn(report);
        lab::DocumentResult result = standIn.print(request(kSiteA, file));
        EXPECT_EQ(lab::DocumentOutcome::Failed, result.outcome);
        EXPECT_EQ(test.reason, result.reason);
        if (lineOf(report.document(1), "openport").call.empty()) continue;
        EXPECT_EQ("1", lineOf(report.document(1), "closeport").field("result"));
        EXPECT_EQ(0u, key_.active(L"ZOLT0").value_or(99));
    }

    // Put right, the same port prints again.
    key_.addPort(L"ZOLT0");
    registered_.emplace(engine_);
    engine_.outputPath = [this](int job) { return jobFile(job); };
    lab::Report report;
    lab::SpoolerStandIn standIn(report);
    lab::DocumentResult result = standIn.print(request(kSiteA, file));
    EXPECT_EQ(lab::DocumentOutcome::Printed, result.outcome) << result.reason;
}
