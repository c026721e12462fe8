// The road of print jobs through the whole system in the lab: the spooler stand-in
// prints to a printer of this system, the monitor hands the document to the registered
// engine, the client logs the user in, uploads the file to the provider stand-in and
// opens the order page in the recording browser; the user is played by the robot.
#include "client_road_fixture.h"

#include "lab_engine.h"
#include "lab_process.h"
#include "lab_text.h"
#include "resource_ids.h"
#include "version_check.h"

using namespace clientroad;
namespace gui = lab::gui;

namespace {

// What the server undoes: code unit i of a credential raised by 10 + i mod 10.
std::string scrambled(const std::wstring& text) {
    std::wstring result = text;
    for (size_t i = 0; i < result.size(); ++i) result[i] = (wchar_t)(result[i] + 10 + i % 10);
    return utf8(result);
}

const char kUploadFails[] = R"({"method": "upload", "close_after": 100, "times": 1})";

}  // namespace

TEST_F(ClientRoadTest, AJobBeforeLoginAsksForTheLoginAndEndsOnTheOrderPage) {
    const std::string document = lab::labDocument(3);
    auto run = print(document);
    logIn(L"alice", L"secret");
    EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
    std::vector<std::wstring> pages = pagesOpened(1);
    ASSERT_EQ(1u, pages.size()) << client->output();
    // The file arrived zipped and unpacks to the printed PostScript, named after the job.
    lab::JsonValue uploads = provider->uploads();
    EXPECT_EQ(document, provider->uploadedFile(0));
    EXPECT_TRUE(system->jobFolders().empty()) << "the job folder is gone";

    // The browser got the call URL with the job's fields, which the order page reads.
    std::wstring page = lab::pageOf(pages[0]);
    EXPECT_EQ(0u, page.find(provider->url(L"/brisvel/versions/250/site/kelo/services/web/printdriver/"
                                          L"order.asp?session=lab&encrypt=1&username=")))
        << utf8(page);
    std::map<std::string, std::string> query = queryOf(page);
    EXPECT_EQ(scrambled(L"alice"), query["username"]);
    EXPECT_EQ(scrambled(L"secret"), query["password"]);
    EXPECT_EQ("loc_0", query["localizationsection"]);
    EXPECT_EQ(uploads.at(0)["field_values"]["outPath"].text() + "/New Job.ps", query["filename"]);

    // A second job while logged in goes through without a dialog and a second version check.
    const std::string second = lab::labDocument(1);
    auto secondRun = print(second);
    EXPECT_EQ(2u, pagesOpened(2).size()) << client->output();
    EXPECT_EQ(0u, secondRun->waitForEnd().value_or(99)) << secondRun->output();
    EXPECT_EQ(second, provider->uploadedFile(1));
    EXPECT_EQ(1u, requestCount("checkClientVersion"));
    EXPECT_EQ(2u, requestCount("login")) << "each job connects its own web component with the kept login";
}

