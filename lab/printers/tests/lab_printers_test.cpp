#include "error_msg.h"
#include "handles.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "lab_text.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <algorithm>
#include <cstdlib>

using namespace lab;

namespace {

const BYTE kPoison = 0xde;
const DWORD kPoisonDword = 0xdeadbeef;
const wchar_t kPrinterKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

std::vector<PRINTER_INFO_2W> enumLocalPrinters(std::vector<BYTE>& buffer) {
    DWORD needed = kPoisonDword, count = kPoisonDword;
    SetLastError(kPoisonDword);
    if (EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count)) {
        EXPECT_EQ(0u, count);  // no printers at all
        return {};
    }
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_NE(kPoisonDword, needed);

    buffer.assign(needed, kPoison);
    SetLastError(kPoisonDword);
    EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed - 1, &needed, &count));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(buffer.size(), needed);

    count = kPoisonDword;
    EXPECT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count));
    auto* first = (PRINTER_INFO_2W*)buffer.data();
    return std::vector<PRINTER_INFO_2W>(first, first + count);
}

const PRINTER_INFO_2W* findPrinter(const std::vector<PRINTER_INFO_2W>& printers, const std::wstring& name) {
    for (const PRINTER_INFO_2W& printer : printers)
        if (printer.pPrinterName && name == printer.pPrinterName) return &printer;
    return nullptr;
}

PrinterHandle openPrinter(const std::wstring& name) {
    PrinterHandle printer;
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer.out(), nullptr)) << toUtf8(name);
    return printer;
}

bool registryKeyExists(const std::wstring& path) {
    RegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

}  // namespace

TEST(LabPrinterDriver, IsInstalledOnWinePostScriptWithTheLabPpd) {
    ensureDriver();
    ensureDriver();  // a second call leaves the installed driver alone
    ASSERT_TRUE(driverInstalled());

    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed, kPoison);
    ASSERT_TRUE(EnumPrinterDriversW(nullptr, nullptr, 3, buffer.data(), needed, &needed, &count));
    auto* drivers = (DRIVER_INFO_3W*)buffer.data();
    auto found = std::find_if(drivers, drivers + count,
                              [](const DRIVER_INFO_3W& d) { return std::wstring(kZoltDriverName) == d.pName; });
    ASSERT_NE(drivers + count, found);
    std::wstring dataFile = found->pDataFile;
    std::wstring driverPath = found->pDriverPath;
    EXPECT_TRUE(equalsNoCase(L"ZOLT.PPD", dataFile.substr(dataFile.find_last_of(L'\\') + 1))) << toUtf8(dataFile);
    EXPECT_TRUE(equalsNoCase(L"wineps.drv", driverPath.substr(driverPath.find_last_of(L'\\') + 1)))
        << toUtf8(driverPath);
    EXPECT_EQ(std::string(zoltPpdText()), readFileBytes(dataFile));
}

class LabPrinter : public testing::Test {
protected:
    const std::wstring m_name = L"Lab Fixture Site";
    const std::wstring m_port = L"ZOLT0";
    const std::wstring m_ip = L"192.0.2.10";

    void TearDown() override { removePrinter(m_name); }
};

TEST_F(LabPrinter, IsListedWithItsPortDriverCommentAndProcessor) {
    addPrinter(keloPrinter(m_name, m_port, m_ip));

    std::vector<BYTE> buffer;
    std::vector<PRINTER_INFO_2W> printers = enumLocalPrinters(buffer);
    const PRINTER_INFO_2W* printer = findPrinter(printers, m_name);
    ASSERT_NE(nullptr, printer);
    EXPECT_STREQ(m_port.c_str(), printer->pPortName);
    EXPECT_STREQ(kZoltDriverName, printer->pDriverName);
    EXPECT_STREQ(L"WinPrint", printer->pPrintProcessor);
    EXPECT_STREQ(L"Upload job to Lab Fixture Site at 192.0.2.10", printer->pComment);

    PrinterHandle handle = openPrinter(m_name);
    DWORD needed = kPoisonDword;
    GetPrinterW(handle.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed, kPoison);
    ASSERT_TRUE(GetPrinterW(handle.get(), 2, info.data(), needed, &needed));
    EXPECT_STREQ(m_port.c_str(), ((PRINTER_INFO_2W*)info.data())->pPortName);
}

