#include "installer_package.h"

#include <msiquery.h>

#include "error_msg.h"

namespace {

void check(UINT result, const char* step) {
    if (result != ERROR_SUCCESS) throw cERROR_MSG(BV_ERR_GENERAL, "Test package: %s failed with %u", step, result);
}

void createDatabase(const std::wstring& path) {
    PMSIHANDLE database, view, summary;
    check(MsiOpenDatabaseW(path.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_CREATE), &database), "create database");
    check(MsiDatabaseOpenViewW(database,
                               L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) "
                               L"NOT NULL PRIMARY KEY `Property`)",
                               &view),
          "open view");
    check(MsiViewExecute(view, 0), "create table");
    check(MsiGetSummaryInformationW(database, nullptr, 20, &summary), "summary information");
    check(MsiSummaryInfoSetPropertyW(summary, PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr, L"x64;1033"), "template");
    check(MsiSummaryInfoSetPropertyW(summary, PIDSI_REVNUMBER, VT_LPSTR, 0, nullptr,
                                     L"{6F3B1C2A-4D5E-4F60-8A7B-9C0D1E2F3A4B}"),
          "package code");
    check(MsiSummaryInfoSetPropertyW(summary, PIDSI_PAGECOUNT, VT_I4, 200, nullptr, nullptr), "schema");
    check(MsiSummaryInfoSetPropertyW(summary, PIDSI_WORDCOUNT, VT_I4, 0, nullptr, nullptr), "source type");
    check(MsiSummaryInfoPersist(summary), "persist summary");
    check(MsiDatabaseCommit(database), "commit");
}

}  // namespace

TestPackage::TestPackage() {
    wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    if (!GetTempFileNameW(folder, L"kst", 0, file)) throw cERROR_MSG(BV_ERR_GENERAL, "Test package: no temporary file");
    m_path = file;
    DeleteFileW(m_path.c_str());
    createDatabase(m_path);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    UINT opened = MsiOpenPackageW(m_path.c_str(), &m_package);
    if (opened != ERROR_SUCCESS) DeleteFileW(m_path.c_str());
    check(opened, "open package");
}

TestPackage::~TestPackage() {
    MsiCloseHandle(m_package);
    DeleteFileW(m_path.c_str());
}

void TestPackage::setProperty(const std::wstring& name, const std::wstring& value) {
    check(MsiSetPropertyW(m_package, name.c_str(), value.c_str()), "set property");
}
