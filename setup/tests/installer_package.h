#pragma once
// A Windows Installer package made for a test: an empty database with the summary
// information the installer needs, opened as a package whose handle the custom actions
// take. Failures throw cERROR_MSG.
#include <windows.h>
#include <msi.h>

#include <string>

class TestPackage {
public:
    TestPackage();
    ~TestPackage();
    TestPackage(const TestPackage&) = delete;
    TestPackage& operator=(const TestPackage&) = delete;

    MSIHANDLE handle() const { return m_package; }
    void setProperty(const std::wstring& name, const std::wstring& value);

private:
    std::wstring m_path;
    MSIHANDLE m_package = 0;
};