TEST_F(LabPrinter, DriverDataReadsBackUnderAnyCaseOfTheName) {
    addPrinter(keloPrinter(m_name, m_port, m_ip));
    PrinterHandle printer = openPrinter(m_name);

    struct Expected {
        const wchar_t* askedName;
        std::wstring value;
    } cases[] = {{L"KeloServerIp", m_ip},
                 {L"KELOSERVERIP", m_ip},
                 {L"keloserverip", m_ip},
                 {L"Mfg", L"Vorlane"},
                 {L"MFG", L"Vorlane"},
                 {L"KeloDriverID", L"stdPrinterDriver"},
                 {L"kelodriverid", L"stdPrinterDriver"}};
    for (const Expected& expected : cases) {
        SCOPED_TRACE(toUtf8(expected.askedName));
        DWORD exactSize = (DWORD)((expected.value.size() + 1) * sizeof(wchar_t));
        std::vector<BYTE> buffer(exactSize, kPoison);
        DWORD type = kPoisonDword, needed = kPoisonDword;
        EXPECT_EQ((DWORD)ERROR_MORE_DATA, GetPrinterDataW(printer.get(), const_cast<LPWSTR>(expected.askedName), &type,
                                                          buffer.data(), exactSize - 1, &needed));
        EXPECT_EQ(exactSize, needed);

        type = kPoisonDword;
        needed = kPoisonDword;
        ASSERT_EQ((DWORD)ERROR_SUCCESS, GetPrinterDataW(printer.get(), const_cast<LPWSTR>(expected.askedName), &type,
                                                        buffer.data(), exactSize, &needed));
        EXPECT_EQ((DWORD)REG_SZ, type);
        EXPECT_EQ(exactSize, needed);
        EXPECT_EQ(expected.value, std::wstring((const wchar_t*)buffer.data()));
    }

    // The engine reads the same values straight from the printer's registry key.
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kPrinterKey + m_name + L"\\PrinterDriverData").c_str(),
                                           0, KEY_READ, key.out()));
    wchar_t value[64] = {};
    DWORD size = sizeof value, type = kPoisonDword;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), L"keloServerIp", nullptr, &type, (LPBYTE)value, &size));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(m_ip, value);
}

TEST_F(LabPrinter, ForeignPrinterHasNoDriverDataAndOtherMakersKeepTheirMark) {
    addForeignPrinter(m_name, m_port);
    PrinterHandle printer = openPrinter(m_name);
    for (const wchar_t* valueName : {kServerIpValue, kMfgValue, kDriverIdValue}) {
        DWORD type = kPoisonDword, needed = kPoisonDword;
        BYTE buffer[64];
        EXPECT_NE((DWORD)ERROR_SUCCESS,
                  GetPrinterDataW(printer.get(), const_cast<LPWSTR>(valueName), &type, buffer, sizeof buffer, &needed));
        EXPECT_FALSE(printerData(m_name, valueName).has_value());
    }
    printer.reset();

    addPrinter(m_name, m_port, m_ip, L"Other Maker", L"otherDriver");
    EXPECT_EQ(L"Other Maker", printerData(m_name, L"mfg").value_or(L"-"));
    EXPECT_EQ(L"otherDriver", printerData(m_name, L"KeloDriverId").value_or(L"-"));
    EXPECT_EQ(m_ip, printerData(m_name, L"KeloServerIp").value_or(L"-"));
}

TEST_F(LabPrinter, AddingAgainReplacesThePrinterAndItsData) {
    addPrinter(keloPrinter(m_name, m_port, m_ip));
    addPrinter(keloPrinter(m_name, L"ZOLT1", L"198.51.100.7"));

    std::vector<PrinterEntry> printers = listPrinters();
    auto sameName = [&](const PrinterEntry& entry) { return entry.name == m_name; };
    ASSERT_EQ(1, std::count_if(printers.begin(), printers.end(), sameName));
    const PrinterEntry& entry = *std::find_if(printers.begin(), printers.end(), sameName);
    EXPECT_EQ(L"ZOLT1", entry.port);
    EXPECT_EQ(L"198.51.100.7", entry.serverIp.value_or(L"-"));
    EXPECT_EQ(L"Upload job to Lab Fixture Site at 198.51.100.7", entry.comment);
}