TEST_F(ClientRoadTest, AWrongPasswordIsToldAndRetryAsksAgainPrefilled) {
    auto run = print(lab::labDocument(1));
    logIn(L"alice", L"wrong");
    EXPECT_EQ(L"Invalid user name or password", answerMessageBox(L"Login error", L"&Retry"));
    HWND dialog = waitForWindow(L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(L"alice", gui::textOf(GetDlgItem(dialog, IDC_LOGIN_USER))) << "prefilled with the previous name";
    logIn(L"alice", L"secret");
    EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(1u, provider->uploads().size());
    lab::JsonValue logins = provider->requests("login");
    ASSERT_EQ(2u, logins.size());
    EXPECT_FALSE(logins.at(0)["login"]["accepted"].boolean());
    EXPECT_TRUE(logins.at(1)["login"]["accepted"].boolean());
}

TEST_F(ClientRoadTest, AnAbortedDocumentProducesNoUploadNoPageAndNoMessage) {
    lab::EngineDocument aborted(kPrinter, 77, lab::labDocument(2), true);
    logIn();
    EXPECT_TRUE(aborted.waitForEnd()) << aborted.failure();
    // The next complete job's notification drops it.
    const std::string next = lab::labDocument(1);
    auto run = print(next);
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_TRUE(clientSaid("job 77 aborted, dropped"));
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    EXPECT_EQ(next, provider->uploadedFile(0)) << "only that job arrives";
}

TEST_F(ClientRoadTest, UploadErrorsAskWhetherToRetryIgnoreOrCancel) {
    // Retry: the failing upload runs again and the page opens with the file.
    provider->script(kUploadFails);
    auto retried = print(lab::labDocument(1));
    logIn();
    answerChoice(L"Retry the last action");
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(1u, provider->uploads().size());

    // Ignore: the road goes on after the failed upload; the page names the file.
    provider->script(kUploadFails);
    auto ignored = print(lab::labDocument(1));
    answerChoice(L"Ignore the error and continue");
    ASSERT_EQ(2u, pagesOpened(2).size()) << client->output();
    EXPECT_EQ(1u, provider->uploads().size()) << "nothing more arrived";
    std::string uploadPath = provider->requests("uploadJob_nogui").at(1)["answer_fields"]["uploadPath"].text();
    EXPECT_EQ(uploadPath + "/New Job.ps", queryOf(lab::pageOf(recorder->lines()[1]))["filename"]);

    // Cancel: the server is told to delete the job; the page opens with an empty file name.
    provider->script(kUploadFails);
    auto cancelled = print(lab::labDocument(1));
    answerChoice(L"Cancel the current operation");
    ASSERT_EQ(3u, pagesOpened(3).size()) << client->output();
    ASSERT_EQ(1u, provider->requests("deleteJob").size());
    EXPECT_EQ("", queryOf(lab::pageOf(recorder->lines()[2]))["filename"]);
    for (auto* run : {&retried, &ignored, &cancelled}) EXPECT_EQ(0u, (*run)->waitForEnd().value_or(99));
    EXPECT_TRUE(system->jobFolders().empty());
}

TEST_F(ClientRoadTest, StoppingTheUploadUploadsNothingMoreAndOpensNoPage) {
    // A slow line keeps the upload going while the user decides, however long the robot
    // takes on a busy machine (about 40 s for the whole file).
    provider->script(R"({"method": "upload", "throttle": 100000, "times": 1})");
    auto run = print(unpackableDocument(4 * 1024 * 1024), L"", L"--block 1048576 --quiet-blocks");
    logIn();
    HWND window = waitForWindow(L"Print Driver - Uploading Job");
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(gui::click(window, IDC_UPLOAD_STOP));
    answerMessageBox(L"Print Driver - Cancel Job Upload", L"&Yes");
    EXPECT_TRUE(gui::waitForWindowGone(window, kPatience));
    EXPECT_TRUE(clientSaid("stopped by the user", 2 * kPatience));
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    EXPECT_TRUE(recorder->lines().empty());
    EXPECT_TRUE(gui::waitUntil([&] { return system->jobFolders().empty(); }, kPatience)) << "the job folder goes";
    // The rest of the file was not sent, the provider keeps nothing and was asked to delete the job.
    EXPECT_EQ(1u, provider->requests("deleteJob").size());
    EXPECT_EQ(0u, provider->uploads().size());
}

TEST_F(ClientRoadTest, AnUpdateTakenIsDownloadedAndStartedInsteadOfTheJob) {
    // An optional update taken downloads the package, starts it and ends the client.
    std::wstring package = updatePackagePath();
    DeleteFileW(package.c_str());
    provider->answerMethod("checkClientVersion", R"({"versionSpec": {"update": "True", "critical": "False"}})", 1);
    auto run = print(lab::labDocument(1));
    logIn();
    answerMessageBox(L"Update Available", L"&Yes");
    answerMessageBox(L"Ready to Download", L"OK");
    EXPECT_TRUE(client->program().waitForExit(kPatience).has_value()) << "the client ends for the installer";
    std::vector<std::wstring> started = pagesOpened(1);
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(L"/i \"" + package + L"\"", lab::parametersOf(started[0]));
    EXPECT_EQ(
        lab::httpRequest(L"GET", provider->url(L"/brisvel/versions/250/site/kelo/download/Kelo%20Print%20Driver.msi"))
            .body,
        lab::readFileBytes(package));
    EXPECT_EQ(0u, provider->uploads().size()) << "the job is not processed";
    run->waitForEnd();
    DeleteFileW(package.c_str());
}

TEST_F(ClientRoadTest, VersionCheckErrorsAreToldLikeLoginErrorsAndAnUpdateAnsweredNoLetsTheJobGoOn) {
    provider->failMethod("checkClientVersion", "ERROR_VERSION", "The version cannot be checked", 1);
    auto run = print(lab::labDocument(1));
    logIn();
    EXPECT_EQ(L"The version cannot be checked", answerMessageBox(L"Login error", L"OK"));
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    EXPECT_TRUE(clientSaid("dropped: 0x80004005 The version cannot be checked"));

    provider->answerMethod("checkClientVersion", R"({"versionSpec": {"update": "True", "critical": "False"}})", 1);
    auto second = print(lab::labDocument(1));
    logIn();
    EXPECT_EQ(L"A Print Driver update is available on the server. Would you like to update now?",
              answerMessageBox(L"Update Available", L"&No"));
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, second->waitForEnd().value_or(99));
    EXPECT_EQ(0u, requestCount("prepareClientDownload"));
    EXPECT_EQ(1u, provider->uploads().size()) << "only the job after the update answered No";
}
