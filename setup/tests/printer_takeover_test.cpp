// A take-over of a printer that is not there, and recognising PostScript printers, in
// the lab's spooler. (The take-over itself is seen through the installer, in
// automatic_install_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>

#include "automatic_printer.h"
#include "lab_printers.h"
#include "lab_registry.h"
#include "postscript_printers.h"
#include "setup_lab.h"
#include "spooler_calls.h"

namespace {

class LabPrinters : public ::testing::Test {
protected:
    setuplab::SpoolerState m_state;
};

bool contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(LabPrinters, TakeOverOfAMissingPrinterKeepsTheSpoolerError) {
    SetLastError(0xdeadbeef);
    PrinterHandle printer =
        takeOverPrinter(keloPrinterFields(L"No Such Printer", L"ZOLT0", L"No Such Printer", L"192.0.2.7"));
    EXPECT_FALSE(printer);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
}

TEST_F(LabPrinters, PostScriptPrintersAreListed) {
    lab::addPrinter(lab::keloPrinter(L"Listed Site", L"ZOLT0", L"192.0.2.1"));
    lab::addForeignPrinter(L"Listed Foreign", L"LPT1:");
    std::vector<std::wstring> printers = postScriptPrinters();
    EXPECT_TRUE(contains(printers, L"Listed Site"));
    EXPECT_TRUE(contains(printers, L"Listed Foreign"));
}

TEST_F(LabPrinters, PrinterWithoutReadableDriverIsLeftOut) {
    // A printer whose driver is gone: the spooler lists it, but cannot give its driver.
    std::wstring key = std::wstring(setuplab::kPrintersKey) + L"\\Orphan Printer";
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, key, L"Name", L"Orphan Printer");
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, key, L"Port", L"LPT1:");
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, key, L"Printer Driver", L"Driver That Is Gone");
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, key, L"Print Processor", L"WinPrint");
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, key, L"Datatype", L"RAW");
    lab::writeRegistryNumber(HKEY_LOCAL_MACHINE, key, L"Attributes", 0);
    lab::addPrinter(lab::keloPrinter(L"Listed Site", L"ZOLT0", L"192.0.2.1"));

    ASSERT_TRUE(contains(spooler::printerNames(), L"Orphan Printer"));
    std::vector<std::wstring> printers = postScriptPrinters();
    EXPECT_TRUE(contains(printers, L"Listed Site"));
    EXPECT_FALSE(contains(printers, L"Orphan Printer"));
}

TEST(KeloPrinter, DatatypeOnlyWhereTheSpoolerNeedsIt) {
    EXPECT_TRUE(spoolerNeedsDatatype());  // the lab runs on Wine
    EXPECT_EQ(keloPrinterFields(L"Site", L"ZOLT0", L"Site", L"192.0.2.7", false).datatype, L"");
    EXPECT_EQ(keloPrinterFields(L"Site", L"ZOLT0", L"Site", L"192.0.2.7").datatype, L"RAW");
}

TEST(PostScriptDevice, PassThroughOrPostScriptTechnology) {
    // The escapes a device supports, and its technology text (null: the query fails).
    auto device = [](std::vector<int> escapes, const char* technology) {
        return DeviceEscapes{[=](int escape) { return std::count(escapes.begin(), escapes.end(), escape) > 0; },
                             [=](std::string& text) { return technology && !(text = technology).empty(); }};
    };
    EXPECT_TRUE(isPostScriptDevice(device({4115}, nullptr)));
    EXPECT_TRUE(isPostScriptDevice(device({20}, "PostScript")));
    EXPECT_TRUE(isPostScriptDevice(device({20}, "postscript level 3")));
    EXPECT_FALSE(isPostScriptDevice(device({20}, "PCL 5")));
    EXPECT_FALSE(isPostScriptDevice(device({20}, nullptr)));
    EXPECT_FALSE(isPostScriptDevice(device({}, "PostScript")));
    HDC screen = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(screen);
    EXPECT_FALSE(isPostScriptDevice(screen));
    DeleteDC(screen);
}

}  // namespace
