// The road of a job with bad or unusual input and surroundings: a document of 200 MB,
// and a temporary folder of the engine that cannot be written.
#include "road_fixture.h"

#include "engine_h.h"
#include "lab_engine.h"
#include "lab_process.h"

using namespace road;

TEST_F(RoadTest, ADocumentOf200MegabytesArrivesWhole) {
    startClient();
    const size_t page = lab::labDocument(2).size() - lab::labDocument(1).size();  // numbered pages of text
    const std::string document = lab::labDocument(int(200u * 1024 * 1024 / page) + 1);
    auto run = print(document, L"", L"--block 1048576 --quiet-blocks");
    logIn();
    EXPECT_EQ(0u, run->waitForEnd(300000).value_or(99)) << run->output();
    ASSERT_EQ(1u, pagesOpened(1, 300000).size()) << client->output();
    expectArrivedWhole(0, document);
    EXPECT_TRUE(system->jobFolders().empty());
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
