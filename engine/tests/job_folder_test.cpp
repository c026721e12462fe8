// Where a job's files go: the sanitised job name and the collision counter. (The jobs
// path under the temporary folder is the print driver test's.)
#include "engine_test_support.h"
#include "job_folder.h"

using namespace engine;

TEST(JobFolder, ReservedCharactersBecomeUnderscores) {
    EXPECT_EQ(L"Report_ 1_2", sanitisedJobName(L"Report: 1/2"));
    EXPECT_EQ(L"a_b_c_d_e_f_g_h_i", sanitisedJobName(L"a\\b:c/d*e?f<g>h|i"));
    EXPECT_EQ(L"Invoice _March__a_b_c_d", sanitisedJobName(std::wstring(L"Invoice \"March\"\ta\rb\x1f"
                                                                        L"c\0d",
                                                                        23)));
    EXPECT_EQ(L"plain name.txt", sanitisedJobName(L"plain name.txt"));
}

TEST(JobFolder, NameUnderscoreIdentityThenACounterForCollisions) {
    lab::TempFolder printer(L"printer");
    std::wstring base = printer.path() + L"Report_ 1_2_1a2b";
    EXPECT_EQ(base, chooseJobFolder(printer.path(), L"Report: 1/2", 0x1a2b));

    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    EXPECT_EQ(base + L"_0", chooseJobFolder(printer.path(), L"Report: 1/2", 0x1a2b));

    lab::writeFileBytes(base + L"_0", "a file takes the name too");
    for (int i = 1; i <= 10; ++i) {
        wchar_t suffix[8];
        swprintf(suffix, 8, L"_%x", i);
        ASSERT_TRUE(CreateDirectoryW((base + suffix).c_str(), nullptr));
    }
    EXPECT_EQ(base + L"_b", chooseJobFolder(printer.path(), L"Report: 1/2", 0x1a2b)) << "hexadecimal counter";
    EXPECT_TRUE(lab::fileExists(base + L"_a"));
    EXPECT_FALSE(lab::fileExists(base + L"_b")) << "nothing is created";
}

TEST(JobFolder, ALongNameIsCutSoThatTheFolderAndItsFilesFitWithinMaxPath) {
    lab::TempFolder printer(L"printer");
    std::wstring name;
    while (name.size() < 400) name += L"Minutes \U0001F5A8 ";
    const size_t longest = MAX_PATH - 13;  // what CreateDirectory takes
    std::wstring folder = chooseJobFolder(printer.path(), name, 0x1a2b);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
    lab::writeFileBytes(folder + L"\\layout.ps", "%!PS");
    std::wstring next = chooseJobFolder(printer.path(), name, 0x1a2b);
    EXPECT_LE(next.size(), longest);
    EXPECT_EQ(L"_1a2b_0", next.substr(next.size() - 7)) << "the counter takes from the name, not from the room";
}
