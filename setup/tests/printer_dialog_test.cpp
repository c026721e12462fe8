// keloInstallPrinter's dialog "Printer Configuration": shown at once below Windows 2000
// (and whenever the automatic installation fails); a user picks a PostScript printer,
// which the action converts.
#include "installation_test.h"
#include "setup_resources.h"

namespace {

using setuplab::RunReport;
using setuplab::SpoolerCall;

const wchar_t kDialogCaption[] = L"Printer Configuration";

class PrinterDialog : public InstallationTest {
protected:
    void SetUp() override {
        InstallationTest::SetUp();
        useVersion(L"nt40");
    }

    // Starts the action and waits for its dialog.
    HWND open(const std::vector<std::wstring>& arguments) {
        m_run = start(arguments);
        m_dialog = waitFor(*m_run, kDialogCaption);
        return m_dialog;
    }
    HWND list() const { return GetDlgItem(m_dialog, IDC_PRINTER_LIST); }
    void choose(const std::wstring& printer) {
        std::vector<std::wstring> items = gui::comboItems(list());
        auto found = std::find(items.begin(), items.end(), printer);
        ASSERT_NE(found, items.end()) << lab::toUtf8(printer) << " is not listed";
        gui::chooseComboItem(list(), (int)(found - items.begin()));
    }
    void pressOk() { gui::click(m_dialog, IDOK); }
    // The next message box of the run (not the dialog) with this caption.
    HWND messageBox(const std::wstring& caption) { return waitFor(*m_run, caption, m_dialog); }
    void acknowledge(const std::wstring& caption, const std::wstring& message) {
        HWND box = messageBox(caption);
        if (!box) return;
        EXPECT_EQ(lab::toUtf8(gui::messageBoxText(box)), lab::toUtf8(message));
        gui::click(box, IDOK);
        gui::waitForWindowGone(box);
    }
    RunReport finish() { return m_run->finish(); }

    static void expectNothingInstalled(const RunReport& report) {
        for (const wchar_t* call : {L"AddMonitor", L"AddPort", L"AddPrinter", L"SetPrinter"})
            EXPECT_TRUE(report.calls(call).empty()) << lab::toUtf8(call) << "\n" << describe(report);
    }

    std::unique_ptr<setuplab::ActionRun> m_run;
    HWND m_dialog = nullptr;
};

TEST_F(PrinterDialog, BelowWindows2000TheDialogOpensAtOnce) {
    for (auto [version, code] : {std::pair<const wchar_t*, int>{L"nt40", 3}, {L"win98", 4}, {L"win7", 0}}) {
        useVersion(version);
        ASSERT_TRUE(open(siteProperties())) << lab::toUtf8(version);
        gui::pressCloseBox(m_dialog);
        RunReport report = finish();
        EXPECT_EQ(report.platform, code) << describe(report);
        EXPECT_EQ(report.result, 1603u) << describe(report);
        ASSERT_EQ(report.dialogs.size(), 1u) << describe(report);
        EXPECT_EQ(report.dialogs[0].caption, kDialogCaption);
        expectNothingInstalled(report);
        EXPECT_TRUE(m_printUi.lines().empty());
    }
}

TEST_F(PrinterDialog, ListsThePostScriptPrintersSortedAndSelectsTheFirst) {
    lab::addForeignPrinter(L"Zeta Printer", L"LPT1:");
    lab::addForeignPrinter(L"Alpha Printer", L"LPT1:");
    lab::addPrinter(lab::keloPrinter(L"Middle Site", L"ZOLT0", L"192.0.2.1"));
    ASSERT_TRUE(open(siteProperties()));

    EXPECT_EQ(gui::comboItems(list()), (std::vector<std::wstring>{L"Alpha Printer", L"Middle Site", L"Zeta Printer"}));
    EXPECT_EQ(gui::comboSelection(list()), 0);
    EXPECT_EQ(gui::textOf(GetDlgItem(m_dialog, IDC_SELECT_LABEL)), L"Select Printer:");
    EXPECT_EQ(gui::textOf(GetDlgItem(m_dialog, IDOK)), L"OK");

    // Without an owner, centred on the work area.
    RECT area = {}, window = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(m_dialog, &window);
    EXPECT_NEAR((window.left + window.right) / 2, (area.left + area.right) / 2, 2);
    EXPECT_NEAR((window.top + window.bottom) / 2, (area.top + area.bottom) / 2, 2);

    gui::pressCloseBox(m_dialog);
    RunReport report = finish();
    EXPECT_EQ(report.result, 1603u);
    // The library's icon in both sizes.
    ASSERT_EQ(report.dialogs.size(), 1u) << describe(report);
    EXPECT_EQ(report.dialogs[0].icons, L"32x32 16x16");
}

TEST_F(PrinterDialog, ConvertsThePickedPrinterUnderTheSiteName) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties(L"New Site \t\r\n ")));
    choose(L"Old Printer");
    pressOk();
    HWND question = messageBox(kDialogCaption);
    ASSERT_TRUE(question);
    EXPECT_EQ(lab::toUtf8(gui::messageBoxText(question)),
              "Setup will now change the printer: \n   Old Printer\nTo:\n   New Site\n\n(This is required for a ZOLT "
              "Print Driver configuration)\nIs it OK to proceed?");
    gui::click(question, IDYES);
    RunReport report = finish();
    ASSERT_EQ(report.result, 0u) << describe(report);

    std::vector<SpoolerCall> monitors = report.calls(L"AddMonitor");
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].name, L"AddMonitorW");
    EXPECT_EQ(monitors[0].field(L"dll"), L"ZoltPort.dll");
    std::vector<SpoolerCall> opens = report.calls(L"OpenPrinter");
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens.back().field(L"name"), L"Old Printer");
    EXPECT_EQ(opens.back().field(L"access"), L"f000c");
    std::vector<SpoolerCall> sets = report.calls(L"SetPrinter");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].field(L"name"), L"New Site");
    EXPECT_EQ(sets[0].field(L"port"), L"ZOLT0");
    // Driver, comment and print processor stay as they were.
    EXPECT_EQ(sets[0].field(L"driver"), L"ZOLT Print Driver");
    EXPECT_EQ(sets[0].field(L"comment"), L"A printer of another system");

    // Wine renames the printer's record but keeps its registry key ("Old Printer");
    // the values go to the key of the new name, where the Windows spooler moves the
    // printer.
    std::optional<lab::PrinterEntry> entry = printer(L"New Site");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT0");
    expectDriverData(L"New Site", kServerIp);
    EXPECT_TRUE(report.calls(L"AddPrinter").empty());
}