TEST_F(LabPrinter, DeviceCapabilitiesOffersA4AndLetter) {
    addPrinter(keloPrinter(m_name, m_port, m_ip));

    SetLastError(kPoisonDword);
    int count = DeviceCapabilitiesW(m_name.c_str(), m_port.c_str(), DC_PAPERNAMES, nullptr, nullptr);
    ASSERT_EQ(2, count);
    std::vector<wchar_t> names(count * 64, L'\xdede');
    ASSERT_EQ(count, DeviceCapabilitiesW(m_name.c_str(), m_port.c_str(), DC_PAPERNAMES, names.data(), nullptr));
    std::vector<POINT> sizes(count, POINT{-1, -1});
    ASSERT_EQ(count, DeviceCapabilitiesW(m_name.c_str(), m_port.c_str(), DC_PAPERSIZE, (LPWSTR)sizes.data(), nullptr));
    std::vector<WORD> papers(count, 0xdead);
    ASSERT_EQ(count, DeviceCapabilitiesW(m_name.c_str(), m_port.c_str(), DC_PAPERS, (LPWSTR)papers.data(), nullptr));

    struct Paper {
        std::wstring name;
        WORD code;
        long width, height;  // tenths of a millimetre
    } expected[] = {{L"A4", DMPAPER_A4, 2100, 2970}, {L"Letter", DMPAPER_LETTER, 2159, 2794}};
    for (const Paper& paper : expected) {
        SCOPED_TRACE(toUtf8(paper.name));
        int index = -1;
        for (int i = 0; i < count; i++)
            if (paper.name == std::wstring(&names[i * 64], wcsnlen(&names[i * 64], 64))) index = i;
        ASSERT_NE(-1, index);
        EXPECT_EQ(paper.code, papers[index]);
        // PostScript points rounded to tenths of a millimetre.
        EXPECT_NEAR(paper.width, sizes[index].x, 2);
        EXPECT_NEAR(paper.height, sizes[index].y, 2);
    }
}

TEST_F(LabPrinter, RemovalDeletesThePrinterAndItsRegistryData) {
    addPrinter(keloPrinter(m_name, m_port, m_ip));
    ASSERT_TRUE(printerExists(m_name));
    ASSERT_TRUE(registryKeyExists(kPrinterKey + m_name + L"\\PrinterDriverData"));

    EXPECT_TRUE(removePrinter(m_name));
    EXPECT_FALSE(printerExists(m_name));
    PrinterHandle printer;
    SetLastError(kPoisonDword);
    EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(m_name.c_str()), printer.out(), nullptr));
    EXPECT_EQ((DWORD)ERROR_INVALID_PRINTER_NAME, GetLastError());
    std::vector<BYTE> buffer;
    EXPECT_EQ(nullptr, findPrinter(enumLocalPrinters(buffer), m_name));
    EXPECT_FALSE(registryKeyExists(kPrinterKey + m_name));
    EXPECT_FALSE(printerData(m_name, kMfgValue).has_value());

    EXPECT_FALSE(removePrinter(m_name));
}

TEST_F(LabPrinter, PortThatNoMonitorOwnsIsAcceptedOrRefusedAsUnknown) {
    // Wine's spooler takes any port name; Windows refuses a port that no monitor lists.
    PrinterSpec spec = keloPrinter(m_name, L"LAB-NO-SUCH-PORT", m_ip);
    try {
        addPrinter(spec);
    } catch (const cERROR_MSG& error) {
        EXPECT_NE(nullptr, strstr(error.message, "(1796)")) << error.message;
        return;
    }
    std::vector<PrinterEntry> printers = listPrinters();
    auto entry =
        std::find_if(printers.begin(), printers.end(), [&](const PrinterEntry& e) { return e.name == m_name; });
    ASSERT_NE(printers.end(), entry);
    EXPECT_EQ(L"LAB-NO-SUCH-PORT", entry->port);
}

TEST(LabPrintersProgram, AddsListsAndRemovesPrinters) {
    const std::wstring program = quoteArgument(programFolder() + L"lab-printers.exe");
    const std::wstring kelo = L"Lab Program Site", foreign = L"Lab Program Foreign";

    ProgramRun run = runProgram(program + L" add \"Lab Program Site\" --port ZOLT3 --ip 203.0.113.5");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    run = runProgram(program + L" add \"Lab Program Foreign\" --port ZOLT4 --foreign");
    EXPECT_EQ(0u, run.exitCode) << run.output;

    run = runProgram(program + L" list");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("Lab Program Site\tZOLT3\tZOLT Print Driver\tVorlane\t203.0.113.5\tstdPrinterDriver\n"))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("Lab Program Foreign\tZOLT4\tZOLT Print Driver\t-\t-\t-\n"))
        << run.output;

    run = runProgram(program + L" remove \"Lab Program Site\"");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("removed\tLab Program Site\n", run.output);
    run = runProgram(program + L" remove \"Lab Program Site\"");
    EXPECT_EQ("absent\tLab Program Site\n", run.output);
    EXPECT_FALSE(printerExists(kelo));
    removePrinter(foreign);

    run = runProgram(program + L" add");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_NE(std::string::npos, run.output.find("usage:"));
}
