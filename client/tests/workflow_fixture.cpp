#include "workflow_fixture.h"

#include <iostream>

#include "lab_engine.h"
#include "lab_process.h"
#include "lab_text.h"
#include "resource_ids.h"

namespace gui = lab::gui;

namespace workflowtest {

const wchar_t kPrinter[] = L"Kelo Workflow Site";

std::unique_ptr<lab::ProviderStandIn> WorkflowTest::provider;
std::unique_ptr<lab::InstalledSystem> WorkflowTest::system;

void WorkflowTest::SetUpTestSuite() {
    provider = std::make_unique<lab::ProviderStandIn>();
    lab::SystemSetup setup;
    setup.programFolder = lab::programFolder();
    setup.printer = kPrinter;
    setup.serverAddress = L"127.0.0.1:" + std::to_wstring(provider->port());
    system = std::make_unique<lab::InstalledSystem>(setup);
}

void WorkflowTest::TearDownTestSuite() {
    system.reset();
    provider.reset();
}

void WorkflowTest::SetUp() {
    ASSERT_TRUE(system && provider);
    provider->reset();
    system->removeJobFolders();
    recorder = std::make_unique<lab::RecorderLog>(documents.file(L"recorder.log"));
    client = std::make_unique<lab::RunningClient>(lab::programFolder());
}

void WorkflowTest::TearDown() {
    if (HasFailure() && client) std::cout << "client output:\n" << client->output() << std::endl;
    client.reset();
    // A server that holds a printer's driver stays up for good; no test hands it on.
    lab::endEngineServers();
    recorder.reset();
}

std::unique_ptr<lab::PrintRun> WorkflowTest::print(const std::string& document, const std::wstring& extraArguments) {
    static int serial = 0;
    std::wstring file = documents.file(L"document" + std::to_wstring(++serial) + L".ps");
    lab::writeFileBytes(file, document);
    return std::make_unique<lab::PrintRun>(lab::programFolder(), kPrinter, file, L"", extraArguments);
}

HWND WorkflowTest::waitForWindow(const std::wstring& caption, DWORD timeoutMs, HWND excluding) {
    HWND window = client->waitForWindow(caption, timeoutMs, excluding);
    EXPECT_NE(nullptr, window) << "no window \"" << utf8(caption) << "\"";
    return window;
}

void WorkflowTest::logIn(const std::wstring& user, const std::wstring& password) {
    HWND dialog = waitForWindow(L"Print Driver - Login");
    ASSERT_NE(nullptr, dialog);
    gui::clearText(GetDlgItem(dialog, IDC_LOGIN_USER));
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_USER), user);
    gui::clearText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD));
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), password);
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_TRUE(gui::waitForWindowGone(dialog));
}

std::wstring WorkflowTest::answerMessageBox(const std::wstring& caption, const std::wstring& button) {
    HWND box = waitForWindow(caption);
    if (!box) return L"<no message box>";
    std::wstring text = gui::messageBoxText(box);
    EXPECT_TRUE(gui::click(gui::childWithText(box, button))) << "no button " << utf8(button);
    EXPECT_TRUE(gui::waitForWindowGone(box));
    return text;
}

void WorkflowTest::answerChoice(const std::wstring& answer) {
    HWND question = waitForWindow(L"Print Driver - Error!");
    ASSERT_NE(nullptr, question);
    HWND option = gui::childWithText(question, answer);
    ASSERT_NE(nullptr, option) << "no answer " << utf8(answer);
    SendMessageW(option, BM_CLICK, 0, 0);
    ASSERT_TRUE(gui::isChecked(option));
    ASSERT_TRUE(gui::click(question, IDOK));
    EXPECT_TRUE(gui::waitForWindowGone(question));
}

std::vector<std::wstring> WorkflowTest::pagesOpened(size_t atLeast, DWORD timeoutMs) {
    recorder->waitForLines(atLeast, timeoutMs);
    return recorder->lines();
}

bool WorkflowTest::clientSaid(const std::string& text, DWORD timeoutMs) { return client->waitForOutput(text, timeoutMs); }

size_t WorkflowTest::requestCount(const std::string& method) { return provider->requests(method).size(); }

std::string utf8(const std::wstring& text) { return lab::toUtf8(text); }

std::wstring addressOf(const std::wstring& url) { return url.substr(0, url.find(L'?')); }

std::map<std::string, std::string> queryOf(const std::wstring& url) {
    std::map<std::string, std::string> fields;
    size_t question = url.find(L'?');
    if (question == std::wstring::npos) return fields;
    std::string query = utf8(url.substr(question + 1));
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string pair = query.substr(start, end - start);
        size_t equals = pair.find('=');
        std::string name = pair.substr(0, equals), value;
        std::string raw = equals == std::string::npos ? "" : pair.substr(equals + 1);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size()) {
                value += (char)std::stoi(raw.substr(i + 1, 2), nullptr, 16);
                i += 2;
            } else {
                value += raw[i];
            }
        }
        if (!name.empty()) fields[name] = value;
        start = end + 1;
    }
    return fields;
}

}  // namespace workflowtest