TEST_F(PrinterDialog, DeclinedRenameKeepsTheName) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    choose(L"Old Printer");
    pressOk();
    HWND question = messageBox(kDialogCaption);
    ASSERT_TRUE(question);
    gui::click(question, IDNO);
    RunReport report = finish();
    ASSERT_EQ(report.result, 0u) << describe(report);
    std::optional<lab::PrinterEntry> entry = printer(L"Old Printer");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, L"ZOLT0");
    expectDriverData(L"Old Printer", kServerIp);
    EXPECT_FALSE(printer(kSite));
}

TEST_F(PrinterDialog, SameNameInOtherLetterCaseAsksNothing) {
    lab::addForeignPrinter(L"PRINT SITE", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    choose(L"PRINT SITE");
    pressOk();
    RunReport report = finish();
    ASSERT_EQ(report.result, 0u) << describe(report);
    ASSERT_EQ(report.dialogs.size(), 1u) << describe(report);
    EXPECT_EQ(report.calls(L"SetPrinter").at(0).field(L"name"), L"PRINT SITE");
    expectDriverData(L"PRINT SITE", kServerIp);
}

TEST_F(PrinterDialog, SecondConversionTakesTheNextPort) {
    lab::addForeignPrinter(L"Print Site", L"LPT1:");
    for (const wchar_t* port : {L"ZOLT0", L"ZOLT1"}) {
        ASSERT_TRUE(open(siteProperties()));
        choose(kSite);
        pressOk();
        RunReport report = finish();
        ASSERT_EQ(report.result, 0u) << describe(report);
        EXPECT_EQ(printer(kSite)->port, port);
    }
    EXPECT_EQ(ports(), (std::vector<std::wstring>{L"ZOLT0", L"ZOLT1"}));
}

TEST_F(PrinterDialog, Windows98ConvertsThroughTheAnsiSpooler) {
    useVersion(L"win98");
    setuplab::ScopedNineXDriver nineXDriver;
    lab::addForeignPrinter(L"Print Site", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    choose(kSite);
    pressOk();
    RunReport report = finish();
    ASSERT_EQ(report.result, 0u) << describe(report);
    EXPECT_EQ(report.platform, 4);

    // The installer leaves VersionNT unset on Windows 9x: the 9x record.
    std::vector<SpoolerCall> monitors = report.calls(L"AddMonitor");
    ASSERT_EQ(monitors.size(), 1u) << describe(report);
    EXPECT_EQ(monitors[0].name, L"AddMonitorA");
    EXPECT_EQ(monitors[0].field(L"level"), L"2");
    EXPECT_EQ(monitors[0].field(L"name"), L"ZOLT Print Port");
    EXPECT_EQ(monitors[0].field(L"environment"), L"Windows 4.0");
    EXPECT_EQ(monitors[0].field(L"dll"), L"ZoltPort98.dll");
    EXPECT_EQ(setuplab::registryString(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort98.dll"));

    // Opened with default access; the record keeps its port, the registry gets it.
    std::vector<SpoolerCall> opens = report.calls(L"OpenPrinterA");
    ASSERT_FALSE(opens.empty()) << describe(report);
    EXPECT_EQ(opens.back().field(L"access"), L"default");
    std::vector<SpoolerCall> sets = report.calls(L"SetPrinterA");
    ASSERT_EQ(sets.size(), 1u) << describe(report);
    EXPECT_EQ(sets[0].field(L"port"), L"LPT1:");
    EXPECT_EQ(setuplab::registryString(std::wstring(setuplab::kPrintersKey) + L"\\Print Site", L"Port"),
              std::wstring(L"ZOLT0"));
    expectDriverData(kSite, kServerIp);
    EXPECT_TRUE(report.calls(L"OpenPrinterW").empty() && report.calls(L"SetPrinterW").empty()) << describe(report);
}

TEST_F(PrinterDialog, Windows98MonitorThatWineCannotLoad) {
    // Wine's spooler loads only monitors with the NT entry: the 9x monitor is refused (127).
    useVersion(L"win98");
    setuplab::ScopedNineXDriver nineXDriver;
    useRealNineXMonitor();
    lab::addForeignPrinter(L"Print Site", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    choose(kSite);
    pressOk();
    acknowledge(L"Installer Error", L"Cannot Add ZOLT Port Monitor [127]:\n" + systemText(127));
    RunReport report = finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.calls(L"SetPrinter").empty());
}

TEST_F(PrinterDialog, CloseBoxFailsTheAction) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    gui::pressCloseBox(m_dialog);
    RunReport report = finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    expectNothingInstalled(report);
    EXPECT_FALSE(setuplab::registryKeyExists(setuplab::kMonitorKey));
    EXPECT_EQ(printer(L"Old Printer")->port, L"LPT1:");
}

TEST_F(PrinterDialog, WithoutSelectionTheDialogStays) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    for (const wchar_t* serverIp : {kServerIp, L""}) {
        ASSERT_TRUE(open(siteProperties(kSite, serverIp)));
        gui::chooseComboItem(list(), -1);
        pressOk();
        acknowledge(L"Installer Error", L"Printer must be selected in order to proceed");
        EXPECT_TRUE(IsWindowVisible(m_dialog));
        gui::pressCloseBox(m_dialog);
        RunReport report = finish();
        EXPECT_EQ(report.result, 1603u) << describe(report);
        EXPECT_TRUE(report.calls(L"AddMonitor").empty());
    }
}

TEST_F(PrinterDialog, SiteWithoutAddressOrNameIsRefused) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    for (auto [properties, message] : {std::pair{siteProperties(kSite, L""), L"Corrupt installation file !"},
                                       std::pair{siteProperties(L" \t "), L"Unexpected error !"}}) {
        ASSERT_TRUE(open(properties));
        pressOk();
        acknowledge(L"Installer Error", message);
        RunReport report = finish();
        EXPECT_EQ(report.result, 1603u) << describe(report);
        EXPECT_TRUE(report.calls(L"SetPrinter").empty()) << describe(report);
    }
    EXPECT_EQ(printer(L"Old Printer")->port, L"LPT1:");
}

TEST_F(PrinterDialog, MonitorWithoutPrivateKeyIsReported) {
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, setuplab::kMonitorKey, L"Driver", L"ZoltPort.dll");
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    pressOk();
    acknowledge(L"Installer Error", L"enumRegistryKeys: cannot open key");
    RunReport report = finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_TRUE(report.calls(L"SetPrinter").empty());
}

TEST_F(PrinterDialog, PrinterGoneBeforeOkIsReported) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties()));
    lab::removePrinter(L"Old Printer");
    pressOk();
    acknowledge(L"Installer Error", L"Cannot open printer [Old Printer]: " + systemText(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(finish().result, 1603u);
}

TEST_F(PrinterDialog, RefusedPrinterChangeIsReported) {
    lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    ASSERT_TRUE(open(siteProperties(kSite, kServerIp, {L"--refuse", L"SetPrinter=5"})));
    pressOk();
    HWND question = messageBox(kDialogCaption);
    ASSERT_TRUE(question);
    gui::click(question, IDYES);
    acknowledge(L"Installer Error",
                L"Cannot set printer information [Old Printer]: " + systemText(ERROR_ACCESS_DENIED));
    RunReport report = finish();
    EXPECT_EQ(report.result, 1603u) << describe(report);
    EXPECT_EQ(driverData(L"Print Site", L"Mfg"), std::nullopt);
    EXPECT_EQ(printer(L"Old Printer")->port, L"LPT1:");
}

}  // namespace
