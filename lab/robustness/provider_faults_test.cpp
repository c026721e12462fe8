// The road of a job when the provider fails it: not there at all, or offering an update
// from an address that is no web address. Nothing may be lost: each printed file either
// arrives whole at the provider, or the user was told and the file is still on disk.
// (Hostile answers - entities, depth, size, order page addresses - are refused by the web
// component, whose suites prove each.)
#include "road_fixture.h"

#include "lab_printers.h"
#include "lab_registry.h"
#include "lab_text.h"

using namespace road;

TEST_F(RoadTest, AnUnreachableProviderIsToldAtLoginAndTheJobStaysOnDisk) {
    startClient();
    const std::string document = lab::labDocument(2);
    {
        const std::wstring driverData =
            std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + kPrinter + L"\\PrinterDriverData";
        lab::RegistryBackup saved(HKEY_LOCAL_MACHINE, driverData);
        lab::writeRegistryString(HKEY_LOCAL_MACHINE, driverData, lab::kServerIpValue, L"127.0.0.1:1");
        auto run = print(document);
        logIn();
        EXPECT_NE(L"", answerMessageBox(L"Login error", L"&Retry")) << "the user reads why the login failed";
        logIn();
        answerMessageBox(L"Login error", L"Cancel");
        EXPECT_EQ(0u, run->waitForEnd().value_or(99)) << run->output();
        EXPECT_TRUE(clientSaid("dropped: not logged in"));
        std::vector<std::wstring> folders = system->jobFolders();
        ASSERT_EQ(1u, folders.size());
        EXPECT_TRUE(lab::readFileBytes(folders[0] + L"\\layout.ps") == document);
        EXPECT_EQ(0u, provider->requests().size()) << "nothing reached the provider";
    }
    // The provider is back: the next job asks for the login and arrives.
    const std::string next = lab::labDocument(1);
    auto run = print(next);
    logIn();
    EXPECT_EQ(1u, pagesOpened(1).size()) << client->output();
    EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    expectArrivedWhole(0, next);
}

TEST_F(RoadTest, UpdatesComeOnlyFromWebAddresses) {
    startClient();
    struct Offer {
        const char* critical;
        const char* downloadUrl;
        const wchar_t* question;
        const wchar_t* answer;
        const wchar_t* told;
        bool arrives;  // an optional update goes on with the job, a critical one drops it
    } offers[] = {
        {"True", "file:///C:/windows/system32/calc.exe", L"Update Required", L"OK",
         L"The Print Driver cannot process your print Job", false},
        {"False", R"(\\\\127.0.0.1\\share\\Kelo Print Driver.msi)", L"Update Available", L"&Yes",
         L"An error occurred while downloading the update", true},
    };
    size_t arrived = 0;
    for (const Offer& offer : offers) {
        SCOPED_TRACE(offer.downloadUrl);
        provider->answerMethod("checkClientVersion",
                               std::string(R"({"versionSpec": {"update": "True", "critical": ")") + offer.critical +
                                   R"(", "downloadUrl": ")" + offer.downloadUrl + R"("}})",
                               1);
        const std::string document = lab::labDocument(1);
        auto run = print(document);
        logIn();
        answerMessageBox(offer.question, offer.answer);
        EXPECT_EQ(0u, answerMessageBox(L"Download Error", L"OK").find(offer.told));
        if (offer.arrives) {
            ++arrived;
            ASSERT_EQ(arrived, pagesOpened(arrived).size()) << client->output();
            expectArrivedWhole(arrived - 1, document);
        }
        EXPECT_EQ(0u, run->waitForEnd().value_or(99));
    }
    EXPECT_EQ(0u, requestCount("prepareClientDownload")) << "nothing was fetched";
    EXPECT_EQ(arrived, recorder->lines().size()) << "no installer was started";
    EXPECT_TRUE(client->running());
}
