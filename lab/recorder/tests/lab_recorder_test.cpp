// The recorder's smoke test: while it stands in for the browser, opening a page through
// the shell starts it, and it records the page it was given.
#include "handles.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_text.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>

using namespace lab;

TEST(Recorder, OpensAPageAsTheBrowserAndRecordsIt) {
    TempFolder folder{L"recorder"};
    RecorderLog log{folder.file(L"recorder.log")};
    const std::wstring page = folder.file(L"order.htm");
    writeFileBytes(page, "<html></html>");
    FileAssociation association = recorderAsBrowser();

    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = page.c_str();
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&info));
    KernelHandle process(info.hProcess);

    ASSERT_TRUE(log.waitForLines(1));
    std::vector<std::wstring> lines = log.lines();
    ASSERT_EQ(1u, lines.size());
    std::wstring parameter = parametersOf(lines[0]);
    CharLowerW(parameter.data());  // the shell may pass the short name
    EXPECT_NE(std::wstring::npos, parameter.find(L"order.htm")) << toUtf8(lines[0]);
}
