// The road of a job with bad or unusual input and surroundings: a document of 200 MB,
// document names with reserved, control, long and non-ASCII characters (named by an
// engine in this process), a temporary folder that cannot be written, a language file
// with broken lines, and two clients started at once.
#include "road_fixture.h"

#include <chrono>
#include <iostream>

#include "class_objects.h"
#include "engine_h.h"
#include "error_msg.h"
#include "handles.h"
#include "lab_engine.h"
#include "lab_process.h"
#include "lab_registry.h"
#include "lab_text.h"

using namespace road;
namespace gui = lab::gui;

namespace {

const wchar_t kClientSettingsKey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";

// A PostScript document of at least the given size: numbered pages of text.
std::string largeDocument(size_t size) {
    const std::string page = lab::labDocument(1);
    const size_t body = page.find("%%Page:"), end = page.find("%%EOF");
    const std::string pageText = page.substr(body, end - body);
    const size_t pages = size / pageText.size() + 1;
    std::string text = page.substr(0, body);
    text.replace(text.find("%%Pages: 1"), 10, "%%Pages: " + std::to_string(pages));
    text.reserve(pages * pageText.size() + text.size() + 16);
    for (size_t i = 0; i < pages; ++i) text += pageText;
    return text + "%%EOF\r\n";
}

// The engine's classes served from this process for the life of the object: the client
// and the spooler stand-in bind to them as to KeloEngine.exe. Wine keeps a spooler job's
// record in the process that created it, so only an engine here reads the document
// names of this process's jobs.
class EngineInThisProcess {
public:
    EngineInThisProcess() : m_initialized(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
        lab::endEngineServers();
        if (FAILED(m_classes.registerSuspended()) || FAILED(CoResumeClassObjects()))
            throw cERROR_MSG(BV_ERR_GENERAL, "the engine's classes cannot be registered here");
    }
    ~EngineInThisProcess() {
        m_classes.revoke();
        if (SUCCEEDED(m_initialized)) CoUninitialize();
    }

private:
    HRESULT m_initialized;
    engine::ClassObjects m_classes;
};

// A job of this process in the spooler's records under a document name, printing into
// a file of its own (as the spooler stand-in's jobs do), ended when the object goes.
class SpoolerJob {
public:
    SpoolerJob(const std::wstring& name, const std::wstring& output) {
        DOC_INFO_1W info = {const_cast<LPWSTR>(name.c_str()), const_cast<LPWSTR>(output.c_str()),
                            const_cast<LPWSTR>(L"RAW")};
        if (OpenPrinterW(const_cast<LPWSTR>(kPrinter), m_printer.out(), nullptr))
            m_id = (long)StartDocPrinterW(m_printer.get(), 1, (LPBYTE)&info);
    }
    ~SpoolerJob() {
        if (m_id) EndDocPrinter(m_printer.get());
    }
    long id() const { return m_id; }

private:
    PrinterHandle m_printer;
    long m_id = 0;
};

std::wstring fieldOf(const lab::JsonValue& upload, const char* field) {
    return lab::fromUtf8(upload["field_values"][field].text());
}

}  // namespace

TEST_F(RoadTest, ADocumentOf200MegabytesArrivesWhole) {
    startClient();
    const std::string document = largeDocument(200u * 1024 * 1024);
    const auto start = std::chrono::steady_clock::now();
    auto run = print(document, L"", L"--block 1048576 --quiet-blocks");
    logIn();
    EXPECT_EQ(0u, run->waitForEnd(300000).value_or(99)) << run->output();
    const auto printed = std::chrono::steady_clock::now();
    ASSERT_EQ(1u, pagesOpened(1, 300000).size()) << client->output();
    const auto sent = std::chrono::steady_clock::now();
    expectArrivedWhole(0, document);
    EXPECT_TRUE(system->jobFolders().empty());
    auto seconds = [](auto from, auto to) { return std::chrono::duration<double>(to - from).count(); };
    std::cout << "200 MB document: printed in " << seconds(start, printed) << " s, on the order page after "
              << seconds(start, sent) << " s, checked after " << seconds(start, std::chrono::steady_clock::now())
              << " s" << std::endl;
}

