#pragma once
// The base of the fixtures that drive the whole road of a print job: the whole system
// installed in the lab prefix for a suite (engine, web and registry components, monitor,
// a printer pointing at the provider stand-in, the recorder as the browser and package
// starter), and for every test a fresh recorder log and, if the fixture wants it, the
// client running. Documents go through the spooler stand-in; the user is played through
// window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_road.h"
#include "provider_client.h"

namespace lab {

// How long the robot waits where a test does not say.
struct RoadPatience {
    DWORD window;      // for a window of the client
    DWORD windowGone;  // for an answered window to go
    DWORD question;    // for the upload error question
    DWORD pages;       // for pages opened in the browser
    DWORD output;      // for a text in the client's log
};

class RoadTestBase : public ::testing::Test {
protected:
    RoadTestBase(const std::wstring& folderName, bool clientStartsInSetUp, const RoadPatience& patience);

    // For the fixture's SetUpTestSuite: the provider stand-in and the system with this printer.
    static void installSystem(const std::wstring& printer);
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the client (from the test's own folder unless told otherwise).
    void startClient(const std::wstring& programFolder = std::wstring());
    // Writes the document into the test's folder and prints it to the suite's printer
    // through the spooler stand-in in its own process.
    std::unique_ptr<PrintRun> print(const std::string& document, const std::wstring& documentName = L"",
                                    const std::wstring& extraArguments = L"");
    // Waits for the login dialog and logs in.
    void logIn(const std::wstring& user = L"alice", const std::wstring& password = L"secret",
               const std::wstring& caption = L"Print Driver - Login");
    HWND waitForWindow(const std::wstring& caption) { return waitForWindow(caption, m_patience.window); }
    HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs, HWND excluding = nullptr);
    // Waits for a message box, answers it with the button of that text and gives its text.
    std::wstring answerMessageBox(const std::wstring& caption, const std::wstring& button);
    // Picks an answer of the upload error question (by its text), presses OK and gives
    // the question's text.
    std::wstring answerChoice(const std::wstring& answer);

    // The pages opened in the browser (the recorder's lines), waited for.
    std::vector<std::wstring> pagesOpened(size_t atLeast) { return pagesOpened(atLeast, m_patience.pages); }
    std::vector<std::wstring> pagesOpened(size_t atLeast, DWORD timeoutMs);
    // The client's log contains the text (waited for).
    bool clientSaid(const std::string& text) { return clientSaid(text, m_patience.output); }
    bool clientSaid(const std::string& text, DWORD timeoutMs);
    // The number of requests of a server method so far.
    size_t requestCount(const std::string& method);

    static std::unique_ptr<ProviderStandIn> provider;
    static std::unique_ptr<InstalledSystem> system;
    std::unique_ptr<RecorderLog> recorder;
    std::unique_ptr<RunningClient> client;
    TempFolder documents;

private:
    const bool m_clientStartsInSetUp;
    const RoadPatience m_patience;
};

// The query of a page address: each name with its value, decoded (UTF-8).
std::map<std::string, std::string> queryOf(const std::wstring& url);
std::string utf8(const std::wstring& text);
// A PostScript document of about the given size whose bytes do not pack.
std::string unpackableDocument(size_t size);

}  // namespace lab
