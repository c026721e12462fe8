// keloInstallPrinter on Windows 2000, XP and later 5.x systems: driver, monitor, port and
// printer without questions, and what happens when a step fails.
#include "installation_test.h"

namespace {

using setuplab::RunReport;
using setuplab::SpoolerCall;

class AutomaticInstallation : public InstallationTest {
protected:
    void SetUp() override {
        InstallationTest::SetUp();
        useVersion(L"winxp");
    }

    // Closes the printer dialog that follows a failed automatic installation.
    static void closeDialog(setuplab::ActionRun& run) {
        if (HWND dialog = waitFor(run, L"Printer Configuration")) gui::pressCloseBox(dialog);
    }
    // Answers a message box with OK after checking its text.
    static void acknowledge(setuplab::ActionRun& run, const std::wstring& caption, const std::wstring& message) {
        HWND box = waitFor(run, caption);
        if (!box) return;
        EXPECT_EQ(lab::toUtf8(gui::messageBoxText(box)), lab::toUtf8(message));
        gui::click(box, IDOK);
        gui::waitForWindowGone(box);
    }
};

TEST_F(AutomaticInstallation, FirstInstallationOnWindowsXp) {
    RunReport report = install(siteProperties());
    ASSERT_EQ(report.result, 0u) << describe(report);
    EXPECT_EQ(report.platform, 7);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);

    // The driver from the INF file in INSTALLDIR, through the printer UI library.
    std::vector<std::wstring> printUi = m_printUi.lines();
    ASSERT_EQ(printUi.size(), 1u);
    EXPECT_EQ(lab::toUtf8(printUi[0]),
              "entry=PrintUIEntryW\twindow=null\tinstance=self\tshow=1\tcommand=/ia /m \"ZOLT Print Driver\" /f "
              "\"C:\\Program Files\\Kelo Print Driver\\oemsetup.inf\"");

    // The monitor, registered with the NT record, and its first port.
    std::vector<SpoolerCall> monitors = report.calls(L"AddMonitor");
    ASSERT_EQ(monitors.size(), 1u) << describe(report);
    EXPECT_EQ(monitors[0].name, L"AddMonitorW");
    EXPECT_EQ(monitors[0].field(L"server"), L"<null>");
    EXPECT_EQ(monitors[0].field(L"level"), L"2");
    EXPECT_EQ(monitors[0].field(L"name"), L"ZOLT Print Port");
    EXPECT_EQ(monitors[0].field(L"environment"), L"<null>");
    EXPECT_EQ(monitors[0].field(L"dll"), L"ZoltPort.dll");
    EXPECT_EQ(setuplab::registryString(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort.dll"));
    EXPECT_EQ(ports(), std::vector<std::wstring>{L"ZOLT0"});
    // The port's key stood before the monitor was loaded: the monitor has read it.
    EXPECT_EQ(portActive(L"ZOLT0"), 0u);
    std::vector<SpoolerCall> announcements = report.calls(L"AddPort");
    ASSERT_EQ(announcements.size(), 1u);
    EXPECT_EQ(announcements[0].name, L"AddPortW");
    EXPECT_EQ(announcements[0].field(L"server"), L"<null>");
    EXPECT_EQ(announcements[0].field(L"window"), L"<null>");
    EXPECT_EQ(announcements[0].field(L"monitor"), L"ZOLT Print Port");

    // The printer on that port, with the system's values.
    std::vector<SpoolerCall> adds = report.calls(L"AddPrinter");
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].field(L"level"), L"2");
    EXPECT_EQ(adds[0].field(L"datatype"), L"RAW");  // Wine's spooler needs one
    std::optional<lab::PrinterEntry> entry = printer(kSite);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT0");
    EXPECT_EQ(entry->driver, L"ZOLT Print Driver");
    EXPECT_EQ(entry->comment, L"Upload job to Print Site at 192.0.2.10");
    EXPECT_EQ(entry->printProcessor, L"WinPrint");
    expectDriverData(kSite, kServerIp);
    // The engine reads the values through the spooler, whatever their letter case.
    EXPECT_EQ(lab::printerData(kSite, L"KeloServerIp"), std::wstring(kServerIp));
}