TEST_F(RoadTest, DocumentNamesWithReservedLongAndNonAsciiCharactersReachTheProvider) {
    EngineInThisProcess engine;
    startClient();
    // The stand-in's job is not readable here: the engine names it "New Job".
    const std::string first = lab::labDocument(1), second = lab::labDocument(2), third = lab::labDocument(3),
                      fourth = lab::labDocument(4);
    auto run = print(first, L"Q3: a/b*c?<>|\"draft\" \\ 100% & more");
    HWND dialog = waitForWindow(L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    // Three more jobs of this process end while the login is open.
    std::wstring longName;
    while (longName.size() < 300)
        longName += L"Minutes of the annual general meeting, part " + std::to_wstring(longName.size()) + L"; ";
    const std::wstring quoted = L"Invoice \"March\"\tfinal";
    const std::wstring foreignName = L"\u00dcberweisung f\u00fcr J\u00fcrgen \u2013 \u5317\u4eac \U0001F5A8 a/b";
    // Wine numbers the jobs of each process from 1: this process's first job would share
    // the stand-in's job id (and spool file), so it is left to a job that goes unused.
    SpoolerJob unused(L"unused", documents.file(L"unused.prn"));
    SpoolerJob longJob(longName, documents.file(L"long.prn")), quotedJob(quoted, documents.file(L"quoted.prn")),
        foreignJob(foreignName, documents.file(L"foreign.prn"));
    ASSERT_TRUE(longJob.id() && quotedJob.id() && foreignJob.id());
    lab::EngineDocument longNamed(kPrinter, longJob.id(), second), withQuotes(kPrinter, quotedJob.id(), third),
        foreign(kPrinter, foreignJob.id(), fourth);
    for (lab::EngineDocument* document : {&longNamed, &withQuotes, &foreign}) {
        ASSERT_TRUE(document->waitForEnd()) << document->failure();
        EXPECT_LT(document->jobFolder().size() + wcslen(L"\\layout.ps"), size_t(MAX_PATH))
            << utf8(document->jobFolder());
    }
    logIn();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
    std::vector<std::wstring> pages = pagesOpened(4);
    ASSERT_EQ(4u, pages.size()) << client->output();
    EXPECT_TRUE(system->jobFolders().empty());

    lab::JsonValue uploads = provider->uploads();
    ASSERT_EQ(4u, uploads.size());
    std::map<std::wstring, std::string> arrived;  // the file name the provider was given, and the file
    for (size_t i = 0; i < uploads.size(); ++i) arrived[fieldOf(uploads.at(i), "filename")] = provider->uploadedFile(i);
    EXPECT_TRUE(arrived[L"New Job.ps"] == first);
    EXPECT_TRUE(arrived[L"Invoice _March__final.ps"] == third);
    EXPECT_TRUE(arrived[L"\u00dcberweisung f\u00fcr J\u00fcrgen \u2013 \u5317\u4eac \U0001F5A8 a_b.ps"] == fourth);
    // The long name is cut so that the file can be named after it on disk, in a job
    // folder that already takes most of MAX_PATH.
    std::wstring cut;
    for (const auto& entry : arrived)
        if (entry.second == second) cut = entry.first;
    ASSERT_GT(cut.size(), 3u) << "no upload of the long-named document";
    EXPECT_LT(cut.size(), longName.size());
    EXPECT_EQ(L".ps", cut.substr(cut.size() - 3));
    EXPECT_EQ(0u, longName.find(cut.substr(0, cut.size() - 3)));

    // Each order page names the file as it was stored.
    std::vector<std::string> named;
    for (const std::wstring& page : pages) named.push_back(queryOf(lab::pageOf(page))["filename"]);
    for (size_t i = 0; i < uploads.size(); ++i) {
        std::string stored =
            lab::toUtf8(fieldOf(uploads.at(i), "outPath")) + "/" + lab::toUtf8(fieldOf(uploads.at(i), "filename"));
        EXPECT_NE(named.end(), std::find(named.begin(), named.end(), stored)) << stored;
    }
    client.reset();  // before the engine it is bound to goes
}

TEST_F(RoadTest, AnUnwritableTemporaryFolderOfTheEngineFailsThePrintingNotSilently) {
    // The engine is started from here, with a temporary folder that lies under a file:
    // nothing can be created there. The client then binds to that engine.
    const std::wstring blocker = documents.file(L"not-a-folder");
    lab::writeFileBytes(blocker, "a file where the temporary folder should be");
    HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IDriverManager* engine = nullptr;
    {
        lab::ScopedEnvironment temp(L"TEMP", blocker + L"\\Temp"), tmp(L"TMP", blocker + L"\\Temp");
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                                  reinterpret_cast<void**>(&engine)));
    }
    startClient();
    engine->Release();
    const std::string document = lab::labDocument(2);
    auto run = print(document);
    logIn();
    std::optional<DWORD> ended = run->waitForEnd();
    ASSERT_TRUE(ended.has_value());
    // The spooler is told that the document was not taken, so it keeps the job; the
    // client has nothing to send and opens no page.
    EXPECT_EQ(1u, *ended) << run->output();
    EXPECT_TRUE(client->running());
    EXPECT_EQ(0u, provider->uploads().size());
    EXPECT_TRUE(recorder->lines().empty());

    // With a usable temporary folder again the next job goes through.
    client.reset();
    lab::endEngineServers();
    if (SUCCEEDED(initialized)) CoUninitialize();
    startClient();
    auto next = print(document);
    logIn();
    EXPECT_EQ(0u, next->waitForEnd().value_or(99)) << next->output();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    expectArrivedWhole(0, document);
}

