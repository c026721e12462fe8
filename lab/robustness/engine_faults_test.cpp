// The engine under load and failure: four documents on four ports at once, the engine
// process killed while a job runs (the client follows the next engine), a document
// cancelled in the spooler while it prints, and the engine installed under a folder
// with blanks.
#include "road_fixture.h"

#include <tlhelp32.h>

#include <iostream>

#include "handles.h"
#include "lab_engine.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "lab_recorder.h"
#include "lab_registry.h"
#include "lab_text.h"
#include "paths.h"

using namespace road;
namespace gui = lab::gui;

namespace {

const wchar_t kMonitorPorts[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port\\Private\\";

// A port of the monitor and a printer of this system on it, for the life of the object.
class ExtraPrinter {
public:
    ExtraPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& serverAddress) : m_port(port) {
        lab::writeRegistryNumber(HKEY_LOCAL_MACHINE, kMonitorPorts + port, L"active", 0);
        m_printer = std::make_unique<lab::ScopedPrinter>(lab::keloPrinter(name, port, serverAddress));
    }
    ~ExtraPrinter() {
        m_printer.reset();
        lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kMonitorPorts + m_port);
    }

private:
    std::wstring m_port;
    std::unique_ptr<lab::ScopedPrinter> m_printer;
};

// How many job folders the printer has.
size_t jobFoldersOf(const std::wstring& printer) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"KeloJobs\\" + printer + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// The engine registered from another place for the life of the object, then from the
// program folder again.
class EngineRegisteredFrom {
public:
    explicit EngineRegisteredFrom(const std::wstring& exePath) {
        lab::endEngineServers();
        result = lab::runEngineRegistration(exePath, false);
    }
    ~EngineRegisteredFrom() {
        lab::endEngineServers();
        lab::runEngineRegistration(lab::programFolder() + lab::kEngineExeName, false);
    }
    DWORD result;
};

std::wstring imagePath(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return L"";
    KernelHandle owned(snapshot);
    MODULEENTRY32W module = {};
    module.dwSize = sizeof module;
    return Module32FirstW(snapshot, &module) ? module.szExePath : L"";
}

}  // namespace

TEST_F(RoadTest, FourDocumentsOnFourPortsAtOnceAllArrive) {
    const std::wstring address = L"127.0.0.1:" + std::to_wstring(provider->port());
    std::vector<std::unique_ptr<ExtraPrinter>> printers;
    std::vector<std::wstring> names = {kPrinter};
    for (int port = 1; port <= 3; ++port) {
        names.push_back(std::wstring(kPrinter) + L" " + std::to_wstring(port));
        printers.push_back(std::make_unique<ExtraPrinter>(names.back(), L"ZOLT" + std::to_wstring(port), address));
    }
    startClient();
    for (const std::wstring& name : names) EXPECT_TRUE(clientSaid("printer " + utf8(name) + " bound")) << utf8(name);

    // One spooler, four documents, each on its own thread and port.
    std::vector<std::string> documents;
    std::vector<std::wstring> files;
    std::wstring more = L"--block 8192 --quiet-blocks";
    for (size_t i = 0; i < names.size(); ++i) {
        documents.push_back(lab::labDocument((int)i + 1) + std::string(200000 * (i + 1), '%'));
        files.push_back(this->documents.file(L"port" + std::to_wstring(i) + L".ps"));
        lab::writeFileBytes(files.back(), documents.back());
        if (i > 0) more += L" --print " + lab::quoteArgument(names[i]) + L" " + lab::quoteArgument(files[i]);
    }
    lab::PrintRun run(lab::programFolder(), names[0], files[0], L"", more);
    // Each printer keeps its own login: the user logs in wherever the client asks.
    int logins = 0;
    EXPECT_TRUE(gui::waitUntil(
        [&] {
            if (gui::findWindow(L"Print Driver - Login", client->processId())) {
                logIn();
                ++logins;
            }
            return recorder->lines().size() >= 4;
        },
        180000));
    EXPECT_EQ(0u, run.waitForEnd(120000).value_or(99)) << run.output();
    EXPECT_EQ(4u, pagesOpened(4).size()) << client->output();
    EXPECT_GE(logins, 1);
    EXPECT_LE(logins, 4);
    lab::JsonValue uploads = provider->uploads();
    ASSERT_EQ(4u, uploads.size());
    std::vector<bool> found(documents.size());
    for (size_t i = 0; i < uploads.size(); ++i) {
        std::string file = provider->uploadedFile(i);
        for (size_t d = 0; d < documents.size(); ++d)
            if (file == documents[d]) found[d] = true;
    }
    EXPECT_EQ(std::vector<bool>(4, true), found) << "every document arrived whole";
    for (const std::wstring& name : names) EXPECT_EQ(0u, jobFoldersOf(name)) << utf8(name);
}