TEST_F(AutomaticInstallation, Windows2000AndLater5xTakeTheSameRoad) {
    for (auto [version, code] : {std::pair<const wchar_t*, int>{L"win2k", 6}, {L"win2003", 8}}) {
        useVersion(version);
        std::wstring site = std::wstring(L"Site ") + version;
        RunReport report = install(siteProperties(site));
        EXPECT_EQ(report.platform, code) << lab::toUtf8(version);
        EXPECT_EQ(report.result, 0u) << describe(report);
        EXPECT_TRUE(report.dialogs.empty()) << describe(report);
        EXPECT_TRUE(printer(site)) << lab::toUtf8(site);
    }
}

TEST_F(AutomaticInstallation, SecondInstallationAddsZolt1AndRewiresThePrinter) {
    ASSERT_EQ(install(siteProperties()).result, 0u);
    RunReport second = install(siteProperties(kSite, L"192.0.2.99"));
    ASSERT_EQ(second.result, 0u) << describe(second);
    EXPECT_TRUE(second.dialogs.empty()) << describe(second);

    // The monitor is installed: only a new port, announced to it.
    EXPECT_TRUE(second.calls(L"AddMonitor").empty()) << describe(second);
    std::vector<SpoolerCall> announcements = second.calls(L"AddPort");
    ASSERT_EQ(announcements.size(), 1u);
    EXPECT_EQ(announcements[0].field(L"monitor"), L"ZOLT Print Port");
    EXPECT_EQ(announcements[0].field(L"result"), L"1");
    EXPECT_EQ(ports(), (std::vector<std::wstring>{L"ZOLT0", L"ZOLT1"}));
    EXPECT_EQ(portActive(L"ZOLT1"), 0u);

    // Wine's spooler does not refuse the duplicate (no 1802): its AddPrinter rewrites
    // the existing printer, with the same outcome as the take-over.
    std::vector<SpoolerCall> adds = second.calls(L"AddPrinter");
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].field(L"result"), L"1");
    std::optional<lab::PrinterEntry> entry = printer(kSite);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT1");
    EXPECT_EQ(entry->comment, L"Upload job to Print Site at 192.0.2.99");
    expectDriverData(kSite, L"192.0.2.99");
}

TEST_F(AutomaticInstallation, DuplicatePrinterRefusedAsWindowsDoesIsTakenOver) {
    lab::PrinterSpec existing = lab::foreignPrinter(kSite, L"LPT1:");
    existing.comment = L"an older printer";
    lab::addPrinter(existing);

    RunReport report = install(siteProperties(kSite, kServerIp, {L"--windows-duplicate-rule"}));
    ASSERT_EQ(report.result, 0u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);

    std::vector<SpoolerCall> adds = report.calls(L"AddPrinter");
    ASSERT_EQ(adds.size(), 1u) << describe(report);
    EXPECT_EQ(adds[0].field(L"error"), L"1802");
    std::vector<SpoolerCall> opens = report.calls(L"OpenPrinter");
    ASSERT_EQ(opens.size(), 1u) << describe(report);
    EXPECT_EQ(opens[0].field(L"name"), kSite);
    EXPECT_EQ(opens[0].field(L"access"), L"f000c");  // PRINTER_ALL_ACCESS
    std::vector<SpoolerCall> sets = report.calls(L"SetPrinter");
    ASSERT_EQ(sets.size(), 1u) << describe(report);
    EXPECT_EQ(sets[0].field(L"level"), L"2");
    EXPECT_EQ(sets[0].field(L"name"), kSite);
    EXPECT_EQ(sets[0].field(L"port"), L"ZOLT0");
    EXPECT_EQ(sets[0].field(L"driver"), L"ZOLT Print Driver");
    EXPECT_EQ(sets[0].field(L"comment"), L"Upload job to Print Site at 192.0.2.10");
    EXPECT_EQ(sets[0].field(L"processor"), L"WinPrint");
    EXPECT_EQ(sets[0].field(L"result"), L"1");

    std::optional<lab::PrinterEntry> entry = printer(kSite);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT0");
    EXPECT_EQ(entry->comment, L"Upload job to Print Site at 192.0.2.10");
    expectDriverData(kSite, kServerIp);
}

