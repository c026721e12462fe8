// keloInstallPrinter on Windows 2000, XP and later 5.x systems: driver, monitor, port and
// printer without questions, and what happens when a step fails.
#include "lab_text.h"
#include "setup_lab.h"

namespace {

using setuplab::RunReport;

class AutomaticInstallation : public InstallationTest {
protected:
    void SetUp() override { useVersion(L"winxp"); }
};

TEST_F(AutomaticInstallation, InstallsDriverMonitorPortAndPrinter) {
    const struct {
        const wchar_t* version;
        int platform;
        const wchar_t* printUi;
        const char* entry;  // the first of PrintUIEntryW, PrintUIEntryA and PrintUIEntry the library has
        const wchar_t* site;
        const wchar_t* serverIp;
        const wchar_t* printer;
        const char* addPrinter;  // the spooler's answers
    } cases[] = {
        {L"winxp", 7, L"printui_wide.dll", "PrintUIEntryW", kSite, kServerIp, kSite, "result=1\terror=0"},
        // The same site again: the spooler refuses the duplicate, the printer is taken over.
        {L"win2k", 6, L"printui_ansi.dll", "PrintUIEntryA", kSite, L"192.0.2.99", kSite, "result=0\terror=1802"},
        {L"win2003", 8, L"printui_plain.dll", "PrintUIEntry", L"Other Site  ", kServerIp, L"Other Site  ",
         "result=1\terror=0"},
        // Wine refuses an empty name (1801): the printer is added under its default name.
        {L"winxp", 7, L"printui_wide.dll", "PrintUIEntryW", L"", kServerIp, L"ZOLT Printer",
         "result=0\terror=1801, result=1\terror=0"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        useVersion(c.version);
        m_folder = std::make_unique<setuplab::ActionFolder>(c.printUi);
        RunReport report = install(site(c.site, c.serverIp));
        ASSERT_EQ(report.result, 0u) << report.output;
        EXPECT_EQ(report.platform(), c.platform);
        EXPECT_EQ(m_folder->printUiCalls(),
                  std::vector<std::string>{std::string(c.entry) + " /ia /m \"ZOLT Print Driver\" /f \"C:\\Program "
                                                                  "Files\\Kelo Print Driver\\oemsetup.inf\""});
        // The monitor once, then only a new port, announced to it.
        EXPECT_EQ(report.spooler("AddMonitorW"), i == 0 ? "result=1\terror=0" : "");
        EXPECT_EQ(report.spooler("AddPortW"), "result=1\terror=0");
        std::wstring port = L"ZOLT" + std::to_wstring(i);
        // The port's key stood before the monitor was loaded: the monitor has read it.
        EXPECT_EQ(portActive(port), std::wstring(L"0"));
        EXPECT_EQ(report.spooler("AddPrinterW"), c.addPrinter);
        expectKeloPrinter(c.printer, port, c.serverIp);
    }
    EXPECT_EQ(entryOf(kSite).comment, L"Upload job to Print Site at 192.0.2.99");
    EXPECT_EQ(entryOf(L"ZOLT Printer").comment, L"Upload job to  at 192.0.2.10");
    EXPECT_FALSE(printer(L"Other Site"));  // trailing blanks are kept
    EXPECT_EQ(setuplab::registryValue(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort.dll"));
    // The engine reads the values through the spooler, whatever their letter case.
    EXPECT_EQ(lab::printerData(kSite, L"KeloServerIp"), std::wstring(L"192.0.2.99"));
}

TEST_F(AutomaticInstallation, FailuresAreReportedAndTheDialogFollows) {
    lab::addForeignPrinter(L"Taken Site", L"LPT1:");
    std::vector<std::wstring> withoutFolder = site(L"No Folder Site");
    withoutFolder.erase(withoutFolder.begin());
    const std::wstring cannotCreate = L"Cannot create printer:\n" + systemText(ERROR_ACCESS_DENIED);
    const struct {
        const wchar_t* printUi;
        std::vector<std::wstring> arguments;
        std::wstring message;
        const char* addPrinter;
    } cases[] = {
        {L"printui_none.dll", site(L"No Entry Site"), L"Cannot install printer driver", ""},
        {L"printui_wide.dll", withoutFolder, L"Cannot install printer driver", ""},
        {L"printui_wide.dll", site(kSite, kServerIp, {L"--refuse=AddPrinter=5"}), cannotCreate,
         "result=0\terror=5, result=0\terror=5"},
        // No second attempt after the refused duplicate.
        {L"printui_wide.dll", site(L"Taken Site", kServerIp, {L"--refuse=SetPrinter=5"}), cannotCreate,
         "result=0\terror=1802"},
    };
    for (const auto& c : cases) {
        m_folder = std::make_unique<setuplab::ActionFolder>(c.printUi);
        setuplab::Run run = start(c.arguments);
        answer(run, L"Error", c.message);
        if (HWND dialog = waitFor(run, L"Printer Configuration")) lab::gui::pressCloseBox(dialog);
        RunReport report = setuplab::finish(*run);
        EXPECT_EQ(report.result, 1603u) << report.output;
        EXPECT_EQ(report.spooler("AddPrinterW"), c.addPrinter) << report.output;
        EXPECT_EQ(m_folder->printUiCalls().size(), *c.addPrinter ? 1u : 0u);
    }
    EXPECT_FALSE(printer(kSite));
    EXPECT_EQ(driverData(L"Taken Site", L"Mfg"), std::nullopt);
}

TEST_F(AutomaticInstallation, WithoutUserInterfaceEveryMessageGoesToTheInstallerLog) {
    for (const wchar_t* level : {L"UILevel=2", L"UILevel=3"}) {  // none, basic
        RunReport report = install(site(kSite, L"", {level, L"--refuse=AddPrinter=5"}));
        EXPECT_EQ(report.result, 1603u) << report.output;
        EXPECT_EQ(
            report.lines("installer\t"),
            (std::vector<std::string>{
                "installer\tinfo\tInstaller Error: Corrupt Installation File",
                "installer\terror\tError: Cannot create printer:\\n" + lab::toUtf8(systemText(ERROR_ACCESS_DENIED)),
                "installer\tinfo\tPrinter Configuration: the printer to take over cannot be chosen without the "
                "installer's user interface"}));
    }
}

TEST_F(AutomaticInstallation, SiteWithoutAddressWarnsAndGoesOn) {
    setuplab::Run run = start(site(kSite, L""));
    answer(run, L"Installer Error", L"Corrupt Installation File");
    EXPECT_EQ(setuplab::finish(*run).result, 0u);
    expectKeloPrinter(kSite, L"ZOLT0", L"");
    EXPECT_EQ(entryOf(kSite).comment, L"Upload job to Print Site at ");
}

TEST_F(AutomaticInstallation, MonitorAndPortFailuresEndSilently) {
    // The spooler's answer -> the action's result: a monitor already there is no failure;
    // a refused port announcement to an installed monitor is.
    const struct {
        const wchar_t* refusal;
        DWORD result;
    } cases[] = {
        {L"AddMonitor=3006", 0}, {L"AddMonitor=183", 0}, {L"AddMonitor=5", 1603}, {L"", 0}, {L"AddPort=50", 1603}};
    for (const auto& c : cases) {
        std::wstring name = std::wstring(L"Site ") + (*c.refusal ? c.refusal : L"without refusal");
        std::vector<std::wstring> arguments = site(name);
        if (*c.refusal) arguments.push_back(std::wstring(L"--refuse=") + c.refusal);
        RunReport report = install(arguments);
        EXPECT_EQ(report.result, c.result) << report.output;
        EXPECT_EQ(printer(name).has_value(), c.result == 0) << lab::toUtf8(name);
    }
}

}  // namespace