TEST_F(RoadTest, TheEngineKilledDuringAJobFailsThatDocumentAndTheClientSendsTheNext) {
    startClient();
    const std::string first = lab::labDocument(1);
    auto run = print(first);
    logIn();
    ASSERT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));

    // The engine process dies once the next document's first blocks are on disk.
    auto killed = print(unpackableDocument(64 * 1024 * 1024), L"", L"--block 4096 --quiet-blocks");
    ASSERT_TRUE(gui::waitUntil(
        [&] {
            for (const std::wstring& folder : system->jobFolders()) {
                WIN32_FILE_ATTRIBUTE_DATA data;
                if (GetFileAttributesExW((folder + L"\\layout.ps").c_str(), GetFileExInfoStandard, &data) &&
                    data.nFileSizeLow > 0)
                    return true;
            }
            return false;
        },
        60000));
    ASSERT_EQ(1u, lab::engineServerProcesses().size());
    lab::killEngineServers();
    std::optional<DWORD> ended = killed->waitForEnd(120000);
    ASSERT_TRUE(ended.has_value());
    EXPECT_EQ(1u, *ended) << "the spooler stand-in learns that the document was not taken";
    EXPECT_TRUE(client->running());

    // The client notices that its engine is gone and binds again, which starts a new
    // engine; the next document reaches it and goes the whole road.
    EXPECT_TRUE(clientSaid("the print engine is gone", 60000)) << client->output();
    ASSERT_TRUE(clientSaid("bound to the print engine again: 1 printers", 120000)) << client->output();
    EXPECT_EQ(1u, lab::engineServerProcesses().size());
    system->removeJobFolders();  // the killed document's part; the client's next start would purge it
    const std::string next = lab::labDocument(2);
    auto after = print(next);
    logIn();  // a new binding, a new login
    ASSERT_EQ(2u, pagesOpened(2).size()) << client->output();
    EXPECT_EQ(0u, after->waitForEnd(120000).value_or(99)) << after->output();
    ASSERT_EQ(2u, provider->uploads().size());
    expectArrivedWhole(1, next);
    lab::JsonValue uploadJobs = provider->requests("uploadJob_nogui");
    ASSERT_EQ(2u, uploadJobs.size());
    std::string uploadPath = uploadJobs.at(1)["answer_fields"]["uploadPath"].text();
    EXPECT_EQ(uploadPath + "/New Job.ps", queryOf(lab::pageOf(recorder->lines()[1]))["filename"]);
    EXPECT_TRUE(system->jobFolders().empty()) << "sent and deleted";
    EXPECT_EQ(1u, lab::engineServerProcesses().size());
    EXPECT_TRUE(client->running());
}

TEST_F(RoadTest, ADocumentCancelledInTheSpoolerIsNeitherSentNorOpened) {
    startClient();
    auto cancelled = print(unpackableDocument(256 * 1024), L"", L"--block 4096 --abort-after 8");
    logIn();
    EXPECT_EQ(0u, cancelled->waitForEnd().value_or(99)) << cancelled->output();
    EXPECT_NE(std::string::npos, cancelled->output().find("abort")) << cancelled->output();
    EXPECT_TRUE(clientSaid(" aborted")) << client->output();
    EXPECT_TRUE(system->jobFolders().empty()) << "the engine removed the part that came";

    // The next document is the only one the provider gets and the only page that opens.
    const std::string next = lab::labDocument(2);
    auto after = print(next);
    ASSERT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, after->waitForEnd().value_or(99)) << after->output();
    ASSERT_EQ(1u, provider->uploads().size());
    expectArrivedWhole(0, next);
    EXPECT_EQ(1u, requestCount("uploadJob_nogui"));
    EXPECT_EQ(1u, recorder->lines().size());
}

TEST_F(RoadTest, TheEngineInstalledUnderAFolderWithBlanksStartsFromThereAlone) {
    // A program where the unquoted command line would be taken to end at a blank.
    lab::TempFolder root(L"kelo spaces");
    const std::wstring folder = root.file(L"Program Files\\Vorlane\\Kelo Print Driver\\");
    const std::wstring engine = folder + lab::kEngineExeName;
    bvfsCreateFolderTree(folder.c_str());
    ASSERT_TRUE(CopyFileW((lab::programFolder() + lab::kEngineExeName).c_str(), engine.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(lab::recorderProgram().c_str(), root.file(L"Program.exe").c_str(), FALSE));
    EngineRegisteredFrom registered(engine);
    ASSERT_EQ(0u, registered.result);
    wchar_t command[2 * MAX_PATH] = {};
    DWORD size = sizeof command;
    RegGetValueW(HKEY_CLASSES_ROOT, L"CLSID\\{84BBBEFB-D418-11D5-8E15-0002B36229DD}\\LocalServer32", nullptr,
                 RRF_RT_REG_SZ, nullptr, command, &size);
    EXPECT_EQ(L"\"" + engine + L"\"", std::wstring(command));

    startClient();
    const std::string document = lab::labDocument(1);
    auto run = print(document);
    logIn();
    ASSERT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
    expectArrivedWhole(0, document);
    std::vector<DWORD> engines = lab::engineServerProcesses();
    ASSERT_EQ(1u, engines.size());
    EXPECT_TRUE(lab::equalsNoCase(engine, imagePath(engines[0]))) << utf8(imagePath(engines[0]));
    EXPECT_EQ(1u, recorder->lines().size()) << "only the order page; the program at the blank never ran";
    EXPECT_FALSE(lab::fileExists(root.file(L"lab-recorder.log")));
    client.reset();  // before its engine goes
}
