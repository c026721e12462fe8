// The road of a job when the provider fails it: not there at all, answers that are no
// answer documents, error statuses with a body, a connection that ends in the middle of
// an upload, and hostile answers (entities, depth, size, order page and update
// addresses). Nothing may be lost: each printed file either arrives whole at the
// provider, or the user was told and the file is still accounted for.
#include "road_fixture.h"

#include <algorithm>

#include "lab_text.h"

using namespace road;
namespace gui = lab::gui;

TEST_F(RoadTest, AnUnreachableProviderIsToldAtLoginAndTheJobStaysOnDisk) {
    startClient();
    const std::string document = lab::labDocument(2);
    {
        ServerAddressOverride closedPort(L"127.0.0.1:1");
        auto run = print(document);
        logIn();
        std::wstring told = answerMessageBox(L"Login error", L"&Retry");
        EXPECT_NE(L"", told) << "the user reads why the login failed";
        logIn();
        answerMessageBox(L"Login error", L"Cancel");
        EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
        EXPECT_TRUE(clientSaid("dropped: not logged in"));
        // The printed file is still where the engine put it, whole, and is not sent.
        std::vector<std::wstring> folders = system->jobFolders();
        ASSERT_EQ(1u, folders.size());
        EXPECT_TRUE(lab::readFileBytes(folders[0] + L"\\layout.ps") == document);
        EXPECT_TRUE(lab::fileExists(folders[0] + L"\\job.xml"));
        EXPECT_EQ(0u, provider->requests().size()) << "nothing reached the provider";
        EXPECT_TRUE(recorder->lines().empty());
    }
    // The provider is back: the next job asks for the login and arrives.
    const std::string next = lab::labDocument(1);
    auto run = print(next);
    logIn();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    expectArrivedWhole(0, next);
    EXPECT_TRUE(client->running());
}

TEST_F(RoadTest, MalformedAnswersAreErrorsThatTheUserCanRetry) {
    startClient();
    // A login answer that is not well-formed: a login error; Retry logs in.
    provider->script(R"({"method": "login", "malformed": true, "times": 1})");
    const std::string first = lab::labDocument(2);
    auto run = print(first);
    logIn();
    EXPECT_NE(L"", answerMessageBox(L"Login error", L"&Retry"));
    logIn();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    expectArrivedWhole(0, first);
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));

    // The upload request's answer broken in the middle of its text: the upload error
    // question; Retry asks again and the file arrives.
    provider->script(
        R"({"method": "uploadJob_nogui", "malformed": "<keloResult><method name=\"uploadJob_nogui\"><parameter", "times": 1})");
    const std::string second = lab::labDocument(3);
    auto again = print(second);
    std::wstring question = answerChoice(L"Retry the last action");
    EXPECT_NE(std::wstring::npos, question.find(L"The following error has occured")) << utf8(question);
    ASSERT_EQ(2u, pagesOpened(2).size()) << client->output();
    ASSERT_EQ(2u, provider->uploads().size());
    expectArrivedWhole(1, second);
    EXPECT_EQ(0u, again->waitForEnd().value_or(99));
    std::string uploadPath = provider->requests("uploadJob_nogui").at(2)["answer_fields"]["uploadPath"].text();
    EXPECT_EQ(uploadPath + "/New Job.ps", queryOf(lab::pageOf(recorder->lines()[1]))["filename"]);
    EXPECT_TRUE(system->jobFolders().empty());
}

TEST_F(RoadTest, AnAnswerWithoutTheAnswerDocumentIsNoSuccess) {
    startClient();
    // Well-formed, but an error page rather than an answer: no login.
    provider->script(R"({"method": "login", "status": 503, "content_type": "text/html",
                         "body": "<html><body>Service Unavailable</body></html>", "times": 1})");
    const std::string document = lab::labDocument(1);
    auto run = print(document);
    logIn();
    std::wstring told = answerMessageBox(L"Login error", L"&Retry");
    EXPECT_NE(L"", told);
    logIn();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    expectArrivedWhole(0, document);
    lab::JsonValue logins = provider->requests("login");
    ASSERT_EQ(2u, logins.size());
    EXPECT_EQ(503, logins.at(0)["status"].integer());
}

