// Which process names the process termination compares equal to the wanted name.
#include <gtest/gtest.h>

#include "kill_process.h"

namespace {

TEST(ProcessName, ComparedWithoutExtensionInAnyLetterCase) {
    EXPECT_TRUE(processNameMatches("KELOCLIENT.EXE", "keloclient"));
    EXPECT_TRUE(processNameMatches("KeloClient.exe", "keloclient"));
    EXPECT_TRUE(processNameMatches("keloclient", "KeloClient"));
    EXPECT_FALSE(processNameMatches("KeloClient.exe", "KeloClient.exe"));
    EXPECT_FALSE(processNameMatches("KeloClient2.exe", "keloclient"));
    EXPECT_FALSE(processNameMatches("Kelo.exe", "keloclient"));
}

TEST(ProcessName, CutAtTheFirstDotAfterTheFirstCharacter) {
    EXPECT_TRUE(processNameMatches("a.b.exe", "a"));
    EXPECT_FALSE(processNameMatches("a.b.exe", "a.b"));
    EXPECT_TRUE(processNameMatches(".hidden.exe", ".hidden"));
    EXPECT_TRUE(processNameMatches(".", "."));
}

TEST(ProcessName, EmptyNamesMatchOnlyEachOther) {
    EXPECT_TRUE(processNameMatches("", ""));
    EXPECT_FALSE(processNameMatches("", "keloclient"));
    EXPECT_FALSE(processNameMatches("keloclient.exe", ""));
}

TEST(ProcessName, OnlyAsciiLettersFoldCase) {
    EXPECT_FALSE(processNameMatches("\xc4rger.exe", "\xe4rger"));  // Ä and ä in the ANSI code page
    EXPECT_TRUE(processNameMatches("\xc4RGER.exe", "\xc4rger"));
}

}  // namespace
