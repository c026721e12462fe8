#pragma once
// The fixture of the robustness tests: the whole system installed in the lab prefix for
// a suite (engine, web and registry components, monitor, a printer pointing at the
// provider stand-in, the recorder as the browser), a fresh recorder log for every test,
// and the client started by the test (some tests start it in an altered setting).
// Documents go through the spooler stand-in; the user is played through window messages.
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

namespace road {

extern const wchar_t kPrinter[];  // the printer of the suite, on port "ZOLT0"

class RoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the client (from the test's own folder unless told otherwise).
    void startClient(const std::wstring& programFolder = std::wstring());
    // Writes the document into the test's folder and prints it through the spooler
    // stand-in in its own process.
    std::unique_ptr<lab::PrintRun> print(const std::string& document, const std::wstring& documentName = L"",
                                         const std::wstring& extraArguments = L"",
                                         const std::wstring& printer = kPrinter);
    // Waits for the login dialog and logs in.
    void logIn(const std::wstring& user = L"alice", const std::wstring& password = L"secret",
               const std::wstring& caption = L"Print Driver - Login");
    HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs = 30000, HWND excluding = nullptr);
    // Waits for a message box, answers it with the button of that text and gives its text.
    std::wstring answerMessageBox(const std::wstring& caption, const std::wstring& button);
    // Picks an answer of the upload error question (by its text), presses OK and gives
    // the question's text.
    std::wstring answerChoice(const std::wstring& answer);

    // The pages opened in the browser (the recorder's lines), waited for.
    std::vector<std::wstring> pagesOpened(size_t atLeast, DWORD timeoutMs = 60000);
    bool clientSaid(const std::string& text, DWORD timeoutMs = 30000);
    size_t requestCount(const std::string& method);
    // The upload's file as the provider keeps it (unpacked) equals the document.
    void expectArrivedWhole(size_t upload, const std::string& document);
    // No window of the client with this caption is showing.
    bool noWindow(const std::wstring& caption);

    static std::unique_ptr<lab::ProviderStandIn> provider;
    static std::unique_ptr<lab::InstalledSystem> system;
    std::unique_ptr<lab::RecorderLog> recorder;
    std::unique_ptr<lab::RunningClient> client;
    lab::TempFolder documents{L"kelo-road"};
};

// The query of a page address: each name with its value, percent-decoded (UTF-8).
std::map<std::string, std::string> queryOf(const std::wstring& url);
std::string utf8(const std::wstring& text);
// A PostScript document of about the given size whose bytes do not pack.
std::string unpackableDocument(size_t size);
// The driver data value "keloServerIp" of the suite's printer, replaced for the life of
// the object.
class ServerAddressOverride {
public:
    explicit ServerAddressOverride(const std::wstring& address);
    ~ServerAddressOverride();
    ServerAddressOverride(const ServerAddressOverride&) = delete;
    ServerAddressOverride& operator=(const ServerAddressOverride&) = delete;

private:
    std::wstring saved_;
};

}  // namespace road
