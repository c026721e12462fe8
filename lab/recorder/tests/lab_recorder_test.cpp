#include "handles.h"
#include "lab_paths.h"
#include "lab_process.h"
#include "lab_recorder.h"
#include "lab_registry.h"
#include "lab_text.h"

#include <gtest/gtest.h>
#include <shellapi.h>

using namespace lab;

namespace {

// FindExecutable into a poisoned buffer; empty when it finds nothing.
std::wstring findExecutable(const std::wstring& file) {
    wchar_t result[MAX_PATH];
    std::fill(std::begin(result), std::end(result), L'\xdead');
    INT_PTR status = (INT_PTR)FindExecutableW(file.c_str(), nullptr, result);
    if (status <= 32) return {};
    return result;
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
    wchar_t longA[MAX_PATH] = {}, longB[MAX_PATH] = {};
    GetLongPathNameW(a.c_str(), longA, MAX_PATH);
    GetLongPathNameW(b.c_str(), longB, MAX_PATH);
    return equalsNoCase(longA, longB);
}

// Starts through ShellExecuteEx and waits for the started program to end.
bool shellStart(const std::wstring& file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    KernelHandle process(info.hProcess);
    if (process) WaitForSingleObject(process.get(), 30000);
    return true;
}

class Recorder : public testing::Test {
protected:
    TempFolder m_folder{L"recorder"};
    RecorderLog m_log{m_folder.file(L"recorder.log")};
};

}  // namespace

TEST_F(Recorder, HtmFilesOpenWithTheRecorderWhileAssociated) {
    const std::wstring page = m_folder.file(L"order page.htm"), upperPage = m_folder.file(L"ORDER.HTM");
    writeFileBytes(page, "<html></html>");
    writeFileBytes(upperPage, "<html></html>");
    RegistryTree extensionBefore = captureRegistryTree(HKEY_CLASSES_ROOT, L".htm");
    RegistryTree classBefore = captureRegistryTree(HKEY_CLASSES_ROOT, L"htmlfile");
    {
        FileAssociation association = recorderAsBrowser();
        EXPECT_TRUE(sameFile(recorderProgram(), findExecutable(page))) << toUtf8(findExecutable(page));
        EXPECT_TRUE(sameFile(recorderProgram(), findExecutable(upperPage))) << toUtf8(findExecutable(upperPage));

        ASSERT_TRUE(shellStart(page, L""));
        ASSERT_TRUE(m_log.waitForLines(1));
        std::vector<std::wstring> lines = m_log.lines();
        ASSERT_EQ(1u, lines.size());
        // The recorded parameter is the file, quoted as the command template says.
        std::wstring parameter = parametersOf(lines[0]);
        ASSERT_GE(parameter.size(), 2u);
        EXPECT_EQ(L'"', parameter.front());
        EXPECT_EQ(L'"', parameter.back());
        EXPECT_TRUE(sameFile(page, parameter.substr(1, parameter.size() - 2))) << toUtf8(parameter);
    }
    EXPECT_FALSE(sameFile(recorderProgram(), findExecutable(page)));
    EXPECT_TRUE(extensionBefore == captureRegistryTree(HKEY_CLASSES_ROOT, L".htm"));
    EXPECT_TRUE(classBefore == captureRegistryTree(HKEY_CLASSES_ROOT, L"htmlfile"));
}

TEST_F(Recorder, ShellExecuteOfTheFoundProgramRecordsTheExactParameterText) {
    const std::wstring page = m_folder.file(L"page.htm");
    writeFileBytes(page, "<html></html>");
    FileAssociation association = recorderAsBrowser();
    std::wstring browser = findExecutable(page);
    ASSERT_FALSE(browser.empty());

    const std::wstring parameters[] = {
        L"http://print.example.test/"
        L"order.asp?username=anna&password=x%20y&localizationsection=EN&filename=layout_1f.zip",
        L"\"http://print.example.test/a b?c=\"\"d\"\"\"  trailing  blanks ",
        L"http://print.example.test/gr\u00fc\u00dfe?name=\u65e5\u672c",
    };
    for (const std::wstring& text : parameters) ASSERT_TRUE(shellStart(browser, text)) << toUtf8(text);
    ASSERT_TRUE(m_log.waitForLines(3));
    std::vector<std::wstring> lines = m_log.lines();
    ASSERT_EQ(3u, lines.size());
    for (size_t i = 0; i < 3; i++) EXPECT_EQ(toUtf8(parameters[i]), toUtf8(parametersOf(lines[i])));
}

