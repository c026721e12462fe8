// keloInstallPrinter's dialog "Printer Configuration": shown at once below Windows 2000
// (and whenever the automatic installation fails); a user picks a PostScript printer,
// which the action converts.
#include <algorithm>
#include <functional>

#include "lab_text.h"
#include "setup_lab.h"
#include "setup_resources.h"

namespace {

namespace gui = lab::gui;
using setuplab::RunReport;

const wchar_t kDialogCaption[] = L"Printer Configuration";

class PrinterDialog : public InstallationTest {
protected:
    void SetUp() override {
        useVersion(L"nt40");
        lab::addForeignPrinter(L"Old Printer", L"LPT1:");
    }

    // Starts the action and waits for its dialog.
    HWND open(const std::vector<std::wstring>& arguments) {
        m_run = start(arguments);
        return m_dialog = waitFor(m_run, kDialogCaption);
    }
    HWND list() const { return GetDlgItem(m_dialog, IDC_PRINTER_LIST); }
    // Picks the printer and presses OK.
    void choose(const std::wstring& printer) {
        std::vector<std::wstring> items = gui::comboItems(list());
        auto found = std::find(items.begin(), items.end(), printer);
        ASSERT_NE(found, items.end()) << lab::toUtf8(printer) << " is not listed";
        gui::chooseComboItem(list(), (int)(found - items.begin()));
        gui::click(m_dialog, IDOK);
    }
    // A message box of the run (not the dialog).
    void answer(const std::wstring& caption, const std::wstring& message, int button = IDOK) {
        InstallationTest::answer(m_run, caption, message, m_dialog, button);
    }
    RunReport finish() { return setuplab::finish(*m_run); }
    static std::wstring renameQuestion(const std::wstring& from, const std::wstring& to) {
        return L"Setup will now change the printer: \n   " + from + L"\nTo:\n   " + to +
               L"\n\n(This is required for a ZOLT Print Driver configuration)\nIs it OK to proceed?";
    }

