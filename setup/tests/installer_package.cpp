#include "installer_package.h"

#include <msiquery.h>

#include "error_msg.h"
#include "lab_text.h"

namespace {

class MsiRecordHandle {
public:
    MsiRecordHandle() = default;
    ~MsiRecordHandle() {
        if (m_handle) MsiCloseHandle(m_handle);
    }
    MsiRecordHandle(const MsiRecordHandle&) = delete;
    MsiRecordHandle& operator=(const MsiRecordHandle&) = delete;
    MSIHANDLE* out() { return &m_handle; }
    MSIHANDLE get() const { return m_handle; }

private:
    MSIHANDLE m_handle = 0;
};

void check(UINT result, const char* step) {
    if (result != ERROR_SUCCESS) throw cERROR_MSG(BV_ERR_GENERAL, "Test package: %s failed with %u", step, result);
}

void execute(MSIHANDLE database, const wchar_t* query) {
    MsiRecordHandle view;
    check(MsiDatabaseOpenViewW(database, query, view.out()), "open view");
    check(MsiViewExecute(view.get(), 0), "execute view");
}

void createDatabase(const std::wstring& path) {
    MsiRecordHandle database;
    check(MsiOpenDatabaseW(path.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_CREATE), database.out()),
          "create database");
    execute(database.get(),
            L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL PRIMARY KEY `Property`)");
    MsiRecordHandle summary;
    check(MsiGetSummaryInformationW(database.get(), nullptr, 20, summary.out()), "summary information");
    check(MsiSummaryInfoSetPropertyW(summary.get(), PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr, L"x64;1033"), "template");
    check(MsiSummaryInfoSetPropertyW(summary.get(), PIDSI_REVNUMBER, VT_LPSTR, 0, nullptr,
                                     L"{6F3B1C2A-4D5E-4F60-8A7B-9C0D1E2F3A4B}"),
          "package code");
    check(MsiSummaryInfoSetPropertyW(summary.get(), PIDSI_PAGECOUNT, VT_I4, 200, nullptr, nullptr), "schema");
    check(MsiSummaryInfoSetPropertyW(summary.get(), PIDSI_WORDCOUNT, VT_I4, 0, nullptr, nullptr), "source type");
    check(MsiSummaryInfoPersist(summary.get()), "persist summary");
    check(MsiDatabaseCommit(database.get()), "commit");
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
    if (opened != ERROR_SUCCESS) {
        DeleteFileW(m_path.c_str());
        check(opened, "open package");
    }
}

TestPackage::~TestPackage() {
    MsiCloseHandle(m_package);
    DeleteFileW(m_path.c_str());
}

void TestPackage::setProperty(const std::wstring& name, const std::wstring& value) {
    check(MsiSetPropertyW(m_package, name.c_str(), value.c_str()), "set property");
}
