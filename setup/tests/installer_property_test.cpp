// Reading installer properties through a real package's handle.
#include <gtest/gtest.h>

#include <string>

#include "error_msg.h"
#include "installer_package.h"
#include "installer_property.h"

namespace {

TEST(InstallerProperty, ReadsValuesOfEveryLengthAndText) {
    TestPackage package;
    EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_IP"), L"");  // missing: empty
    for (const std::wstring& value : {std::wstring(L"x"), std::wstring(5000, L'k'),
                                      std::wstring(L"Druckerei \u00dcberlingen \u65e5\u672c"), std::wstring()}) {
        package.setProperty(L"INSTALL_SITE", value);
        EXPECT_EQ(readInstallerProperty(package.handle(), L"INSTALL_SITE"), value);
    }
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
