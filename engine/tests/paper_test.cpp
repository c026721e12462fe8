// Paper sizes: the paper table, the device-mode rules on records built here, the
// printer's own paper list through DeviceCapabilities, and the defaults of a job whose
// spooler record cannot be read.
#include "device_mode_paper.h"
#include "engine_test_support.h"
#include "paper_table.h"
#include "printer_papers.h"
#include "spooler_job_record.h"

#include <vector>

using namespace engine;
using namespace enginetest;

namespace {

const double kTolerance = 1e-9;

DEVMODEW deviceMode(DWORD fields) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    mode.dmFields = fields;
    mode.dmCopies = 1;
    return mode;
}

PrinterPapers noPapers() {
    return [] {
        ADD_FAILURE() << "the printer's paper list is asked for only for a custom size";
        return std::vector<PrinterPaper>{};
    };
}

}  // namespace

TEST(PaperTable, KnowsTheCodesAndGivesZeroForOthers) {
    EXPECT_DOUBLE_EQ(11.6929, paperSizeOf(9).height);
    EXPECT_DOUBLE_EQ(8.2677, paperSizeOf(9).width);
    EXPECT_DOUBLE_EQ(11.0, paperSizeOf(1).height);
    EXPECT_DOUBLE_EQ(8.5, paperSizeOf(1).width);
    EXPECT_DOUBLE_EQ(11.0, paperSizeOf(4).height) << "ledger is wider than high";
    EXPECT_DOUBLE_EQ(17.0, paperSizeOf(4).width);
    EXPECT_DOUBLE_EQ(12.6771, paperSizeOf(68).width);
    for (long missing : {0L, 48L, 49L, 50L, 51L, 54L, 56L, 69L, 256L, 32767L, -1L}) {
        EXPECT_EQ(0.0, paperSizeOf(missing).height) << missing;
        EXPECT_EQ(0.0, paperSizeOf(missing).width) << missing;
    }
}

TEST(DeviceModePaper, TableSizeOfThePaperCodeWithCopies) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_COPIES);
    mode.dmPaperSize = DMPAPER_LETTER;
    mode.dmCopies = 3;
    JobPaper paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_TRUE(paper.paramsOK);
    EXPECT_EQ(3, paper.copies);
    EXPECT_EQ(1, paper.pageName);
    EXPECT_DOUBLE_EQ(11.0, paper.height);
    EXPECT_DOUBLE_EQ(8.5, paper.width);
}

TEST(DeviceModePaper, LandscapeSwapsTheSides) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_ORIENTATION);
    mode.dmPaperSize = DMPAPER_A4;
    mode.dmOrientation = DMORIENT_LANDSCAPE;
    JobPaper paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_DOUBLE_EQ(8.2677, paper.height);
    EXPECT_DOUBLE_EQ(11.6929, paper.width);

    mode.dmOrientation = DMORIENT_PORTRAIT;
    paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_DOUBLE_EQ(11.6929, paper.height);

    mode.dmOrientation = DMORIENT_LANDSCAPE;
    mode.dmFields &= ~DM_ORIENTATION;
    paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_DOUBLE_EQ(11.6929, paper.height) << "an orientation without its field bit counts for nothing";
}

TEST(DeviceModePaper, LengthsInTenthsOfMillimetresWinOverTheTable) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_ORIENTATION);
    mode.dmPaperSize = DMPAPER_A4;
    mode.dmPaperLength = 2540;  // 10 inches
    mode.dmPaperWidth = 1270;   // 5 inches
    JobPaper paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_NEAR(10.0, paper.height, kTolerance);
    EXPECT_NEAR(5.0, paper.width, kTolerance);

    mode.dmOrientation = DMORIENT_LANDSCAPE;
    paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_NEAR(5.0, paper.height, kTolerance) << "measured sizes are swapped too";
    EXPECT_NEAR(10.0, paper.width, kTolerance);

    // A length of 0, or a length without its field bit, falls back to the table.
    mode = deviceMode(DM_PAPERSIZE | DM_PAPERLENGTH);
    mode.dmPaperSize = DMPAPER_A4;
    mode.dmPaperLength = 0;
    mode.dmPaperWidth = 1270;
    paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_DOUBLE_EQ(11.6929, paper.height);
    EXPECT_DOUBLE_EQ(8.2677, paper.width);
}

