// Opening pages: the program found for web pages, and the starts with the lab's
// recorder standing in for the browser.
#include <gtest/gtest.h>

#include "browser.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_text.h"

TEST(Browser, TheAssociationAnswerIsMadeIntoAProgramPath) {
    EXPECT_EQ("C:\\Program Files\\Web\\web.exe", browserProgramOf("  C:\\Program Files\\Web\\web.exe \r\n"));
    EXPECT_EQ("C:\\Web\\WEB.EXE", browserProgramOf("C:\\Web\\WEB.EXE -nohome"));
    EXPECT_EQ("C:\\Program Files\\Web\\web.exe", browserProgramOf("\"C:\\Program Files\\Web\\web.exe\" \"%1\""))
        << "the quotes go, the last letter stays";
    EXPECT_EQ("C:\\a.exe", browserProgramOf("C:\\a.exe.exe")) << "cut after the first .exe";
    EXPECT_EQ("", browserProgramOf("   "));
}

TEST(Browser, TheDefaultBrowserIsTheProgramForWebPages) {
    std::wstring recorder = lab::recorderProgram();
    lab::FileAssociation association(L".htm", L"KeloTest.WebPage", lab::openCommandFor(recorder));
    std::wstring found = findBrowser(true);
    EXPECT_TRUE(lab::equalsNoCase(recorder, found)) << lab::toUtf8(found);
    EXPECT_TRUE(lab::fileExists(L"C:\\temphtm.HTM")) << "the probe file stays";

    lab::TempFolder logs(L"kelo-browser");
    lab::RecorderLog log(logs.file(L"recorded.log"));
    runURLExternal(L"http://orders.example.com/call?filename=a%20b.ps&username=anna");
    ASSERT_TRUE(log.waitForLines(1));
    EXPECT_EQ(L"http://orders.example.com/call?filename=a%20b.ps&username=anna", lab::parametersOf(log.lines()[0]));
}

TEST(Browser, WithoutAProgramForWebPagesInternetExplorerIsTheFallback) {
    lab::RegistryBackup extension(HKEY_CLASSES_ROOT, L".htm");
    lab::deleteRegistryTree(HKEY_CLASSES_ROOT, L".htm");
    EXPECT_EQ(L"iexplore.exe", findBrowser(true));
    EXPECT_EQ(L"", findBrowser(false));
}
