#include "registry.h"

#include <gtest/gtest.h>

TEST(RegistryPattern, PrefixMatchFoldsAsciiCaseAndSeparators) {
    EXPECT_TRUE(matchRegistryPattern("hkey_local_machine\\x", "HKEY*"));
    EXPECT_TRUE(matchRegistryPattern(L"Hkey", L"HKEY*"));
    EXPECT_TRUE(matchRegistryPattern("error_NOT_LOGGED", "ERROR_*"));
    EXPECT_TRUE(matchRegistryPattern("a/b\\c", "A\\B/C"));
    EXPECT_TRUE(matchRegistryPattern(L"https://host", L"https://*"));
    EXPECT_TRUE(matchRegistryPattern("", ""));
    EXPECT_TRUE(matchRegistryPattern("", "*"));
    EXPECT_TRUE(matchRegistryPattern("same", "SAME"));

    EXPECT_FALSE(matchRegistryPattern("ERROR", "ERROR_*"));  // shorter than the fixed part
    EXPECT_FALSE(matchRegistryPattern("OK", "ERROR_*"));
    EXPECT_FALSE(matchRegistryPattern("samex", "same"));
    EXPECT_FALSE(matchRegistryPattern("same", "samex"));
    EXPECT_FALSE(matchRegistryPattern("HK*X", "HK*"));  // a star only acts where the text stops matching
    EXPECT_FALSE(matchRegistryPattern(L"\u00e9", L"\u00c9"));
    EXPECT_FALSE(matchRegistryPattern("[", "{"));
    EXPECT_FALSE(matchRegistryPattern(nullptr, "*"));
}

TEST(RegistryPath, FullAndShortRootNames) {
    struct Case {
        const char* path;
        HKEY root;
        const char* subkey;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorlane", HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorlane"},
        {"hklm\\software", HKEY_LOCAL_MACHINE, "software"},
        {"HKEY_LOCAL_MACHINE/SOFTWARE", HKEY_LOCAL_MACHINE, "SOFTWARE"},
        {"HKEY_CLASSES_ROOT\\CLSID", HKEY_CLASSES_ROOT, "CLSID"},
        {"HKCR\\CLSID", HKEY_CLASSES_ROOT, "CLSID"},
        {"HKEY_CURRENT_USER\\Software", HKEY_CURRENT_USER, "Software"},
        {"HKCU\\Software", HKEY_CURRENT_USER, "Software"},
        {"HKEY_USERS\\.DEFAULT", HKEY_USERS, ".DEFAULT"},
        {"HKU\\.DEFAULT", HKEY_USERS, ".DEFAULT"},
        {"HKEY_PERFORMANCE_DATA\\x", HKEY_PERFORMANCE_DATA, "x"},
        {"HKPD\\x", HKEY_PERFORMANCE_DATA, "x"},
        {"HKEY_CURRENT_CONFIG\\System", HKEY_CURRENT_CONFIG, "System"},
        {"HKCC\\System", HKEY_CURRENT_CONFIG, "System"},
        {"HKEY_DYN_DATA\\x", HKEY_DYN_DATA, "x"},
        {"HKDD\\x", HKEY_DYN_DATA, "x"},
        // The character after the root name is skipped whatever it is.
        {"HKEY_USERSX\\a", HKEY_USERS, "\\a"},
        {"HKLM", HKEY_LOCAL_MACHINE, ""},
        {"HKLM\\", HKEY_LOCAL_MACHINE, ""},
    };
    for (const Case& c : cases) {
        RegistryPath split = splitRegistryPath(c.path);
        EXPECT_EQ(c.root, split.root) << c.path;
        EXPECT_STREQ(c.subkey, split.subkey.c_str()) << c.path;
    }
    for (const char* noRoot : {"HKX\\a", "", "SOFTWARE\\HKLM", "HKEY_LOCAL\\x"}) {
        RegistryPath split = splitRegistryPath(noRoot);
        EXPECT_EQ(nullptr, split.root) << noRoot;
    }
}