TEST_F(AutomaticInstallation, FailedTakeOverIsReportedAndTheDialogFollows) {
    lab::addForeignPrinter(kSite, L"LPT1:");
    auto run = start(siteProperties(kSite, kServerIp, {L"--windows-duplicate-rule", L"--refuse", L"SetPrinter=5"}));
    acknowledge(*run, L"Error", L"Cannot create printer:\n" + systemText(ERROR_ACCESS_DENIED));
    closeDialog(*run);
    RunReport report = run->finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_EQ(report.calls(L"AddPrinter").size(), 1u) << "no second attempt after 1802";
    EXPECT_EQ(driverData(kSite, L"Mfg"), std::nullopt);
}

TEST_F(AutomaticInstallation, OtherRefusalRetriesAsZoltPrinter) {
    // Wine refuses an empty printer name with 1801.
    RunReport report = install(siteProperties(L""));
    ASSERT_EQ(report.result, 0u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);
    std::vector<SpoolerCall> adds = report.calls(L"AddPrinter");
    ASSERT_EQ(adds.size(), 2u) << describe(report);
    EXPECT_EQ(adds[0].field(L"error"), L"1801");
    EXPECT_EQ(adds[1].field(L"name"), L"ZOLT Printer");
    EXPECT_EQ(adds[1].field(L"comment"), L"Upload job to  at 192.0.2.10");
    std::optional<lab::PrinterEntry> entry = printer(L"ZOLT Printer");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT0");
    expectDriverData(L"ZOLT Printer", kServerIp);
}

TEST_F(AutomaticInstallation, SpoolerRefusingThePrinterIsReportedAndTheDialogFollows) {
    auto run = start(siteProperties(kSite, kServerIp, {L"--refuse", L"AddPrinter=5"}));
    acknowledge(*run, L"Error", L"Cannot create printer:\n" + systemText(ERROR_ACCESS_DENIED));
    closeDialog(*run);
    RunReport report = run->finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    std::vector<SpoolerCall> adds = report.calls(L"AddPrinter");
    ASSERT_EQ(adds.size(), 2u) << describe(report);
    EXPECT_EQ(adds[1].field(L"name"), L"ZOLT Printer");
    ASSERT_EQ(report.dialogs.size(), 2u) << describe(report);
    EXPECT_EQ(report.dialogs[1].caption, L"Printer Configuration");
}

TEST_F(AutomaticInstallation, WithoutUserInterfaceEveryMessageGoesToTheInstallerLog) {
    using Messages = std::vector<std::pair<std::wstring, std::wstring>>;
    for (const wchar_t* level : {L"UILevel=2", L"UILevel=3"}) {  // none, basic
        RunReport report = install(siteProperties(kSite, L"", {level, L"--refuse", L"AddPrinter=5"}));
        EXPECT_EQ(report.result, 1603u) << describe(report);
        EXPECT_TRUE(report.dialogs.empty()) << describe(report);
        EXPECT_EQ(report.installerMessages,
                  (Messages{{L"info", L"Installer Error: Corrupt Installation File"},
                            {L"error", L"Error: Cannot create printer:\n" + systemText(ERROR_ACCESS_DENIED)},
                            {L"info",
                             L"Printer Configuration: the printer to take over cannot be chosen without the "
                             L"installer's user interface"}}))
            << describe(report);
    }
}

TEST_F(AutomaticInstallation, SiteWithoutAddressWarnsAndGoesOn) {
    auto run = start(siteProperties(kSite, L""));
    acknowledge(*run, L"Installer Error", L"Corrupt Installation File");
    RunReport report = run->finish();
    EXPECT_EQ(report.result, 0u) << describe(report);
    std::optional<lab::PrinterEntry> entry = printer(kSite);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->comment, L"Upload job to Print Site at ");
    expectDriverData(kSite, L"");
}

TEST_F(AutomaticInstallation, TrailingBlanksOfTheSiteAreKept) {
    RunReport report = install(siteProperties(L"Print Site  "));
    ASSERT_EQ(report.result, 0u) << describe(report);
    EXPECT_TRUE(printer(L"Print Site  "));
    EXPECT_FALSE(printer(L"Print Site"));
    expectDriverData(L"Print Site  ", kServerIp);
}

