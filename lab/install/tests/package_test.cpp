// KeloPrintDriver.msi installed, upgraded over the running system and removed by the
// Windows Installer, without user interface, in a fresh prefix of its own (made by
// run-in-fresh-prefix.sh).
#include <gtest/gtest.h>

#include <windows.h>

#include "lab_engine.h"
#include "lab_printers.h"
#include "lab_road.h"
#include "lab_text.h"
#include "package_run.h"
#include "setup_lab.h"

namespace {

using setuplab::registryValue;

const wchar_t kSettingsKey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";

const std::wstring kInstallFolder = L"C:\\Program Files\\Vorlane\\Kelo Print Driver\\";

// The server a ProgID's class is registered with ("LocalServer32" or "InprocServer32").
std::optional<std::wstring> classServer(const std::wstring& progId, const wchar_t* kind) {
    std::optional<std::wstring> clsid = registryValue(L"SOFTWARE\\Classes\\" + progId + L"\\CLSID", L"");
    return clsid ? registryValue(L"SOFTWARE\\Classes\\CLSID\\" + *clsid + L"\\" + kind, L"") : std::nullopt;
}

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

TEST(InstallerPackage, InstallsTheSystemSilentlyUpgradesAndRemovesIt) {
    lab::ensureDriver();  // what Wine lacks: the PostScript driver that the real installer brings
    lab::TempFolder logFolder(L"kelo-msi");
    auto run = [&](const wchar_t* operation, const wchar_t* package, const lab::PackageProperties& properties) {
        return lab::runPackageCommand(
            lab::packageCommand(operation, lab::programFolder() + package, properties, logFolder.file(L"msi.log")));
    };
    auto log = [&] { return lab::readFileBytes(logFolder.file(L"msi.log")); };
    const lab::PackageProperties site{{L"INSTALL_SITE", L"Package Site"}, {L"INSTALL_IP", L"192.0.2.17"}};

    ASSERT_EQ(run(L"/i", L"..\\KeloPrintDriver.msi", site), 0u) << log();
    for (const auto& installed : kInstalledFiles) {
        std::wstring path = kInstallFolder + installed.file;
        EXPECT_TRUE(lab::fileExists(path)) << lab::toUtf8(path);
        if (!installed.progId) continue;
        // A local server's command is the quoted path (the path has blanks).
        std::wstring expected = wcscmp(installed.kind, L"LocalServer32") == 0 ? L"\"" + path + L"\"" : path;
        std::wstring server = classServer(installed.progId, installed.kind).value_or(L"none");
        EXPECT_TRUE(lab::equalsNoCase(server, expected)) << lab::toUtf8(server);
    }
    EXPECT_TRUE(lab::fileExists(lab::systemFolder() + L"ZoltPort.dll"));
    EXPECT_EQ(registryValue(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort.dll"));
    std::wstring printer = L"none";
    for (const lab::PrinterEntry& entry : lab::listPrinters())
        if (entry.name == L"Package Site")
            printer = entry.port + L"|" + entry.driver + L"|" + entry.serverIp.value_or(L"-") + L"|" +
                      entry.mfg.value_or(L"-") + L"|" + entry.driverId.value_or(L"-");
    EXPECT_EQ(printer, L"ZOLT0|ZOLT Print Driver|192.0.2.17|Vorlane|stdPrinterDriver") << log();
    EXPECT_EQ(registryValue(kSettingsKey, L"Version"), std::wstring(L"3.0.1427"));

    {
        // The next version over the running client and engine: both are stopped, and what
        // starts afterwards are the new programs.
        lab::RunningClient client(kInstallFolder);
        std::vector<DWORD> engines = lab::engineServerProcesses();
        ASSERT_EQ(engines.size(), 1u) << "the client's printer keeps the engine up";
        ASSERT_EQ(run(L"/i", L"KeloPrintDriverUpgrade.msi", site), 0u) << log();
        EXPECT_EQ(client.program().waitForExit(10000), std::optional<DWORD>(1u));
        EXPECT_TRUE(lab::engineServerProcesses().empty());
        EXPECT_EQ(registryValue(kSettingsKey, L"Version"), std::wstring(L"3.0.1428"));
        // Wine: its COM service keeps the class object of the ended engine; it is ended too.
        lab::killEngineServers();
        lab::RunningClient upgraded(kInstallFolder);
        std::vector<DWORD> newEngines = lab::engineServerProcesses();
        ASSERT_EQ(newEngines.size(), 1u);
        EXPECT_NE(newEngines[0], engines[0]);
        upgraded.end();
        lab::endEngineServers();
    }

    ASSERT_EQ(run(L"/x", L"KeloPrintDriverUpgrade.msi", {}), 0u) << log();
    for (const auto& installed : kInstalledFiles) {
        EXPECT_FALSE(lab::fileExists(kInstallFolder + installed.file)) << lab::toUtf8(installed.file);
        EXPECT_TRUE(!installed.progId || !classServer(installed.progId, installed.kind)) << lab::toUtf8(installed.file);
    }
    EXPECT_FALSE(lab::fileExists(lab::systemFolder() + L"ZoltPort.dll"));
    EXPECT_FALSE(registryValue(kSettingsKey, L"Version"));
}

}  // namespace
