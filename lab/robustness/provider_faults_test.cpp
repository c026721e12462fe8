// The road of a job when the provider fails it: not there at all, answers that are no
// answer documents, error statuses with a body, and a connection that ends in the middle
// of an upload. Nothing may be lost: each printed file either arrives whole at the
// provider, or the user was told and the file is still accounted for.
#include "road_fixture.h"

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
    provider->script(R"({"method": "uploadJob_nogui", "malformed": "<keloResult><method name=\"uploadJob_nogui\"><parameter", "times": 1})");
    const std::string second = lab::labDocument(3);
    auto again = print(second);
    std::wstring question = answerChoice(L"Retry the last action");
    EXPECT_NE(std::wstring::npos, question.find(L"The following error has occured")) << utf8(question);
    ASSERT_EQ(2u, pagesOpened(2).size()) << client->output();
    ASSERT_EQ(2u, provider->uploads().size());
    expectArrivedWhole(1, second);
    EXPECT_EQ(0u, again->waitForEnd().value_or(99));
    std::string uploadPath = provider->requests("uploadJob_nogui").at(2)["answer_fields"]["uploadPath"].text();
    EXPECT_EQ(uploadPath + "/New Job.ps", queryOf(lab::parametersOf(recorder->lines()[1]))["filename"]);
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
