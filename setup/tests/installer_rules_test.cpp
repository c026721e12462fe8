// The rules of the installer's actions that need no system: reading installer properties
// (through a real package's handle), the name of a new port, which process names the
// process termination takes for the wanted one, and recognising a PostScript printer by
// its device's escapes (the dialog lists the printers of the lab's spooler it recognises).
#include <gtest/gtest.h>

#include <algorithm>

#include "error_msg.h"
#include "installer_package.h"
#include "installer_property.h"
#include "kill_process.h"
#include "monitor_setup.h"
#include "postscript_printers.h"

namespace {

TEST(InstallerProperty, ReadsValuesOfEveryLengthOrNamesTheRefusedProperty) {
    TestPackage package;
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_IP"), L"");  // missing: empty
    for (const std::wstring& value : {std::wstring(L"x"), std::wstring(5000, L'k'),
                                      std::wstring(L"Druckerei \u00dcberlingen \u65e5\u672c"), std::wstring()}) {
        package.setProperty(L"INSTALL_SITE", value);
        EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_SITE"), value);
    }
    for (MSIHANDLE handle : {(MSIHANDLE)0, (MSIHANDLE)0xdeadbeef}) {
        try {
            readInstallerProperty(handle, L"INSTALLDIR");
            ADD_FAILURE() << "no error for handle " << handle;
        } catch (const cERROR_MSG& error) {
            EXPECT_EQ(error.code, 1000u);
            EXPECT_STREQ(error.message, "Cannot get property: INSTALLDIR");
        }
    }
}

TEST(PortName, CountsTheExistingPortsButNeverHandsOutOneThatExists) {
    EXPECT_EQ(nextPortName({}), L"ZOLT0");
    EXPECT_EQ(nextPortName({L"ZOLT0", L"ZOLT1"}), L"ZOLT2");
    // ZOLT1 was removed: counting alone would give ZOLT2 a second time.
    EXPECT_EQ(nextPortName({L"ZOLT0", L"ZOLT2"}), L"ZOLT3");
    EXPECT_EQ(nextPortName({L"zolt1"}), L"ZOLT2");
    EXPECT_EQ(nextPortName({L"Other", L"ZOLT2", L"ZOLT3"}), L"ZOLT4");
}

// Compared without the extension (from the first dot after the first character), ASCII
// letters in any case.
TEST(ProcessName, ComparedWithoutExtensionInAnyLetterCase) {
    EXPECT_TRUE(processNameMatches("KELOCLIENT.EXE", "keloclient"));
    EXPECT_TRUE(processNameMatches("keloclient", "KeloClient"));
    EXPECT_FALSE(processNameMatches("KeloClient.exe", "KeloClient.exe"));
    EXPECT_FALSE(processNameMatches("KeloClient2.exe", "keloclient"));
    EXPECT_FALSE(processNameMatches("Kelo.exe", "keloclient"));
    EXPECT_TRUE(processNameMatches("a.b.exe", "a"));
    EXPECT_FALSE(processNameMatches("a.b.exe", "a.b"));
    EXPECT_TRUE(processNameMatches(".hidden.exe", ".hidden"));
    EXPECT_TRUE(processNameMatches(".", "."));
    EXPECT_TRUE(processNameMatches("", ""));  // empty names match only each other
    EXPECT_FALSE(processNameMatches("", "keloclient"));
    EXPECT_FALSE(processNameMatches("keloclient.exe", ""));
    EXPECT_FALSE(processNameMatches("\xc4rger.exe", "\xe4rger"));  // Ä and ä of the ANSI code page
    EXPECT_TRUE(processNameMatches("\xc4RGER.exe", "\xc4rger"));
}

TEST(PostScriptDevice, PassThroughOrPostScriptTechnology) {
    // The escapes a device supports, and its technology text (null: the query fails).
    auto device = [](std::vector<int> escapes, const char* technology) {
        return DeviceEscapes{[=](int escape) { return std::count(escapes.begin(), escapes.end(), escape) > 0; },
                             [=](std::string& text) { return technology && !(text = technology).empty(); }};
    };
    EXPECT_TRUE(isPostScriptDevice(device({4115}, nullptr)));
    EXPECT_TRUE(isPostScriptDevice(device({20}, "PostScript")));
    EXPECT_TRUE(isPostScriptDevice(device({20}, "postscript level 3")));
    EXPECT_FALSE(isPostScriptDevice(device({20}, "PCL 5")));
    EXPECT_FALSE(isPostScriptDevice(device({20}, nullptr)));
    EXPECT_FALSE(isPostScriptDevice(device({}, "PostScript")));
    HDC screen = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(screen);
    EXPECT_FALSE(isPostScriptDevice(screen));
    DeleteDC(screen);
}

}  // namespace