    setuplab::Run m_run;
    HWND m_dialog = nullptr;
};

TEST_F(PrinterDialog, BelowWindows2000TheDialogOpensAtOnceWithThePostScriptPrinters) {
    lab::addForeignPrinter(L"Zeta Printer", L"LPT1:");
    lab::addPrinter(lab::keloPrinter(L"Middle Site", L"ZOLT0", L"192.0.2.1"));
    for (auto [version, code] : {std::pair<const wchar_t*, int>{L"nt40", 3}, {L"win98", 4}, {L"win7", 0}}) {
        useVersion(version);
        ASSERT_TRUE(open(site(kSite, L""))) << lab::toUtf8(version);
        if (code != 4) {  // under a 9x version, Wine looks for the printers' driver where the lab has none
            EXPECT_EQ(gui::comboItems(list()),
                      (std::vector<std::wstring>{L"Middle Site", L"Old Printer", L"Zeta Printer"}));
            EXPECT_EQ(gui::comboSelection(list()), 0);
        }
        // Without a selection the dialog stays (before it asks for the missing address);
        // its close box fails the action.
        gui::chooseComboItem(list(), -1);
        gui::click(m_dialog, IDOK);
        answer(L"Installer Error", L"Printer must be selected in order to proceed");
        EXPECT_TRUE(IsWindowVisible(m_dialog));
        gui::pressCloseBox(m_dialog);
        RunReport report = finish();
        EXPECT_EQ(report.platform(), code) << report.output;
        EXPECT_EQ(report.result, 1603u) << report.output;
        EXPECT_TRUE(report.lines("spooler").empty()) << report.output;
    }
    EXPECT_TRUE(m_folder->printUiCalls().empty());
    EXPECT_EQ(setuplab::registryValue(setuplab::kMonitorKey, L"Driver"), std::nullopt);
    EXPECT_EQ(entryOf(L"Old Printer").port, L"LPT1:");
}

TEST_F(PrinterDialog, ConvertsThePickedPrinterEachOnANewPort) {
    lab::addForeignPrinter(L"Other Printer", L"LPT1:");
    lab::addForeignPrinter(L"PRINT SITE", L"LPT1:");
    const struct {
        const wchar_t* printer;
        const wchar_t* site;
        int answer;  // to the question whether to rename; 0: none is asked
        const wchar_t* result;
        const wchar_t* port;
    } cases[] = {
        {L"Old Printer", L"New Site \t\r\n ", IDYES, L"New Site", L"ZOLT0"},
        {L"Other Printer", kSite, IDNO, L"Other Printer", L"ZOLT1"},
        {L"PRINT SITE", kSite, 0, L"PRINT SITE", L"ZOLT2"},  // the same name in other letter case
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(open(site(c.site)));
        choose(c.printer);
        if (c.answer) answer(kDialogCaption, renameQuestion(c.printer, c.answer == IDYES ? c.result : kSite), c.answer);
        RunReport report = finish();
        ASSERT_EQ(report.result, 0u) << report.output;
        EXPECT_EQ(report.spooler("SetPrinterW"), "result=1\terror=0") << report.output;
        EXPECT_EQ(report.spooler("AddPrinterW"), "") << report.output;
        // Wine renames the printer's record but keeps its registry key ("Old Printer"); the
        // values go to the key of the new name, where the Windows spooler moves the printer.
        expectKeloPrinter(c.result, c.port, kServerIp);
        // Driver and comment stay as they were.
        EXPECT_EQ(entryOf(c.result).comment, L"A printer of another system");
    }
    EXPECT_EQ(setuplab::registryValue(setuplab::kMonitorKey, L"Driver"), std::wstring(L"ZoltPort.dll"));
}

TEST_F(PrinterDialog, FailuresAfterOkAreReportedAndLeaveThePrinter) {
    const struct {
        std::vector<std::wstring> arguments;
        std::function<void()> beforeOk;
        bool asks;
        std::wstring message;
    } cases[] = {
        {site(kSite, L""), [] {}, false, L"Corrupt installation file !"},
        {site(kSite, kServerIp, {L"--refuse=AddMonitor=5"}), [] {}, false,
         L"Cannot Add ZOLT Port Monitor [5]:\n" + systemText(ERROR_ACCESS_DENIED)},
        {site(L" \t "), [] {}, false, L"Unexpected error !"},
        {site(kSite, kServerIp, {L"--refuse=SetPrinter=5"}), [] {}, true,
         L"Cannot set printer information [Old Printer]: " + systemText(ERROR_ACCESS_DENIED)},
        {site(), [] { lab::removePrinter(L"Old Printer"); }, false,
         L"Cannot open printer [Old Printer]: " + systemText(ERROR_INVALID_PRINTER_NAME)},
        // The monitor is registered (by the third case) without its ports' key.
        {site(),
         [] { lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, std::wstring(setuplab::kMonitorKey) + L"\\Private"); }, false,
         L"enumRegistryKeys: cannot open key"},
    };
    for (const auto& c : cases) {
        if (!printer(L"Old Printer")) lab::addForeignPrinter(L"Old Printer", L"LPT1:");
        ASSERT_TRUE(open(c.arguments));
        c.beforeOk();
        choose(L"Old Printer");
        if (c.asks) answer(kDialogCaption, renameQuestion(L"Old Printer", kSite), IDYES);
        answer(L"Installer Error", c.message);
        RunReport report = finish();
        EXPECT_EQ(report.result, 1603u) << report.output;
        EXPECT_EQ(report.spooler("SetPrinterW").find("result=1"), std::string::npos) << report.output;
        EXPECT_EQ(driverData(L"Old Printer", L"Mfg"), std::nullopt);
        EXPECT_EQ(driverData(kSite, L"Mfg"), std::nullopt);
        if (printer(L"Old Printer")) {
            EXPECT_EQ(entryOf(L"Old Printer").port, L"LPT1:");
        }
    }
}

}  // namespace
