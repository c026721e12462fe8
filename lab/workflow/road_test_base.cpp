#include "road_test_base.h"

#include <iostream>

#include "lab_engine.h"
#include "lab_process.h"
#include "lab_text.h"
#include "resource_ids.h"

namespace lab {

std::unique_ptr<ProviderStandIn> RoadTestBase::provider;
std::unique_ptr<InstalledSystem> RoadTestBase::system;

RoadTestBase::RoadTestBase(const std::wstring& folderName, bool clientStartsInSetUp, const RoadPatience& patience)
    : documents(folderName), m_clientStartsInSetUp(clientStartsInSetUp), m_patience(patience) {}

void RoadTestBase::installSystem(const std::wstring& printer) {
    provider = std::make_unique<ProviderStandIn>();
    SystemSetup setup;
    setup.programFolder = programFolder();
    setup.printer = printer;
    setup.serverAddress = L"127.0.0.1:" + std::to_wstring(provider->port());
    system = std::make_unique<InstalledSystem>(setup);
}

void RoadTestBase::TearDownTestSuite() {
    system.reset();
    provider.reset();
}

void RoadTestBase::SetUp() {
    ASSERT_TRUE(system && provider);
    provider->reset();
    system->removeJobFolders();
    recorder = std::make_unique<RecorderLog>(documents.file(L"recorder.log"));
    if (m_clientStartsInSetUp) startClient();
}

void RoadTestBase::TearDown() {
    if (HasFailure() && client) std::cout << "client output:\n" << client->output() << std::endl;
    client.reset();
    // A server that holds a printer's driver stays up for good; no test hands it on.
    endEngineServers();
    recorder.reset();
}

void RoadTestBase::startClient(const std::wstring& folder) {
    client = std::make_unique<RunningClient>(folder.empty() ? programFolder() : folder);
}

std::unique_ptr<PrintRun> RoadTestBase::print(const std::string& document, const std::wstring& documentName,
                                              const std::wstring& extraArguments) {
    static int serial = 0;
    std::wstring file = documents.file(L"document" + std::to_wstring(++serial) + L".ps");
    writeFileBytes(file, document);
    return std::make_unique<PrintRun>(programFolder(), system->setup().printer, file, documentName, extraArguments);
}

HWND RoadTestBase::waitForWindow(const std::wstring& caption, DWORD timeoutMs, HWND excluding) {
    HWND window = client->waitForWindow(caption, timeoutMs, excluding);
    EXPECT_NE(nullptr, window) << "no window \"" << utf8(caption) << "\"";
    return window;
}

void RoadTestBase::logIn(const std::wstring& user, const std::wstring& password, const std::wstring& caption) {
    HWND dialog = waitForWindow(caption);
    ASSERT_NE(nullptr, dialog);
    gui::clearText(GetDlgItem(dialog, IDC_LOGIN_USER));
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_USER), user);
    gui::clearText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD));
    gui::typeText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), password);
    ASSERT_TRUE(gui::click(dialog, IDOK));
    EXPECT_TRUE(gui::waitForWindowGone(dialog, m_patience.windowGone));
}

std::wstring RoadTestBase::answerMessageBox(const std::wstring& caption, const std::wstring& button) {
    HWND box = waitForWindow(caption);
    if (!box) return L"<no message box>";
    std::wstring text = gui::messageBoxText(box);
    EXPECT_TRUE(gui::click(gui::childWithText(box, button))) << "no button " << utf8(button);
    EXPECT_TRUE(gui::waitForWindowGone(box, m_patience.windowGone));
    return text;
}

std::wstring RoadTestBase::answerChoice(const std::wstring& answer) {
    HWND question = waitForWindow(L"Print Driver - Error!", m_patience.question);
    if (!question) return L"<no question>";
    std::wstring text = gui::textOf(GetDlgItem(question, IDC_CHOOSE_MESSAGE));
    HWND option = gui::childWithText(question, answer);
    EXPECT_NE(nullptr, option) << "no answer " << utf8(answer);
    if (!option) return text;
    SendMessageW(option, BM_CLICK, 0, 0);
    EXPECT_TRUE(gui::isChecked(option));
    EXPECT_TRUE(gui::click(question, IDOK));
    EXPECT_TRUE(gui::waitForWindowGone(question, m_patience.windowGone));
    return text;
}

std::vector<std::wstring> RoadTestBase::pagesOpened(size_t atLeast, DWORD timeoutMs) {
    recorder->waitForLines(atLeast, timeoutMs);
    return recorder->lines();
}

bool RoadTestBase::clientSaid(const std::string& text, DWORD timeoutMs) {
    return client->waitForOutput(text, timeoutMs);
}

size_t RoadTestBase::requestCount(const std::string& method) { return provider->requests(method).size(); }

std::string utf8(const std::wstring& text) { return toUtf8(text); }

std::map<std::string, std::string> queryOf(const std::wstring& url) {
    std::map<std::string, std::string> fields;
    size_t question = url.find(L'?');
    if (question == std::wstring::npos) return fields;
    std::string query = utf8(url.substr(question + 1)) + "&", name, value, *part = &name;
    for (size_t i = 0; i < query.size(); ++i) {
        if (query[i] == '&') {
            if (!name.empty()) fields[name] = value;
            name.clear(), value.clear(), part = &name;
        } else if (query[i] == '=' && part == &name) {
            part = &value;
        } else if (query[i] == '%' && i + 3 < query.size()) {
            *part += (char)std::stoi(query.substr(i + 1, 2), nullptr, 16), i += 2;
        } else {
            *part += query[i] == '+' ? ' ' : query[i];
        }
    }
    return fields;
}

std::string unpackableDocument(size_t size) {
    std::string bytes = "%!PS-Adobe-3.0\r\n%%Pages: 1\r\n%%EndComments\r\n";
    unsigned long state = 12345;
    bytes.reserve(size);
    while (bytes.size() < size) {
        state = state * 1103515245UL + 12345UL;
        bytes += (char)(state >> 16);
    }
    return bytes;
}

}  // namespace lab
