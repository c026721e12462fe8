// The whole road of a document in the lab: the spooler stand-in prints PostScript files
// to printers of this system through ZoltPort.dll and the registered KeloEngine.exe,
// and each job's folder under the user's temporary "KeloJobs" folder holds the file and
// its description.
#include <windows.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bstr.h"
#include "com/object.h"
#include "delete_tree.h"
#include "engine_h.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_road.h"
#include "lab_process.h"
#include "lab_spooler.h"
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

// The job folders below a printer's folder.
std::vector<std::wstring> jobFolders(const std::wstring& printer) {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((jobsFolderOf(printer) + L"*").c_str(), &found));
    if (!search) return folders;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(found.cFileName, L".") != 0 &&
            wcscmp(found.cFileName, L"..") != 0)
            folders.push_back(jobsFolderOf(printer) + found.cFileName + L"\\");
    } while (FindNextFileW(search.get(), &found));
    return folders;
}

// The text of an element of job.xml ("<paperCount>3</paperCount>").
std::string element(const std::string& xml, const std::string& name) {
    size_t open = xml.find("<" + name + ">");
    size_t close = xml.find("</" + name + ">");
    if (open == std::string::npos || close == std::string::npos || close < open) return "<missing>";
    open += name.size() + 2;
    return xml.substr(open, close - open);
}

double number(const std::string& text) { return strtod(text.c_str(), nullptr); }

// A document of A4 portrait pages, large enough to take many blocks.
std::string a4Document(int pages) {
    std::string text = "%!PS-Adobe-3.0\r\n%%Pages: " + std::to_string(pages) +
                       "\r\n%%Orientation: Portrait\r\n%%EndComments\r\n<< /PageSize [595 842] >> setpagedevice\r\n";
    for (int page = 1; page <= pages; page++) {
        text += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\r\n";
        for (int line = 0; line < 300; line++)
            text += "72 " + std::to_string(800 - line * 2) + " moveto (page " + std::to_string(page) + " line " +
                    std::to_string(line) + ") show\r\n";
        text += "showpage\r\n";
    }
    return text + "%%EOF\r\n";
}

struct JobFiles {
    std::string layout;
    std::string description;
};