TEST_F(Recorder, StandsInForThePackageStarterAndLeavesTheInstallerAssociationAsItWas) {
    const std::wstring package = m_folder.file(L"Kelo Print Driver.msi");
    writeFileBytes(package, "package");
    RegistryTree extensionBefore = captureRegistryTree(HKEY_CLASSES_ROOT, L".msi");
    RegistryTree classBefore = captureRegistryTree(HKEY_CLASSES_ROOT, L"Msi.Package");
    {
        FileAssociation association = recorderAsPackageStarter();
        EXPECT_TRUE(sameFile(recorderProgram(), findExecutable(package)));
        ASSERT_TRUE(shellStart(package, L""));
        ASSERT_TRUE(m_log.waitForLines(1));
        std::wstring parameter = parametersOf(m_log.lines()[0]);
        ASSERT_EQ(0u, parameter.find(L"/i \"")) << toUtf8(parameter);
        EXPECT_TRUE(sameFile(package, parameter.substr(4, parameter.size() - 5))) << toUtf8(parameter);
    }
    EXPECT_TRUE(extensionBefore == captureRegistryTree(HKEY_CLASSES_ROOT, L".msi"));
    EXPECT_TRUE(classBefore == captureRegistryTree(HKEY_CLASSES_ROOT, L"Msi.Package"));
}

TEST_F(Recorder, AnyExtensionAndClassCanBeAssociatedAndIsRemovedAfterwards) {
    const std::wstring file = m_folder.file(L"report.labdoc");
    writeFileBytes(file, "document");
    ASSERT_FALSE(captureRegistryTree(HKEY_CLASSES_ROOT, L".labdoc").exists);
    {
        FileAssociation association(L".labdoc", L"Lab.Document", openCommandFor(recorderProgram()));
        EXPECT_TRUE(sameFile(recorderProgram(), findExecutable(file)));
    }
    EXPECT_FALSE(captureRegistryTree(HKEY_CLASSES_ROOT, L".labdoc").exists);
    EXPECT_FALSE(captureRegistryTree(HKEY_CLASSES_ROOT, L"Lab.Document").exists);
    EXPECT_TRUE(findExecutable(file).empty());
}

TEST_F(Recorder, ConcurrentStartsEachLeaveOneWholeLine) {
    const int kStarts = 8;
    std::vector<KernelHandle> processes;
    for (int i = 0; i < kStarts; i++) {
        std::wstring line =
            quoteArgument(recorderProgram()) + L" start-" + std::to_wstring(i) + L" " + std::wstring(300, L'x');
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(
            CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        processes.emplace_back(process.hProcess);
    }
    for (KernelHandle& process : processes) {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 30000));
        DWORD exitCode = 0xdeadbeef;
        GetExitCodeProcess(process.get(), &exitCode);
        EXPECT_EQ(0u, exitCode);
    }
    std::vector<std::wstring> lines = m_log.lines();
    ASSERT_EQ((size_t)kStarts, lines.size());
    std::vector<bool> seen(kStarts, false);
    for (const std::wstring& line : lines) {
        std::wstring parameters = parametersOf(line);
        ASSERT_EQ(0u, parameters.find(L"start-"));
        int index = _wtoi(parameters.c_str() + 6);
        ASSERT_TRUE(index >= 0 && index < kStarts);
        seen[index] = true;
        EXPECT_EQ(std::wstring(300, L'x'), parameters.substr(parameters.find(L' ') + 1));
    }
    EXPECT_EQ(std::vector<bool>(kStarts, true), seen);
}

TEST(RecorderWithoutLogVariable, WritesNextToItself) {
    const std::wstring besideLog = programFolder() + L"lab-recorder.log";
    DeleteFileW(besideLog.c_str());
    ScopedEnvironment unset(kRecorderLogVariable, std::nullopt);
    ProgramRun run = runProgram(quoteArgument(recorderProgram()) + L" --beside");
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_TRUE(fileExists(besideLog));
    std::string text = readFileBytes(besideLog);
    DeleteFileW(besideLog.c_str());
    EXPECT_EQ(toUtf8(quoteArgument(recorderProgram()) + L" --beside") + "\r\n", text);
}

TEST(RecorderCommandLine, ParametersFollowTheProgramName) {
    EXPECT_EQ(L"a b", parametersOf(L"\"C:\\x y\\r.exe\" a b"));
    EXPECT_EQ(L"\"a\"", parametersOf(L"C:\\r.exe   \"a\""));
    EXPECT_EQ(L"", parametersOf(L"\"C:\\x y\\r.exe\""));
    EXPECT_EQ(L"", parametersOf(L"r.exe"));
    EXPECT_EQ(L"", parametersOf(L"\"unclosed x"));  // all of it names the program
}