TEST_F(AutomaticInstallation, MonitorWithoutPrivateKeyEndsSilently) {
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, setuplab::kMonitorKey, L"Driver", L"ZoltPort.dll");
    RunReport report = install(siteProperties());
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);
    EXPECT_TRUE(report.calls(L"AddPort").empty());
    EXPECT_TRUE(report.calls(L"AddPrinter").empty());
    EXPECT_FALSE(printer(kSite));
}

TEST_F(AutomaticInstallation, MissingMonitorFileEndsSilently) {
    removeNtMonitorFile();
    RunReport report = install(siteProperties());
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);
    std::vector<SpoolerCall> monitors = report.calls(L"AddMonitor");
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].field(L"error"), L"126");  // the module is not found
    EXPECT_TRUE(report.calls(L"AddPrinter").empty());
}

TEST_F(AutomaticInstallation, MonitorAlreadyThereIsNoFailure) {
    for (const wchar_t* refusal : {L"AddMonitor=3006", L"AddMonitor=183"}) {
        RunReport report = install(siteProperties(kSite, kServerIp, {L"--refuse", refusal}));
        EXPECT_EQ(report.result, 0u) << describe(report);
        EXPECT_EQ(report.calls(L"AddPort").size(), 1u) << describe(report);
        EXPECT_TRUE(printer(kSite));
    }
    RunReport refused = install(siteProperties(L"Other Site", kServerIp, {L"--refuse", L"AddMonitor=5"}));
    EXPECT_EQ(refused.result, 1603u) << describe(refused);
    EXPECT_TRUE(refused.dialogs.empty()) << describe(refused);
    EXPECT_FALSE(printer(L"Other Site"));
}

TEST_F(AutomaticInstallation, RefusedPortAnnouncementEndsSilently) {
    ASSERT_EQ(install(siteProperties()).result, 0u);
    RunReport report = install(siteProperties(L"Other Site", kServerIp, {L"--refuse", L"AddPort=50"}));
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty()) << describe(report);
    EXPECT_TRUE(report.calls(L"AddPrinter").empty());
    EXPECT_FALSE(printer(L"Other Site"));
}

TEST_F(AutomaticInstallation, PrinterUiEntriesInTheirOrder) {
    usePrintUi(setuplab::PrintUi::Ansi);
    ASSERT_EQ(install(siteProperties()).result, 0u);
    usePrintUi(setuplab::PrintUi::Plain);
    ASSERT_EQ(install(siteProperties()).result, 0u);
    std::vector<std::wstring> printUi = m_printUi.lines();
    ASSERT_EQ(printUi.size(), 2u);
    const std::wstring call =
        L"\twindow=null\tinstance=self\tshow=1\tcommand=/ia /m \"ZOLT Print Driver\" /f "
        L"\"C:\\Program Files\\Kelo Print Driver\\oemsetup.inf\"";
    EXPECT_EQ(printUi[0], L"entry=PrintUIEntryA" + call);
    EXPECT_EQ(printUi[1], L"entry=PrintUIEntry" + call);
}

TEST_F(AutomaticInstallation, WithoutDriverInstallationTheDialogFollows) {
    usePrintUi(setuplab::PrintUi::NoEntry);
    auto run = start(siteProperties());
    acknowledge(*run, L"Error", L"Cannot install printer driver");
    closeDialog(*run);
    RunReport report = run->finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.calls(L"AddMonitor").empty());

    usePrintUi(setuplab::PrintUi::Wide);
    auto withoutFolder = start({L"INSTALL_IP=192.0.2.10", L"INSTALL_SITE=Print Site"});
    acknowledge(*withoutFolder, L"Error", L"Cannot install printer driver");
    closeDialog(*withoutFolder);
    EXPECT_EQ(withoutFolder->finish().result, 1603u);
    EXPECT_TRUE(m_printUi.lines().empty());
}

TEST_F(AutomaticInstallation, UnreadablePropertiesEndWithoutMessage) {
    RunReport report = install({L"--no-handle"});
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.dialogs.empty());
    EXPECT_TRUE(report.spoolerCalls.empty());
}

}  // namespace
