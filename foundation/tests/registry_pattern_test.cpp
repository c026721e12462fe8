#include "registry.h"

#include <gtest/gtest.h>

// A star only acts where the text stops matching, and the text must hold the fixed part.
TEST(RegistryPattern, PrefixMatchFoldsAsciiCaseAndSeparators) {
    struct Case {
        const char* text;
        const char* pattern;
        bool matches;
    } cases[] = {{"hkey_local_machine\\x", "HKEY*", true},
                 {"a/b\\c", "A\\B/C", true},
                 {"", "*", true},
                 {"same", "SAME", true},
                 {"ERROR", "ERROR_*", false},
                 {"samex", "same", false},
                 {"same", "samex", false},
                 {"HK*X", "HK*", false},
                 {"[", "{", false},
                 {nullptr, "*", false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.matches, matchRegistryPattern(c.text, c.pattern)) << (c.text ? c.text : "null") << " " << c.pattern;
    EXPECT_TRUE(matchRegistryPattern(L"https://host", L"https://*"));
    EXPECT_FALSE(matchRegistryPattern(L"\u00e9", L"\u00c9"));
}

// The character after the root name is skipped whatever it is.
TEST(RegistryPath, FullAndShortRootNames) {
    struct Case {
        const char* path;
        HKEY root;
        const char* subkey;
    } cases[] = {{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorlane", HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorlane"},
                 {"hklm\\software", HKEY_LOCAL_MACHINE, "software"},
                 {"HKCR\\CLSID", HKEY_CLASSES_ROOT, "CLSID"},
                 {"HKCU\\S", HKEY_CURRENT_USER, "S"},
                 {"HKEY_USERSX\\a", HKEY_USERS, "\\a"},
                 {"HKLM", HKEY_LOCAL_MACHINE, ""},
                 {"HKX\\a", nullptr, nullptr},
                 {"SOFTWARE\\HKLM", nullptr, nullptr},
                 {"HKEY_LOCAL\\x", nullptr, nullptr}};
    for (const Case& c : cases) {
        RegistryPath split = splitRegistryPath(c.path);
        EXPECT_EQ(c.root, split.root) << c.path;
        if (c.subkey) EXPECT_STREQ(c.subkey, split.subkey.c_str()) << c.path;
    }
}
