// KeloPrintDriver.msi installed, upgraded over the running system and removed by the
// Windows Installer, without user interface, in a fresh prefix of its own (made by
// run-in-fresh-prefix.sh).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_text.h"
#include "package_run.h"
#include "lab_road.h"
#include "setup_lab.h"

namespace {

const wchar_t kSite[] = L"Package Site";
const wchar_t kServerIp[] = L"192.0.2.17";
const wchar_t kSettingsKey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";

std::wstring programFolder() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Vorlane\\Kelo Print Driver\\";
}

// The server a ProgID's class is registered with ("LocalServer32" or "InprocServer32").
std::optional<std::wstring> classServer(const std::wstring& progId, const wchar_t* kind) {
    std::optional<std::wstring> clsid = setuplab::registryString(L"SOFTWARE\\Classes\\" + progId + L"\\CLSID", L"");
    if (!clsid) return std::nullopt;
    return setuplab::registryString(L"SOFTWARE\\Classes\\CLSID\\" + *clsid + L"\\" + kind, L"");
}

class InstallerPackage : public ::testing::Test {
protected:
    DWORD run(const wchar_t* operation, const std::wstring& package, const lab::PackageProperties& properties = {}) {
        return lab::runPackageCommand(lab::packageCommand(operation, package, properties, m_log.file(L"msi.log")));
    }
    std::string log() const { return lab::readFileBytes(m_log.file(L"msi.log")); }

    const std::wstring m_package = lab::programFolder() + L"..\\KeloPrintDriver.msi";
    const std::wstring m_upgrade = lab::programFolder() + L"KeloPrintDriverUpgrade.msi";  // the next version
    lab::TempFolder m_log{L"kelo-msi"};
};

const struct {
    const wchar_t* file;
    const wchar_t* progId;  // registered from this file, or null
    const wchar_t* kind;
} kInstalledFiles[] = {
    {L"KeloClient.exe", nullptr, nullptr},
    {L"KeloEngine.exe", L"KeloEngine.DriverManager", L"LocalServer32"},
    {L"KeloWeb.dll", L"KeloWeb.iWeb", L"InprocServer32"},
    {L"KeloReg.dll", L"KeloReg.RegistryKey", L"InprocServer32"},
    {L"Localization\\lng1031.lng", nullptr, nullptr},
};

TEST_F(InstallerPackage, InstallsTheSystemSilentlyAndRemovesIt) {
    lab::ensureDriver();  // what Wine lacks: the PostScript driver that the real installer brings
    const lab::PackageProperties site{{L"INSTALL_SITE", kSite}, {L"INSTALL_IP", kServerIp}};

    ASSERT_EQ(run(L"/i", m_package, site), 0u) << log();
    for (const auto& installed : kInstalledFiles) {
        std::wstring path = programFolder() + installed.file;
        EXPECT_TRUE(lab::fileExists(path)) << lab::toUtf8(path);
        if (!installed.progId) continue;
        std::optional<std::wstring> server = classServer(installed.progId, installed.kind);
        ASSERT_TRUE(server) << lab::toUtf8(installed.progId) << " is not registered";
        // A local server's command is the quoted path (the path has blanks).
        std::wstring expected = wcscmp(installed.kind, L"LocalServer32") == 0 ? L"\"" + path + L"\"" : path;
        EXPECT_EQ(lstrcmpiW(server->c_str(), expected.c_str()), 0) << lab::toUtf8(*server);
    }
    EXPECT_TRUE(lab::fileExists(lab::systemFolder() + L"ZoltPort.dll"));
    EXPECT_EQ(setuplab::registryString(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort.dll"));
    EXPECT_EQ(setuplab::registrySubkeys(std::wstring(setuplab::kMonitorKey) + L"\\Private"),
              std::vector<std::wstring>{L"ZOLT0"});
    std::wstring printer = L"none";
    for (const lab::PrinterEntry& entry : lab::listPrinters())
        if (entry.name == kSite)
            printer = entry.port + L"|" + entry.driver + L"|" + entry.serverIp.value_or(L"-") + L"|" +
                      entry.mfg.value_or(L"-") + L"|" + entry.driverId.value_or(L"-");
    EXPECT_EQ(printer, L"ZOLT0|ZOLT Print Driver|" + std::wstring(kServerIp) + L"|Vorlane|stdPrinterDriver") << log();
    EXPECT_EQ(setuplab::registryString(kSettingsKey, L"Version"), std::wstring(L"3.0.1427"));

    {
        // The next version over the running client and engine: both are stopped, and what
        // starts afterwards are the new programs.
        lab::RunningClient client(programFolder());
        std::vector<DWORD> engines = lab::engineServerProcesses();
        ASSERT_EQ(engines.size(), 1u) << "the client's printer keeps the engine up";
        ASSERT_EQ(run(L"/i", m_upgrade, site), 0u) << log();
        EXPECT_EQ(client.program().waitForExit(10000), std::optional<DWORD>(1u));
        EXPECT_TRUE(lab::engineServerProcesses().empty());
        EXPECT_EQ(setuplab::registryString(kSettingsKey, L"Version"), std::wstring(L"3.0.1428"));
        // Wine: its COM service keeps the class object of the ended engine; it is ended too.
        lab::killEngineServers();
        lab::RunningClient upgraded(programFolder());
        std::vector<DWORD> newEngines = lab::engineServerProcesses();
        ASSERT_EQ(newEngines.size(), 1u);
        EXPECT_NE(newEngines[0], engines[0]);
        upgraded.end();
        lab::endEngineServers();
    }

    ASSERT_EQ(run(L"/x", m_upgrade), 0u) << log();
    for (const auto& installed : kInstalledFiles) {
        EXPECT_FALSE(lab::fileExists(programFolder() + installed.file)) << lab::toUtf8(installed.file);
        EXPECT_TRUE(!installed.progId || !classServer(installed.progId, installed.kind)) << lab::toUtf8(installed.file);
    }
    EXPECT_FALSE(lab::fileExists(lab::systemFolder() + L"ZoltPort.dll"));
    EXPECT_FALSE(setuplab::registryString(kSettingsKey, L"Version"));
}

}  // namespace
