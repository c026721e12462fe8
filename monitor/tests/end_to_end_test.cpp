// The whole road of documents in the lab: the spooler stand-in prints PostScript files
// to printers of this system through ZoltPort.dll and the registered KeloEngine.exe,
// and each job's folder under the user's temporary "KeloJobs" folder holds the file and
// its description.
#include <memory>

#include "com/object.h"
#include "delete_tree.h"
#include "lab_engine.h"
#include "lab_road.h"
#include "lab_process.h"
#include "lab_text.h"
#include "monitor_test_support.h"

using namespace monitortest;

namespace {

const wchar_t kSiteA[] = L"Kelo Monitor Road A";
const wchar_t kSiteB[] = L"Kelo Monitor Road B";

std::wstring engineExe() { return lab::programFolder() + L"KeloEngine.exe"; }

// The user's "KeloJobs" folder, where the engine puts each printer's job folders.
std::wstring jobsRoot() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"KeloJobs";
}

std::wstring jobsFolderOf(const std::wstring& printer) { return jobsRoot() + L"\\" + printer + L"\\"; }

struct JobFiles {
    std::string layout;
    std::string description;
};

// The one job folder of the printer ("<name>_<identity>"), read.
JobFiles onlyJob(const std::wstring& printer) {
    WIN32_FIND_DATAW found = {};
    FindHandle search(FindFirstFileW((jobsFolderOf(printer) + L"*_*").c_str(), &found));
    const std::wstring folder = jobsFolderOf(printer) + found.cFileName + L"\\";
    EXPECT_TRUE(search && !FindNextFileW(search.get(), &found)) << "one job folder in " << lab::toUtf8(folder);
    if (!search || !lab::fileExists(folder + L"job.xml")) return {};
    return {lab::readFileBytes(folder + L"layout.ps"), lab::readFileBytes(folder + L"job.xml")};
}

// The engine is registered for the suite as the lab registers it for the whole road; no
// engine server outlives a test (once it holds a printer's driver it would stay up for good).
class EndToEnd : public ComTest {
protected:
    static void SetUpTestSuite() { m_engine = std::make_unique<lab::ScopedEngineRegistration>(engineExe()); }
    static void TearDownTestSuite() { m_engine.reset(); }
    static std::unique_ptr<lab::ScopedEngineRegistration> m_engine;

    MonitorKey m_key;
    lab::ScopedMonitorRegistration m_registration{L"ZOLT Print Port", lab::programFolder() + L"ZoltPort.dll"};
    lab::ScopedPrinter m_siteA{lab::keloPrinter(kSiteA, L"ZOLT0", L"192.0.2.30")};
    lab::ScopedPrinter m_siteB{lab::keloPrinter(kSiteB, L"ZOLT1", L"192.0.2.31")};
    lab::TempFolder m_documents{L"zoltroad"};

    EndToEnd() {
        m_key.addPort(L"ZOLT0");
        m_key.addPort(L"ZOLT1");
        removeJobFolders();
    }
    ~EndToEnd() override {
        lab::endEngineServers();
        EXPECT_TRUE(lab::engineServerProcesses().empty());
        removeJobFolders();
    }
    static void removeJobFolders() {
        for (const wchar_t* printer : {kSiteA, kSiteB})
            if (lab::fileExists(jobsFolderOf(printer))) DeleteTreeU(jobsFolderOf(printer));
        // The jobs folder itself goes only when nothing else is left in it.
        RemoveDirectoryW(jobsRoot().c_str());
    }
};
std::unique_ptr<lab::ScopedEngineRegistration> EndToEnd::m_engine;

}  // namespace

TEST_F(EndToEnd, TwoDocumentsPrintedAtOnceOnTwoPortsBothArriveWithTheirDescriptions) {
    const std::wstring letter = lab::programFolder() + L"letter-landscape-3-pages.ps";
    const std::string a4 = lab::labDocument(6);  // A4 portrait pages
    lab::writeFileBytes(m_documents.file(L"a4.ps"), a4);

    // The engine is started from here, not by the spooler stand-in's process: a server
    // keeps the standard handles of the process that started it, and the stand-in's
    // output is read until its last holder lets go.
    com::ComPtr<IDriverManager> engine;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                              reinterpret_cast<void**>(engine.GetAddressOf())));

    lab::ProgramRun run =
        lab::runProgram(lab::quoteArgument(lab::programFolder() + L"lab-spooler.exe") + L" --block 1024 " +
                        L"--print " + lab::quoteArgument(kSiteA) + L" " + lab::quoteArgument(letter) + L" --print " +
                        lab::quoteArgument(kSiteB) + L" " + lab::quoteArgument(m_documents.file(L"a4.ps")));
    ASSERT_EQ(0u, run.exitCode) << run.output;
    size_t printed = 0;
    for (size_t at = run.output.find("\ndocument "); at != std::string::npos;
         at = run.output.find("\ndocument ", at + 1)) {
        lab::ReportLine line;
        ASSERT_TRUE(lab::ReportLine::parse(run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1), line));
        EXPECT_EQ("printed", line.field("result")) << run.output;
        printed++;
    }
    EXPECT_EQ(2u, printed) << run.output;

    // Three landscape Letter pages, 11 by 8.5 inches, and six A4 portrait pages, in
    // inches. Wine: the engine, in a process of its own, cannot read the stand-in's job
    // record, and takes its default name, copies and paper code.
    const struct {
        JobFiles job;
        std::string bytes, description;
    } expected[] = {{onlyJob(kSiteA), lab::readFileBytes(letter),
                     "<paperHeight>8.5</paperHeight><paperWidth>11</paperWidth><paperName>9</paperName>"
                     "<paperCount>3</paperCount>"},
                    {onlyJob(kSiteB), a4,
                     "<paperHeight>11.6944444444444</paperHeight><paperWidth>8.26388888888889</paperWidth>"
                     "<paperName>9</paperName><paperCount>6</paperCount>"}};
    for (const auto& site : expected) {
        EXPECT_TRUE(site.bytes == site.job.layout) << site.job.layout.size() << " of " << site.bytes.size() << " bytes";
        EXPECT_NE(std::string::npos, site.job.description.find("<job><name>New Job</name><copies>1</copies>" +
                                                               site.description + "<paramsOK>False</paramsOK>"))
            << site.job.description;
    }
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    EXPECT_EQ(0u, m_key.active(L"ZOLT1").value_or(99));
}