TEST_F(RoadTest, AnErrorStatusFromTheUploadEndpointIsAnUploadError) {
    startClient();
    provider->script(R"({"method": "upload", "status": 500, "body": "Disk full on the provider", "times": 1})");
    const std::string document = lab::labDocument(2);
    auto run = print(document);
    logIn();
    std::wstring question = answerChoice(L"Retry the last action");
    EXPECT_NE(std::wstring::npos, question.find(L"Unknown error")) << utf8(question);
    ASSERT_EQ(1u, pagesOpened(1).size()) << client->output();
    // What the endpoint refused is no upload of the job; the retried one is whole.
    ASSERT_GE(provider->uploads().size(), 1u);
    expectArrivedWhole(provider->uploads().size() - 1, document);
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    EXPECT_TRUE(system->jobFolders().empty());
}

TEST_F(RoadTest, AProviderThatStopsInTheMiddleOfAnUploadIsRetriedToTheWholeFile) {
    startClient();
    const std::string document = unpackableDocument(3 * 1024 * 1024);
    // The connection is reset after a megabyte, then closed after two.
    provider->script(R"({"method": "upload", "close_after": 2097152, "times": 1})");
    provider->script(R"({"method": "upload", "close_after": 1048576, "close": "reset", "times": 1})");
    auto run = print(document, L"", L"--block 65536 --quiet-blocks");
    logIn();
    answerChoice(L"Retry the last action");
    answerChoice(L"Retry the last action");
    ASSERT_EQ(1u, pagesOpened(1).size()) << client->output();
    lab::JsonValue uploads = provider->requests();
    std::vector<bool> complete;
    for (const lab::JsonValue& request : uploads.items())
        if (request["kind"].text() == "upload") complete.push_back(request["body_complete"].boolean());
    EXPECT_EQ((std::vector<bool>{false, false, true}), complete);
    ASSERT_EQ(1u, provider->uploads().size()) << "broken uploads are not kept";
    expectArrivedWhole(0, document);
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    EXPECT_TRUE(system->jobFolders().empty());
    EXPECT_TRUE(noWindow(L"Print Driver - Uploading Job"));
}

TEST_F(RoadTest, HostileAnswersAreRefusedAndNothingLeavesTheMachine) {
    // A local file whose text an external entity in an answer would carry to the provider.
    const std::string secret = "KELO-LOCAL-SECRET-4711";
    std::string secretUrl = "file:///" + utf8(documents.file(L"secret.txt"));
    lab::writeFileBytes(documents.file(L"secret.txt"), secret);
    std::replace(secretUrl.begin(), secretUrl.end(), '\\', '/');
    std::string nested = "<value>x</value>";
    for (int i = 0; i < 200; ++i) nested = "<parameter name='n'>" + nested + "</parameter>";
    const std::string port = std::to_string(provider->port());
    // The answers come through WinHTTP; each upload request is answered badly once, newest script first.
    provider->settings(R"({"protocol": "https://"})");
    provider->script(R"({"method": "uploadJob_nogui", "pad": 100000000, "times": 1})");
    provider->script(
        R"({"method": "uploadJob_nogui", "times": 1, "body": "<keloResult><method name='uploadJob_nogui'>)" + nested +
        R"(</method></keloResult>"})");
    provider->script(
        R"({"method": "uploadJob_nogui", "times": 1, "body": "<!DOCTYPE keloResult [<!ENTITY e SYSTEM ')" + secretUrl +
        R"('>]><keloResult><method name='uploadJob_nogui'><parameter name='returnCode'><value>OK</value></parameter><parameter name='uploadPath'><value>/uploads/&e;</value></parameter><parameter name='uploadPort'><value>)" +
        port + R"(</value></parameter></method></keloResult>"})");
    // The order page's address holds blanks, quotation marks and a flag for the browser.
    provider->answerMethod("getCallUrl", R"({"callUrl": "/o.asp?a=1 \"q\" --some-flag"})", 1);
    startClient();
    const std::string document = lab::labDocument(2);
    auto run = print(document);
    logIn();
    for (const wchar_t* reason : {L"document type declaration", L"nested too deeply", L"larger than 16777216 bytes"}) {
        std::wstring question = answerChoice(L"Retry the last action");
        EXPECT_NE(std::wstring::npos, question.find(reason)) << utf8(question);
    }
    std::vector<std::wstring> pages = pagesOpened(1);
    ASSERT_EQ(1u, pages.size()) << client->output();
    expectArrivedWhole(0, document);
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    // The browser got the address as one argument, its blanks and quotation marks encoded.
    std::wstring parameters = lab::parametersOf(pages[0]);
    EXPECT_EQ(0u, parameters.find(L"\"" + provider->url(L"/o.asp?a=1%20%22q%22%20--some-flag&encrypt=1&", true)))
        << utf8(parameters);
    EXPECT_EQ(parameters.size() - 1, parameters.find(L'"', 1)) << utf8(parameters);
    lab::JsonValue requests = provider->requests();
    for (const lab::JsonValue& request : requests.items())
        EXPECT_EQ(std::string::npos, request["body"].text().find(secret)) << request["method"].text();
    EXPECT_EQ(std::wstring::npos, pages[0].find(lab::fromUtf8(secret)));
}

