// ZoltPort.dll driven by the lab's spooler stand-in, as the Windows spooler drives it,
// with a stand-in engine in this process: whatever goes wrong fails the document, and
// the port is still released.
#include "monitor_test_support.h"

#include "lab_printers.h"
#include "lab_spooler.h"
#include "lab_text.h"

using namespace monitortest;

namespace {

const wchar_t kSite[] = L"Kelo Monitor Site";

lab::ReportLine lineOf(const std::vector<lab::ReportLine>& lines, const std::string& call) {
    for (const lab::ReportLine& line : lines)
        if (line.call == call) return line;
    return {};
}

class StandInSpooler : public ComTest {
protected:
    MonitorKey m_key;
    lab::ScopedMonitorRegistration m_registration{L"ZOLT Print Port", lab::programFolder() + L"ZoltPort.dll"};
    lab::TempFolder m_folder{L"zoltstandin"};
    EngineRecord m_engine;
    std::optional<ScopedEngine> m_registered;
    lab::ScopedPrinter m_site{lab::keloPrinter(kSite, L"ZOLT0", L"192.0.2.10")};

    StandInSpooler() {
        m_key.addPort(L"ZOLT0");
        m_engine.outputPath = [this](int job) { return jobFile(job); };
        m_registered.emplace(m_engine);
    }

    std::wstring jobFile(int job) const {
        return m_folder.path() + L"KeloJobs\\job" + std::to_wstring(job) + L"\\layout.ps";
    }
    std::wstring document(const wchar_t* name, const std::string& bytes) {
        lab::writeFileBytes(m_folder.file(name), bytes);
        return m_folder.file(name);
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

TEST_F(StandInSpooler, BadInputFailsTheDocumentButNeverTheSpooler) {
    std::wstring file = document(L"doc.ps", documentBytes(5000, 34));
    lab::writeFileBytes(m_folder.file(L"blocker"), "x");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* reason;
    } cases[] = {
        {"engine not reachable", [&] { m_registered.reset(); }, "StartDocPort failed"},
        {"engine names no file", [&] { m_engine.outputPath = [](int) { return std::wstring(); }; }, "WritePort failed"},
        {"folder cannot be made",
         [&] { m_engine.outputPath = [this](int) { return m_folder.path() + L"blocker\\job\\layout.ps"; }; },
         "WritePort failed"},
        {"no port keys", [&] { m_key.removePrivateKey(); }, "no monitor lists the port"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        m_key.addPort(L"ZOLT0");
        m_registered.emplace(m_engine);
        m_engine.outputPath = [this](int job) { return jobFile(job); };
        test.arrange();
        lab::Report report;
        lab::SpoolerStandIn standIn(report);
        lab::DocumentResult result = standIn.print(request(kSite, file));
        EXPECT_EQ(lab::DocumentOutcome::Failed, result.outcome);
        EXPECT_EQ(test.reason, result.reason);
        if (lineOf(report.document(1), "openport").call.empty()) continue;
        EXPECT_EQ("1", lineOf(report.document(1), "closeport").field("result"));
        EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    }

    // Put right, the same port prints again.
    m_key.addPort(L"ZOLT0");
    m_registered.emplace(m_engine);
    m_engine.outputPath = [this](int job) { return jobFile(job); };
    lab::Report report;
    lab::SpoolerStandIn standIn(report);
    lab::DocumentResult result = standIn.print(request(kSite, file));
    EXPECT_EQ(lab::DocumentOutcome::Printed, result.outcome) << result.reason;
}

TEST_F(StandInSpooler, ADocumentCancelledInTheSpoolerIsAbortedAtTheEngine) {
    std::wstring file = document(L"doc.ps", documentBytes(10000, 35));
    lab::DocumentRequest cancelled = request(kSite, file);
    cancelled.abortAfterBlocks = 1;
    lab::Report report;
    lab::SpoolerStandIn standIn(report);
    lab::DocumentResult first = standIn.print(cancelled);
    EXPECT_EQ(lab::DocumentOutcome::Aborted, first.outcome) << first.reason;
    lab::DocumentResult second = standIn.print(request(kSite, file), 2);
    EXPECT_EQ(lab::DocumentOutcome::Printed, second.outcome) << second.reason;
    const std::vector<std::string> expected = {
        "splStartDoc printer=" + lab::toUtf8(kSite) + " job=" + std::to_string(first.jobId),
        "splWritePrinter handle=28673 size=4096",
        "splAbort handle=28673",
        "splClose handle=28673",
        "splStartDoc printer=" + lab::toUtf8(kSite) + " job=" + std::to_string(second.jobId),
        "splWritePrinter handle=28674 size=4096",
        "splWritePrinter handle=28674 size=4096",
        "splWritePrinter handle=28674 size=1808",
        "splEndDoc handle=28674",
        "splClose handle=28674"};
    EXPECT_EQ(expected, m_engine.calls()) << "the next job of the port is ended as usual";
}
