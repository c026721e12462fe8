// Reading installer properties through a real package's handle.
#include <gtest/gtest.h>

#include <string>

#include "error_msg.h"
#include "installer_package.h"
#include "installer_property.h"

namespace {

TEST(InstallerProperty, ReadsValuesOfEveryLength) {
    TestPackage package;
    package.setProperty(L"INSTALL_SITE", L"Print Site");
    package.setProperty(L"ONE", L"x");
    std::wstring longValue(5000, L'k');
    package.setProperty(L"LONG", longValue);
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_SITE"), L"Print Site");
    EXPECT_EQ(readInstallerProperty(package.handle(), L"ONE"), L"x");
    EXPECT_EQ(readInstallerProperty(package.handle(), L"LONG"), longValue);
}

TEST(InstallerProperty, MissingPropertyIsEmpty) {
    TestPackage package;
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_IP"), L"");
    package.setProperty(L"INSTALL_IP", L"192.0.2.1");
    package.removeProperty(L"INSTALL_IP");
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_IP"), L"");
}

TEST(InstallerProperty, KeepsTextOutsideTheAnsiRange) {
    TestPackage package;
    std::wstring site = L"Druckerei \u00dcberlingen \u65e5\u672c";
    package.setProperty(L"INSTALL_SITE", site);
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_SITE"), site);
}

TEST(InstallerProperty, RefusedReadNamesTheProperty) {
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

}  // namespace