// The one job folder of the printer, read.
JobFiles onlyJob(const std::wstring& printer) {
    std::vector<std::wstring> folders = jobFolders(printer);
    EXPECT_EQ(1u, folders.size()) << lab::toUtf8(jobsFolderOf(printer));
    if (folders.size() != 1) return {};
    EXPECT_TRUE(lab::fileExists(folders[0] + L"layout.ps"));
    EXPECT_TRUE(lab::fileExists(folders[0] + L"job.xml"));
    if (!lab::fileExists(folders[0] + L"layout.ps") || !lab::fileExists(folders[0] + L"job.xml")) return {};
    return {lab::readFileBytes(folders[0] + L"layout.ps"), lab::readFileBytes(folders[0] + L"job.xml")};
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

TEST_F(EndToEnd, AMultiPageDocumentArrivesWithItsDescription) {
    const std::wstring sample = lab::programFolder() + L"letter-landscape-3-pages.ps";
    const std::string bytes = lab::readFileBytes(sample);
    lab::Report report;
    lab::SpoolerStandIn standIn(report);
    lab::DocumentRequest request;
    request.printer = kSiteA;
    request.file = sample;
    request.name = L"Quarterly figures";
    request.blockSize = 256;
    lab::DocumentResult result = standIn.print(request);
    ASSERT_EQ(lab::DocumentOutcome::Printed, result.outcome) << result.reason;
    EXPECT_EQ(5u, result.blocks);

    JobFiles job = onlyJob(kSiteA);
    EXPECT_TRUE(bytes == job.layout) << job.layout.size() << " bytes";
    // Three landscape Letter pages: 11 by 8.5 inches.
    EXPECT_EQ("3", element(job.description, "paperCount")) << job.description;
    EXPECT_NEAR(11.0, number(element(job.description, "paperWidth")), 0.001) << job.description;
    EXPECT_NEAR(8.5, number(element(job.description, "paperHeight")), 0.001) << job.description;
    EXPECT_EQ("1", element(job.description, "copies"));
    // Wine: the engine, in a process of its own, cannot read the stand-in's job record,
    // and takes its default name.
    EXPECT_EQ("New Job", element(job.description, "name"));
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
}

TEST_F(EndToEnd, TwoDocumentsPrintedAtOnceOnTwoPortsBothArriveComplete) {
    const std::wstring letter = lab::programFolder() + L"letter-landscape-3-pages.ps";
    const std::string a4 = a4Document(6);
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

    JobFiles first = onlyJob(kSiteA), second = onlyJob(kSiteB);
    EXPECT_TRUE(lab::readFileBytes(letter) == first.layout);
    EXPECT_EQ("3", element(first.description, "paperCount"));
    EXPECT_TRUE(a4 == second.layout) << second.layout.size() << " of " << a4.size() << " bytes";
    EXPECT_EQ("6", element(second.description, "paperCount"));
    EXPECT_NEAR(595.0 / 72, number(element(second.description, "paperWidth")), 0.001) << second.description;
    EXPECT_NEAR(842.0 / 72, number(element(second.description, "paperHeight")), 0.001) << second.description;
    EXPECT_EQ(0u, m_key.active(L"ZOLT0").value_or(99));
    EXPECT_EQ(0u, m_key.active(L"ZOLT1").value_or(99));
}

TEST_F(EndToEnd, TheEngineKeptForADocumentServesEveryThreadAndAKilledOneFailsTheRest) {
    NtMonitor monitor;
    HANDLE port = monitor.open(L"ZOLT0");
    ASSERT_NE(nullptr, port);
    const std::string a4 = a4Document(2);
    auto start = [&](DWORD jobId) {
        DOC_INFO_1W doc = {const_cast<wchar_t*>(L"Two threads"), nullptr, const_cast<wchar_t*>(L"RAW")};
        std::wstring printer = kSiteA;
        return monitor->pfnStartDocPort(port, &printer[0], jobId, 1, (BYTE*)&doc);
    };
    // WritePort with the last error and the written count poisoned; the error is kept.
    DWORD lastError = 0;
    auto write = [&](const std::string& block, DWORD* written) {
        *written = poisoned<DWORD>();
        SetLastError(0xdeadbeef);
        BOOL result = monitor->pfnWritePort(port, (BYTE*)block.data(), (DWORD)block.size(), written);
        lastError = GetLastError();
        return result;
    };
    DWORD written = 0;

    // One document's blocks from two threads, through the engine object kept for it.
    std::thread([&] {
        EXPECT_TRUE(start(501));
        EXPECT_TRUE(write(a4.substr(0, 1000), &written));
    }).join();
    std::thread([&] {
        EXPECT_TRUE(write(a4.substr(1000), &written));
        EXPECT_EQ(a4.size() - 1000, written);
        EXPECT_TRUE(monitor->pfnEndDocPort(port));
    }).join();
    JobFiles job = onlyJob(kSiteA);
    EXPECT_TRUE(a4 == job.layout) << job.layout.size() << " bytes";
    EXPECT_EQ("2", element(job.description, "paperCount"));
    removeJobFolders();

    // The engine killed between two blocks: the rest of the document fails, and its
    // folder holds only the block the engine was told of, without a description.
    ASSERT_TRUE(start(502));
    ASSERT_TRUE(write(a4.substr(0, 1000), &written));
    com::ComPtr<IDriverManager> killed;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                              reinterpret_cast<void**>(killed.GetAddressOf())));
    BStr printer(kSiteA);
    long oldHandle = 0;
    ASSERT_HRESULT_SUCCEEDED(killed->splStartDoc(printer.get(), 600, &oldHandle));
    lab::killEngineServers();
    EXPECT_FALSE(write(a4.substr(1000), &written));
    EXPECT_EQ((DWORD)RPC_S_SERVER_UNAVAILABLE, lastError);
    EXPECT_EQ(0u, written);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(monitor->pfnEndDocPort(port));
    EXPECT_EQ((DWORD)RPC_S_SERVER_UNAVAILABLE, GetLastError());
    std::vector<std::wstring> folders = jobFolders(kSiteA);
    ASSERT_EQ(1u, folders.size());
    EXPECT_EQ(1000u, lab::readFileBytes(folders[0] + L"layout.ps").size());
    EXPECT_FALSE(lab::fileExists(folders[0] + L"job.xml"));
    removeJobFolders();

    // The next document starts a new engine, which knows no handle of the old one.
    ASSERT_TRUE(start(503));
    EXPECT_TRUE(write(a4, &written));
    EXPECT_TRUE(monitor->pfnEndDocPort(port));
    EXPECT_TRUE(a4 == onlyJob(kSiteA).layout);
    com::ComPtr<IDriverManager> successor;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                              reinterpret_cast<void**>(successor.GetAddressOf())));
    EXPECT_EQ(E_FAIL, successor->splEndDoc(oldHandle));
    EXPECT_TRUE(monitor->pfnClosePort(port));
}
