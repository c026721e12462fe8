// Paper sizes: the paper table, the device-mode rules on records built here, the
// printer's own paper list through DeviceCapabilities, and the defaults of a job whose
// spooler record cannot be read.
#include "device_mode_paper.h"
#include "engine_test_support.h"
#include "paper_table.h"
#include "printer_papers.h"
#include "spooler_job_record.h"

#include <algorithm>

using namespace engine;
using namespace enginetest;

namespace {

const double kTolerance = 1e-9;

DEVMODEW deviceMode(DWORD fields, short paper) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    mode.dmFields = fields;
    mode.dmPaperSize = paper;
    mode.dmCopies = 1;
    return mode;
}

}  // namespace

TEST(PaperTable, CodesOutsideTheTableHaveNoSize) {
    for (long missing : {0L, 48L, 49L, 50L, 51L, 54L, 56L, 69L, 256L, 32767L, -1L})
        EXPECT_EQ(0.0, paperSizeOf(missing).height + paperSizeOf(missing).width) << missing;
    EXPECT_DOUBLE_EQ(12.6771, paperSizeOf(68).width) << "the last code";
}

// A custom size comes from the printer's paper list (asked for only then), the last
// custom entry winning, not swapped for landscape; missing there, the device mode's lengths.
TEST(DeviceModePaper, FieldBitsOrientationLengthsScaleAndCustomSizes) {
    const DWORD size = DM_PAPERSIZE, lengths = DM_PAPERLENGTH | DM_PAPERWIDTH;
    const short custom = (short)kCustomPaperCode;
    const std::vector<PrinterPaper> list = {{9, 2100, 2970}, {32767, 1000, 2000}, {1, 2159, 2794}, {32767, 2540, 5080}},
                                    a4Only = {list[0]};
    const struct Case {
        const char* name;
        DWORD fields;
        short paper, orientation, length, width, scale;
        bool applyScale;
        const std::vector<PrinterPaper>* papers;  // the printer's list
        double height, widthInches;
        long pageName;
    } cases[] = {
        {"table size", size, DMPAPER_LETTER, 0, 0, 0, 0, true, &list, 11.0, 8.5, 1},
        {"landscape swaps", size | DM_ORIENTATION, DMPAPER_A4, DMORIENT_LANDSCAPE, 0, 0, 0, true, nullptr, 8.2677,
         11.6929, 9},
        {"portrait", size | DM_ORIENTATION, DMPAPER_A4, DMORIENT_PORTRAIT, 0, 0, 0, true, nullptr, 11.6929, 8.2677, 9},
        {"orientation without its bit", size, DMPAPER_A4, DMORIENT_LANDSCAPE, 0, 0, 0, true, nullptr, 11.6929, 8.2677,
         9},
        {"lengths win", size | lengths, DMPAPER_A4, 0, 2540, 1270, 0, true, nullptr, 10.0, 5.0, 9},
        {"lengths swap", size | lengths | DM_ORIENTATION, DMPAPER_A4, DMORIENT_LANDSCAPE, 2540, 1270, 0, true, nullptr,
         5.0, 10.0, 9},
        {"zero length", size | DM_PAPERLENGTH, DMPAPER_A4, 0, 0, 1270, 0, true, nullptr, 11.6929, 8.2677, 9},
        {"no paper size bit", DM_COPIES, DMPAPER_A4, 0, 0, 0, 0, true, nullptr, 0.0, 0.0, 0},
        {"scale", size | DM_SCALE, DMPAPER_LETTER, 0, 0, 0, 50, true, nullptr, 5.5, 4.25, 1},
        {"scale not applied", size | DM_SCALE, DMPAPER_LETTER, 0, 0, 0, 50, false, nullptr, 11.0, 8.5, 1},
        {"scale without its bit", size, DMPAPER_LETTER, 0, 0, 0, 50, true, nullptr, 11.0, 8.5, 1},
        {"custom from the list", size | lengths | DM_ORIENTATION | DM_SCALE, custom, DMORIENT_LANDSCAPE, 2540, 1270,
         200, true, &list, 40.0, 20.0, 32767},
        {"custom not listed", size, custom, 0, 2540, 1270, 0, true, &a4Only, 10.0, 5.0, 32767},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        DEVMODEW mode = deviceMode(test.fields | DM_COPIES, test.paper);
        mode.dmOrientation = test.orientation;
        mode.dmPaperLength = test.length;
        mode.dmPaperWidth = test.width;
        mode.dmScale = test.scale;
        mode.dmCopies = 3;
        int asked = 0;
        JobPaper paper = paperFromDeviceMode(mode, test.applyScale, [&] {
            ++asked;
            return test.papers ? *test.papers : std::vector<PrinterPaper>();
        });
        EXPECT_EQ(test.paper == custom ? 1 : 0, asked);
        EXPECT_TRUE(paper.paramsOK);
        EXPECT_EQ(3, paper.copies);
        EXPECT_EQ(test.pageName, paper.pageName);
        EXPECT_NEAR(test.height, paper.height, kTolerance);
        EXPECT_NEAR(test.widthInches, paper.width, kTolerance);
    }

    DEVMODEA ansi = {};
    ansi.dmSize = sizeof ansi;
    ansi.dmFields = DM_PAPERSIZE | DM_SCALE | DM_COPIES;
    ansi.dmPaperSize = DMPAPER_LETTER;
    ansi.dmScale = 50;
    ansi.dmCopies = 2;
    JobPaper fromAnsi = paperFromDeviceMode(ansi, false, {});
    EXPECT_DOUBLE_EQ(11.0, fromAnsi.height) << "the ANSI road does not scale";
    EXPECT_EQ(2, fromAnsi.copies);
}

