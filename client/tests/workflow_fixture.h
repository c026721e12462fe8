#pragma once
// The fixture of the job workflow's end-to-end tests: the whole system installed in the
// lab prefix for the suite (engine, web and registry components, monitor, a printer
// pointing at the provider stand-in, the recorder as the browser and package starter),
// and for every test the client running and a fresh recorder log. Documents go through
// the spooler stand-in; the user is played through window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_workflow.h"
#include "provider_client.h"

namespace workflowtest {

extern const wchar_t kPrinter[];  // the printer of the suite

class WorkflowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Prints the document through the spooler stand-in; the run goes on in its own process.
    std::unique_ptr<lab::PrintRun> print(const std::string& document, const std::wstring& extraArguments = L"");
    // Waits for the login dialog and logs in.
    void logIn(const std::wstring& user = L"alice", const std::wstring& password = L"secret");
    HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs = 30000, HWND excluding = nullptr);
    // Waits for a message box and answers it with the button of that text.
    std::wstring answerMessageBox(const std::wstring& caption, const std::wstring& button);
    // Picks an answer of the choice question (by its text) and presses OK.
    void answerChoice(const std::wstring& answer);

    // The pages opened in the browser (the recorder's lines), waited for.
    std::vector<std::wstring> pagesOpened(size_t atLeast, DWORD timeoutMs = 30000);
    // The client's log contains the text (waited for).
    bool clientSaid(const std::string& text, DWORD timeoutMs = 30000);
    // The number of requests of a server method so far.
    size_t requestCount(const std::string& method);

    static std::unique_ptr<lab::ProviderStandIn> provider;
    static std::unique_ptr<lab::InstalledSystem> system;
    std::unique_ptr<lab::RecorderLog> recorder;
    std::unique_ptr<lab::RunningClient> client;
    lab::TempFolder documents{L"kelo-workflow"};
};

// The query of a page address: each name with its value, percent-decoded (UTF-8).
std::map<std::string, std::string> queryOf(const std::wstring& url);
// The address part of a page, before its "?".
std::wstring addressOf(const std::wstring& url);
std::string utf8(const std::wstring& text);

}  // namespace workflowtest
