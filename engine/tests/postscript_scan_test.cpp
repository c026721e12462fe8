// Paper and page information read back from the spooled PostScript file.
#include "debug_log.h"
#include "engine_test_support.h"
#include "handles.h"
#include "postscript_scan.h"

#include <string>

using namespace engine;
using namespace enginetest;

namespace {

const PageLayout kA4{8.2677, 11.6929, 1};

class PostScriptScanTest : public ::testing::Test {
protected:
    PageLayout scan(const std::string& content, const PageLayout& start = kA4) {
        lab::writeFileBytes(path(), content);
        return scanPostScriptFile(path(), start);
    }
    std::wstring path() const { return m_folder.file(L"layout.ps"); }
    lab::TempFolder m_folder{L"psscan"};
};

}  // namespace

TEST_F(PostScriptScanTest, PageSizeInPointsBecomesInches) {
    DebugLogCapture log;
    PageLayout layout = scan("%!PS-Adobe-3.0\r\n<< /PageSize [595 842] >> setpagedevice\r\n");
    EXPECT_NEAR(8.263888888888889, layout.width, 1e-9);
    EXPECT_NEAR(11.694444444444445, layout.height, 1e-9);
    EXPECT_EQ(1, layout.pages);
    EXPECT_TRUE(log.contains("updateParamsFromFile"));
}

TEST_F(PostScriptScanTest, ABlankAfterTheBracketShiftsTheNumbers) {
    PageLayout layout = scan("<< /PageSize [ 595 842] >> setpagedevice\n");
    EXPECT_EQ(0.0, layout.width);
    EXPECT_NEAR(8.263888888888889, layout.height, 1e-9);
}

TEST_F(PostScriptScanTest, UnreadableOrIncompletePageSizes) {
    PageLayout layout = scan("/PageSize [wide 842]\n");
    EXPECT_EQ(0.0, layout.width);
    EXPECT_NEAR(11.694444444444445, layout.height, 1e-9);

    layout = scan("/PageSize [595]\n");
    EXPECT_DOUBLE_EQ(kA4.width, layout.width) << "one number changes nothing";
    EXPECT_DOUBLE_EQ(kA4.height, layout.height);

    layout = scan("/PageSize [595 842\n");
    EXPECT_DOUBLE_EQ(kA4.width, layout.width) << "no closing bracket";
}

TEST_F(PostScriptScanTest, LandscapeOrientationSwapsAtTheEnd) {
    PageLayout layout = scan("%!PS\r\n%%Orientation: Landscape\r\n/PageSize [595 842]\r\n");
    EXPECT_NEAR(11.694444444444445, layout.width, 1e-9);
    EXPECT_NEAR(8.263888888888889, layout.height, 1e-9);

    layout = scan("%%Orientation: landscape\n");  // no carriage return: "landscap" still matches
    EXPECT_DOUBLE_EQ(kA4.height, layout.width);

    layout = scan("%%Orientation: Portrait\r\n");
    EXPECT_DOUBLE_EQ(kA4.width, layout.width);

    layout = scan("%%Orientation: \r\n");
    EXPECT_DOUBLE_EQ(kA4.width, layout.width) << "an empty orientation is not landscape";

    layout = scan("%%Orientation: Landscapes\r\n");
    EXPECT_DOUBLE_EQ(kA4.width, layout.width);
}

TEST_F(PostScriptScanTest, PageLabelsOnlyRaiseThePageCount) {
    PageLayout layout = scan("%%Pages: 9\r\n%%Page: 1 1\r\n%%Page: 3 2\r\n%%Page: 2 3\r\n%%Page: x 4\r\n");
    EXPECT_EQ(3, layout.pages);

    layout = scan("%%Page: 3 3\n%%Page: 2 4\n", PageLayout{1, 1, 5});
    EXPECT_EQ(5, layout.pages) << "the spooler's larger count stays";

    layout = scan("%%Page:3\r\n");
    EXPECT_EQ(1, layout.pages) << "no blank, no label";
}

TEST_F(PostScriptScanTest, KeywordsCutAtAChunkBoundaryAreFoundInTheNextChunk) {
    // Each keyword starts a few bytes before the end of the first 51,200-byte chunk.
    std::string orientation(kScanChunkSize - 6, ' ');
    orientation += "%%Orientation: Landscape\r\n";
    orientation += std::string(1000, ' ');
    PageLayout layout = scan(orientation);
    EXPECT_DOUBLE_EQ(kA4.height, layout.width);

    std::string pageSize(kScanChunkSize - 4, ' ');
    pageSize += "/PageSize [612 792]\n";
    layout = scan(pageSize);
    EXPECT_NEAR(8.5, layout.width, 1e-9);
    EXPECT_NEAR(11.0, layout.height, 1e-9);

    std::string page(3 * kScanChunkSize - 3, '\n');
    page += "%%Page: 12 12\n";
    EXPECT_EQ(12, scan(page).pages);
}

TEST_F(PostScriptScanTest, TextEndsAtTheFirstNulOfAChunk) {
    std::string content = "%!PS\n";
    content += '\0';
    content += "/PageSize [612 792]\n";
    PageLayout layout = scan(content);
    EXPECT_DOUBLE_EQ(kA4.width, layout.width);

    // The NUL hides the rest of its own chunk only.
    std::string later = "%!PS\n";
    later += '\0';
    later += std::string(kScanChunkSize, ' ');
    later += "%%Page: 4 4\n";
    EXPECT_EQ(4, scan(later).pages);
}

TEST_F(PostScriptScanTest, AMissingFileIsCreatedEmpty) {
    PageLayout layout = scanPostScriptFile(path(), kA4);
    EXPECT_DOUBLE_EQ(kA4.width, layout.width);
    EXPECT_TRUE(lab::fileExists(path()));
    EXPECT_EQ("", lab::readFileBytes(path()));
}

TEST_F(PostScriptScanTest, AFileInUseIsAFileError) {
    lab::writeFileBytes(path(), "%%Page: 2 2\n");
    FileHandle held(CreateFileW(path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    try {
        scanPostScriptFile(path(), kA4);
        FAIL() << "a file nobody may share cannot be scanned";
    } catch (const cERROR_MSG& error) {
        EXPECT_EQ(BV_ERR_GENERAL, error.code);
        EXPECT_NE(nullptr, strstr(error.message, "C_bvFileU")) << error.message;
    }
}