TEST_F(RoadTest, UpdatesComeOnlyFromWebAddressesAndWhatCannotStartIsToldToTheUser) {
    startClient();
    auto offerUpdate = [&](const char* critical, const std::string& downloadUrl) {
        provider->answerMethod(
            "checkClientVersion",
            R"({"versionSpec": {"update": "True", "critical": ")" + std::string(critical) + R"(")" + downloadUrl + "}}",
            1);
    };
    // A critical update from a local file is not fetched: the download error, the job waits for the next login.
    offerUpdate("True", R"(, "downloadUrl": "file:///C:/windows/system32/calc.exe")");
    auto first = print(lab::labDocument(1));
    logIn();
    answerMessageBox(L"Update Required", L"OK");
    EXPECT_EQ(0u, answerMessageBox(L"Download Error", L"OK").find(L"The Print Driver cannot process your print Job"));
    EXPECT_EQ(0u, first->waitForEnd().value_or(99));
    {
        // A critical update whose package cannot be started: the user gets its path, the client stays.
        lab::FileAssociation noInstaller(L".msi", L"Lab.MissingInstaller",
                                         L"\"C:\\no such folder\\msiexec.exe\" /i \"%1\"");
        offerUpdate("True", "");
        auto second = print(lab::labDocument(1));
        logIn();
        answerMessageBox(L"Update Required", L"OK");
        answerMessageBox(L"Ready to Download", L"OK");
        std::wstring told = answerMessageBox(L"Print Driver - Error", L"OK");
        EXPECT_NE(std::wstring::npos, told.find(L"Kelo Print Driver.msi")) << utf8(told);
        EXPECT_EQ(0u, second->waitForEnd().value_or(99));
        EXPECT_TRUE(client->running());
    }
    {
        // An optional update from a network path is not fetched and the job goes on; a browser
        // that cannot be started leaves the user the order page's address.
        lab::FileAssociation noBrowser(L".htm", L"Lab.MissingBrowser",
                                       L"\"C:\\no such folder\\missing browser.exe\" \"%1\"");
        offerUpdate("False", R"(, "downloadUrl": "\\\\127.0.0.1\\share\\Kelo Print Driver.msi")");
        const std::string document = lab::labDocument(2);
        auto third = print(document);
        logIn();
        answerMessageBox(L"Update Available", L"&Yes");
        EXPECT_EQ(0u,
                  answerMessageBox(L"Download Error", L"OK").find(L"An error occurred while downloading the update"));
        std::wstring told = answerMessageBox(L"Print Driver - Error", L"OK");
        EXPECT_NE(
            std::wstring::npos,
            told.find(provider->url(L"/brisvel/versions/250/site/kelo/services/web/printdriver/order.asp?session=lab")))
            << utf8(told);
        expectArrivedWhole(0, document);
        EXPECT_EQ(0u, third->waitForEnd().value_or(99));
    }
    EXPECT_EQ(1u, requestCount("prepareClientDownload")) << "only the http address was fetched";
    EXPECT_TRUE(recorder->lines().empty()) << "no installer and no browser was started";
    EXPECT_TRUE(client->running());
}
