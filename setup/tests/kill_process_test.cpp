// keloKillProcess against lab processes: copies of an idle program under the names a
// case needs, ended (exit code 1) or left running by the action.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lab_paths.h"
#include "lab_text.h"
#include "setup_lab.h"

namespace {

using setuplab::RunReport;
using setuplab::Sleeper;

class ProcessTermination : public ::testing::Test {
protected:
    // Each program gets a folder of its own: file names that differ in letter case only
    // are one file.
    Sleeper& startProgram(const std::wstring& fileName) {
        m_folders.push_back(std::make_unique<lab::TempFolder>(L"kelo-kill"));
        m_sleepers.push_back(std::make_unique<Sleeper>(m_folders.back()->path(), fileName));
        return *m_sleepers.back();
    }

    RunReport kill(const std::wstring& version, const std::vector<std::wstring>& arguments) {
        setuplab::ScopedRunnerVersion scoped(version);
        return setuplab::ActionRun(m_folder, L"keloKillProcess", arguments).finish();
    }

    static void expectEnded(const Sleeper& sleeper, const char* name) {
        std::optional<DWORD> exitCode = sleeper.waitForEnd(10000);
        ASSERT_TRUE(exitCode) << name << " still runs";
        EXPECT_EQ(*exitCode, 1u) << name;
    }
    static void expectRunning(const Sleeper& sleeper, const char* name) {
        EXPECT_TRUE(sleeper.running()) << name << " was ended";
    }

    setuplab::ActionFolder m_folder{setuplab::PrintUi::System};
    std::vector<std::unique_ptr<lab::TempFolder>> m_folders;
    std::vector<std::unique_ptr<Sleeper>> m_sleepers;
};

// On the NT family the lab's Wine has no process object in its performance data: the
// tool-help list stands in there.
TEST_F(ProcessTermination, EveryProgramOfTheNameWithoutExtensionEnds) {
    for (auto [version, platform] : {std::pair<const wchar_t*, int>{L"win98", 4}, {L"winxp", 7}}) {
        Sleeper& upper = startProgram(L"KELOCLIENT.EXE");
        Sleeper& mixed = startProgram(L"KeloClient.exe");
        Sleeper& longer = startProgram(L"KeloClientHelper.exe");
        Sleeper& dotted = startProgram(L"keloclient.old.exe");
        RunReport report = kill(version, {L"processNameToKill=keloclient"});
        EXPECT_EQ(report.platform, platform);
        EXPECT_EQ(report.result, 0u) << report.output;
        expectEnded(upper, "KELOCLIENT.EXE");
        expectEnded(mixed, "KeloClient.exe");
        expectEnded(dotted, "keloclient.old.exe");
        expectRunning(longer, "KeloClientHelper.exe");
    }
}

TEST_F(ProcessTermination, NoMatchOrUnreadablePropertyEndsNothing) {
    Sleeper& client = startProgram(L"KeloClient.exe");
    EXPECT_EQ(kill(L"win98", {L"processNameToKill=NoSuchProgram"}).result, 0u);
    EXPECT_EQ(kill(L"win98", {}).result, 0u);  // property not set: no process has an empty name
    for (const wchar_t* version : {L"win98", L"winxp"}) {
        RunReport report = kill(version, {L"processNameToKill=keloclient", L"--no-handle"});
        EXPECT_EQ(report.result, 1603u) << report.output;
    }
    expectRunning(client, "KeloClient.exe");
}

}  // namespace