TEST(JobRecord, NamePagesAndDeviceModeOfARecordOrTheDefaults) {
    DEVMODEW mode = deviceMode(DM_PAPERSIZE | DM_COPIES, DMPAPER_A4);
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

    // Without a name, pages or device mode, or when the record cannot be read at all: the
    // defaults. (Wine keeps a job's record only in the process that made it.)
    record = {};
    for (const JobStartInfo& other :
         {jobStartInfoFromRecord(record, true), readJobStartInfo(L"No Such Kelo Printer", 1, true),
          readJobStartInfo(L"No Such Kelo Printer", 1, false)}) {
        EXPECT_EQ(L"New Job", other.name);
        EXPECT_EQ(1, other.pages);
        EXPECT_EQ(1, other.paper.copies);
        EXPECT_EQ(9, other.paper.pageName);
        EXPECT_FALSE(other.paper.paramsOK);
        EXPECT_DOUBLE_EQ(11.6929, other.paper.height);
        EXPECT_DOUBLE_EQ(8.2677, other.paper.width);
    }
}

class PrinterPaperListTest : public ComTest {
protected:
    lab::ScopedPrinter m_printer{lab::keloPrinter(testPrinterName(), lab::kZoltPort, L"127.0.0.1")};
};

TEST_F(PrinterPaperListTest, TheDriverReportsItsPapersInTenthsOfMillimetres) {
    std::vector<PrinterPaper> papers = printerPaperList(std::wstring(testPrinterName()), nullptr);
    auto a4 = std::find_if(papers.begin(), papers.end(), [](const PrinterPaper& p) { return p.code == DMPAPER_A4; });
    ASSERT_NE(papers.end(), a4);
    EXPECT_NEAR(2100, a4->x, 2);
    EXPECT_NEAR(2970, a4->y, 2);
    EXPECT_EQ(papers.size(), printerPaperList(std::string("Kelo Engine Test"), nullptr).size()) << "ANSI road";
    EXPECT_TRUE(printerPaperList(std::wstring(L"No Such Kelo Printer"), nullptr).empty());
}