TEST(DeviceModePaper, WithoutAPaperSizeTheCodeStaysZero) {
    DEVMODEW mode = deviceMode(DM_COPIES);
    mode.dmPaperSize = DMPAPER_A4;  // present but not flagged
    JobPaper paper = paperFromDeviceMode(mode, true, noPapers());
    EXPECT_TRUE(paper.paramsOK);
    EXPECT_EQ(0, paper.pageName);
    EXPECT_EQ(0.0, paper.height);
    EXPECT_EQ(0.0, paper.width);
}

TEST(DeviceModePaper, ScaleAppliesOnTheWideRoadOnly) {
    DEVMODEW wide = deviceMode(DM_PAPERSIZE | DM_SCALE);
    wide.dmPaperSize = DMPAPER_LETTER;
    wide.dmScale = 50;
    JobPaper scaled = paperFromDeviceMode(wide, true, noPapers());
    EXPECT_NEAR(5.5, scaled.height, kTolerance);
    EXPECT_NEAR(4.25, scaled.width, kTolerance);

    JobPaper unscaled = paperFromDeviceMode(wide, false, noPapers());
    EXPECT_DOUBLE_EQ(11.0, unscaled.height);

    DEVMODEA ansi = {};
    ansi.dmSize = sizeof ansi;
    ansi.dmFields = DM_PAPERSIZE | DM_SCALE | DM_COPIES;
    ansi.dmPaperSize = DMPAPER_LETTER;
    ansi.dmScale = 50;
    ansi.dmCopies = 2;
    JobPaper fromAnsi = paperFromDeviceMode(ansi, false, noPapers());
    EXPECT_DOUBLE_EQ(11.0, fromAnsi.height) << "the ANSI road does not scale";
    EXPECT_EQ(2, fromAnsi.copies);

    wide.dmFields &= ~DM_SCALE;
    EXPECT_DOUBLE_EQ(11.0, paperFromDeviceMode(wide, true, noPapers()).height);
}

TEST(DeviceModePaper, CustomSizeComesFromThePrinterPaperListLastEntryWinning) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_ORIENTATION | DM_SCALE);
    mode.dmPaperSize = (short)kCustomPaperCode;
    mode.dmPaperLength = 2540;
    mode.dmPaperWidth = 1270;
    mode.dmOrientation = DMORIENT_LANDSCAPE;
    mode.dmScale = 200;
    int asked = 0;
    JobPaper paper = paperFromDeviceMode(mode, true, [&asked] {
        ++asked;
        return std::vector<PrinterPaper>{{9, 2100, 2970}, {32767, 1000, 2000}, {1, 2159, 2794}, {32767, 2540, 5080}};
    });
    EXPECT_EQ(1, asked);
    EXPECT_EQ(32767, paper.pageName);
    // 2540 x 5080 tenths of a millimetre, not swapped for landscape, then scaled by 2.
    EXPECT_NEAR(20.0, paper.width, kTolerance);
    EXPECT_NEAR(40.0, paper.height, kTolerance);
}

TEST(DeviceModePaper, CustomSizeMissingFromThePrinterListTakesTheDeviceModeLengths) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE);
    mode.dmPaperSize = (short)kCustomPaperCode;
    mode.dmPaperLength = 2540;
    mode.dmPaperWidth = 1270;
    JobPaper paper = paperFromDeviceMode(mode, true, [] { return std::vector<PrinterPaper>{{9, 2100, 2970}}; });
    EXPECT_NEAR(10.0, paper.height, kTolerance);
    EXPECT_NEAR(5.0, paper.width, kTolerance);
}

TEST(DeviceModePaper, DefaultsAreAFourWithoutParameters) {
    JobPaper paper = defaultJobPaper();
    EXPECT_FALSE(paper.paramsOK);
    EXPECT_EQ(9, paper.pageName);
    EXPECT_EQ(1, paper.copies);
    EXPECT_DOUBLE_EQ(11.6929, paper.height);
    EXPECT_DOUBLE_EQ(8.2677, paper.width);
}

class PrinterPaperListTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        m_printer =
            std::make_unique<lab::ScopedPrinter>(lab::keloPrinter(testPrinterName(), lab::kZoltPort, L"127.0.0.1"));
    }
    void TearDown() override {
        m_printer.reset();
        ComTest::TearDown();
    }
    std::unique_ptr<lab::ScopedPrinter> m_printer;
};

TEST_F(PrinterPaperListTest, TheDriverReportsItsPapersInTenthsOfMillimetres) {
    std::vector<PrinterPaper> papers = printerPaperList(std::wstring(testPrinterName()), nullptr);
    ASSERT_FALSE(papers.empty());
    bool a4 = false;
    for (const PrinterPaper& paper : papers) {
        if (paper.code != DMPAPER_A4) continue;
        a4 = true;
        EXPECT_NEAR(2100, paper.x, 2);
        EXPECT_NEAR(2970, paper.y, 2);
    }
    EXPECT_TRUE(a4);
    EXPECT_EQ(papers.size(), printerPaperList(std::string("Kelo Engine Test"), nullptr).size()) << "ANSI road";
    EXPECT_TRUE(printerPaperList(std::wstring(L"No Such Kelo Printer"), nullptr).empty());
}

TEST_F(PrinterPaperListTest, AJobRecordWithoutDeviceModeGivesTheDefaultPaper) {
    ScopedSpoolerJob job(testPrinterName(), L"Quarterly report");
    JobStartInfo info = readJobStartInfo(testPrinterName(), job.id(), true);
    EXPECT_EQ(L"Quarterly report", info.name);
    EXPECT_EQ(1, info.pages);
    EXPECT_FALSE(info.paper.paramsOK);
    EXPECT_EQ(9, info.paper.pageName);
    EXPECT_DOUBLE_EQ(11.6929, info.paper.height);
    EXPECT_DOUBLE_EQ(8.2677, info.paper.width);

    JobStartInfo ansi = readJobStartInfo(testPrinterName(), job.id(), false);
    EXPECT_EQ(L"Quarterly report", ansi.name);
}

TEST_F(PrinterPaperListTest, AJobThatCannotBeReadTakesTheDefaults) {
    for (const JobStartInfo& info :
         {readJobStartInfo(testPrinterName(), 987654, true), readJobStartInfo(L"No Such Kelo Printer", 1, true),
          readJobStartInfo(L"No Such Kelo Printer", 1, false)}) {
        EXPECT_EQ(L"New Job", info.name);
        EXPECT_EQ(1, info.pages);
        EXPECT_EQ(1, info.paper.copies);
        EXPECT_EQ(9, info.paper.pageName);
        EXPECT_FALSE(info.paper.paramsOK);
        EXPECT_DOUBLE_EQ(11.6929, info.paper.height);
    }
}

TEST(JobRecord, NamePagesAndDeviceModeOfARecordBuiltHere) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_ORIENTATION | DM_COPIES);
    mode.dmPaperSize = DMPAPER_A4;
    mode.dmOrientation = DMORIENT_LANDSCAPE;
    mode.dmCopies = 4;
    JOB_INFO_2W record = {};
    record.pDocument = const_cast<wchar_t*>(L"Invoice");
    record.TotalPages = 7;
    record.pDevMode = &mode;
    JobStartInfo info = jobStartInfoFromRecord(record, true);
    EXPECT_EQ(L"Invoice", info.name);
    EXPECT_EQ(7, info.pages);
    EXPECT_TRUE(info.paper.paramsOK);
    EXPECT_EQ(4, info.paper.copies);
    EXPECT_DOUBLE_EQ(8.2677, info.paper.height);
    EXPECT_DOUBLE_EQ(11.6929, info.paper.width);

    record.pDocument = nullptr;
    record.TotalPages = 0;
    record.pDevMode = nullptr;
    info = jobStartInfoFromRecord(record, true);
    EXPECT_EQ(L"New Job", info.name);
    EXPECT_EQ(1, info.pages);
    EXPECT_FALSE(info.paper.paramsOK);
    EXPECT_EQ(9, info.paper.pageName);
}
