// The road of print jobs through the whole system in the lab: the spooler stand-in
// prints to a printer of this system, the monitor hands the document to the registered
// engine, the client logs the user in, uploads the file to the provider stand-in and
// opens the order page in the recording browser; the user is played by the robot.
#include "workflow_fixture.h"

#include "lab_engine.h"
#include "lab_process.h"
#include "lab_text.h"
#include "resource_ids.h"

using namespace workflowtest;
namespace gui = lab::gui;

namespace {

// What the server undoes: code unit i of a credential raised by 10 + i mod 10.
std::wstring scrambled(const std::wstring& text) {
    std::wstring result = text;
    for (size_t i = 0; i < result.size(); ++i) result[i] = (wchar_t)(result[i] + 10 + i % 10);
    return result;
}

// The document name the engine gives every job in the lab (see lab/README.md).
const wchar_t kLabJobName[] = L"New Job";

}  // namespace

TEST_F(WorkflowTest, AJobBeforeLoginAsksForTheLoginAndEndsOnTheOrderPage) {
    const std::string document = lab::labDocument(3);
    auto run = print(document);
    logIn(L"alice", L"secret");
    EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();

    std::vector<std::wstring> pages = pagesOpened(1);
    ASSERT_EQ(1u, pages.size()) << client->output();
    // The file arrived zipped and unpacks to the printed PostScript, named after the job.
    lab::JsonValue uploads = provider->uploads();
    ASSERT_EQ(1u, uploads.size());
    EXPECT_EQ(document, provider->uploadedFile(0));
    EXPECT_EQ(std::string("New Job.ps"), provider->uploads().at(0)["field_values"]["filename"].text());
    EXPECT_EQ("1", uploads.at(0)["field_values"]["zip"].text());
    std::string uploadPath = uploads.at(0)["field_values"]["outPath"].text();
    EXPECT_TRUE(system->jobFolders().empty()) << "the job folder is gone";

    // The browser got the call URL with the job's fields.
    std::wstring page = lab::parametersOf(pages[0]);
    std::wstring callUrl = provider->url(L"/brisvel/versions/250/site/kelo/services/web/printdriver/order.asp?session=lab");
    EXPECT_EQ(0u, page.find(callUrl + L"&encrypt=1&username=")) << utf8(page);
    std::map<std::string, std::string> query = queryOf(page);
    EXPECT_EQ(utf8(scrambled(L"alice")), query["username"]);
    EXPECT_EQ(utf8(scrambled(L"secret")), query["password"]);
    EXPECT_EQ("loc_0", query["localizationsection"]);
    EXPECT_EQ(uploadPath + "/New Job.ps", query["filename"]);
    // What the provider's order page reads from it.
    lab::HttpReply reply = lab::httpRequest(L"GET", page);
    EXPECT_EQ(200u, reply.status);
    lab::JsonValue visits = provider->control(L"GET", "requests?bodies=0");
    const lab::JsonValue& visit = visits.at(visits.size() - 1);
    EXPECT_EQ("alice", visit["credentials"]["username"].text());
    EXPECT_EQ("secret", visit["credentials"]["password"].text());
}