TEST_F(RoadTest, ALanguageFileWithBrokenLinesStillGivesItsGoodTexts) {
    // The client from a folder of its own, with a German language file spoilt by lines
    // without "=", an odd trailing byte, lone surrogates, NULs and a very long line.
    lab::TempFolder program(L"kelo-lang");
    ASSERT_TRUE(
        CopyFileW((lab::programFolder() + L"KeloClient.exe").c_str(), program.file(L"KeloClient.exe").c_str(), FALSE));
    CreateDirectoryW(program.file(L"Localization").c_str(), nullptr);
    std::string shipped = lab::readFileBytes(lab::programFolder() + L"Localization\\lng1031.lng");
    auto utf16 = [](const std::wstring& text) {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    };
    std::wstring broken =
        L"\r\nthis line has no equals sign\r\n=a text without a key\r\nSTR_BROKEN_\xd800_SURROGATE=\xdc00\r\n";
    broken += std::wstring(L"STR_WITH_NUL=a\0b\r\n", 18);
    broken += L"STR_VERY_LONG=" + std::wstring(100000, L'x') + L"\r\n\r\n\r\n";
    const std::wstring languageFile = program.file(L"Localization\\lng1031.lng");
    lab::writeFileBytes(languageFile, shipped + utf16(broken) + "\x41");
    lab::RegistryBackup settings(HKEY_LOCAL_MACHINE, kClientSettingsKey);
    lab::writeRegistryNumber(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"language", 1031);

    startClient(program.path());
    const std::string document = lab::labDocument(1);
    auto run = print(document);
    logIn(L"alice", L"secret", L"Druckertreiber - Anmeldung");
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    expectArrivedWhole(0, document);
    client.reset();

    // A key given twice stops the reading: the client speaks English and still works.
    lab::writeFileBytes(languageFile, shipped + utf16(L"\r\nFORM_LOGIN_TITLE=Noch einmal\r\n"));
    startClient(program.path());
    EXPECT_TRUE(clientSaid("English is used"));
    const std::string second = lab::labDocument(2);
    auto again = print(second);
    logIn(L"alice", L"secret", L"Print Driver - Login");
    EXPECT_EQ(2u, pagesOpened(2).size()) << client->output();
    EXPECT_EQ(0u, again->waitForEnd().value_or(99));
    expectArrivedWhole(1, second);
}

TEST_F(RoadTest, TwoClientsStartedAtOnceGiveOneClient) {
    // Neither has its window yet (it comes after the engine is bound): one runs, the other ends.
    const std::wstring program = lab::quoteArgument(lab::programFolder() + L"KeloClient.exe");
    auto first = std::make_unique<gui::ProgramUnderTest>(program),
         second = std::make_unique<gui::ProgramUnderTest>(program);
    ASSERT_TRUE(gui::waitUntil([&] { return !first->running() || !second->running(); }, 90000));
    std::unique_ptr<gui::ProgramUnderTest>& ended = first->running() ? second : first;
    EXPECT_EQ(0u, ended->waitForExit().value_or(99));
    EXPECT_EQ(std::string::npos, ended->output().find("frmPrinterClientMain - started")) << ended->output();
    client = std::make_unique<lab::RunningClient>(std::move(first->running() ? first : second));

    // Only that client hears the job: one login, one upload, one page.
    const std::string document = lab::labDocument(1);
    auto run = print(document);
    logIn();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    expectArrivedWhole(0, document);
    EXPECT_EQ(1u, requestCount("login"));
    EXPECT_EQ(1u, provider->uploads().size());
}
