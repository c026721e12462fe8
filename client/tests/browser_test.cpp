// The program found for web pages. (Pages opened in the program the association names
// are seen on the road, with the lab's recorder as the browser.)
#include <gtest/gtest.h>

#include "browser.h"
#include "lab_registry.h"

TEST(Browser, TheAssociationAnswerIsMadeIntoAProgramPath) {
    EXPECT_EQ("C:\\Program Files\\Web\\web.exe", browserProgramOf("  C:\\Program Files\\Web\\web.exe \r\n"));
    EXPECT_EQ("C:\\Web\\WEB.EXE", browserProgramOf("C:\\Web\\WEB.EXE -nohome"));
    EXPECT_EQ("C:\\Program Files\\Web\\web.exe", browserProgramOf("\"C:\\Program Files\\Web\\web.exe\" \"%1\""));
    EXPECT_EQ("C:\\a.exe", browserProgramOf("C:\\a.exe.exe")) << "cut after the first .exe";
    EXPECT_EQ("", browserProgramOf("   "));
}

TEST(Browser, WithoutAProgramForWebPagesInternetExplorerIsTheFallback) {
    lab::RegistryBackup extension(HKEY_CLASSES_ROOT, L".htm");
    lab::deleteRegistryTree(HKEY_CLASSES_ROOT, L".htm");
    EXPECT_EQ(L"iexplore.exe", findBrowser(true));
    EXPECT_EQ(L"", findBrowser(false));
}
