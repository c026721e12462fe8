// Paper and page information read back from the spooled PostScript file.
#include "engine_test_support.h"
#include "postscript_scan.h"

using namespace engine;

namespace {

const PageLayout kA4{8.2677, 11.6929, 1};
const double kA4Points[] = {595 * kInchesPerPoint, 842 * kInchesPerPoint};

std::string nul(const std::string& before, const std::string& after) { return before + '\0' + after; }

}  // namespace

TEST(PostScriptScan, WhatTheCommentsSay) {
    const double w = kA4Points[0], h = kA4Points[1];
    const struct Case {
        std::string content;
        double width, height;
        long pages;
        long startPages;
    } cases[] = {
        {"%!PS-Adobe-3.0\r\n<< /PageSize [595 842] >> setpagedevice\r\n", w, h, 1, 1},
        {"<< /PageSize [ 595 842] >>\n", 0.0, w, 1, 1},  // a blank after the bracket shifts the numbers
        {"/PageSize [595]\n", kA4.width, kA4.height, 1, 1},
        {"%!PS\r\n%%Orientation: Landscape\r\n/PageSize [595 842]\r\n", h, w, 1, 1},  // swapped at the end
        {"%%Orientation: landscape\n", kA4.height, kA4.width, 1, 1},  // no carriage return: "landscap" matches
        {"%%Orientation: Portrait\r\n", kA4.width, kA4.height, 1, 1},
        {"%%Orientation: \r\n", kA4.width, kA4.height, 1, 1},  // an empty value is not landscape
        {"%%Pages: 9\r\n%%Page: 1 1\r\n%%Page: 3 2\r\n%%Page: 2 3\r\n%%Page: x 4\r\n", kA4.width, kA4.height, 3, 1},
        {"%%Page: 3 3\n%%Page: 2 4\n", kA4.width, kA4.height, 5, 5},  // the spooler's larger count stays
        // Keywords cut at the boundary of the 51,200-byte chunks are found in the next one.
        {std::string(kScanChunkSize - 6, ' ') + "%%Orientation: Landscape\r\n" + std::string(1000, ' '), kA4.height,
         kA4.width, 1, 1},
        {std::string(kScanChunkSize - 4, ' ') + "/PageSize [612 792]\n", 8.5, 11.0, 1, 1},
        {std::string(3 * kScanChunkSize - 3, '\n') + "%%Page: 12 12\n", kA4.width, kA4.height, 12, 1},
        // The text of a chunk ends at its first NUL, which hides the rest of that chunk only.
        {nul("%!PS\n", "/PageSize [612 792]\n"), kA4.width, kA4.height, 1, 1},
        {nul("%!PS\n", std::string(kScanChunkSize, ' ') + "%%Page: 4 4\n"), kA4.width, kA4.height, 4, 1},
    };
    lab::TempFolder folder(L"psscan");
    const std::wstring path = folder.file(L"layout.ps");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        lab::writeFileBytes(path, cases[i].content);
        PageLayout layout = scanPostScriptFile(path, PageLayout{kA4.width, kA4.height, cases[i].startPages});
        EXPECT_NEAR(cases[i].width, layout.width, 1e-9);
        EXPECT_NEAR(cases[i].height, layout.height, 1e-9);
        EXPECT_EQ(cases[i].pages, layout.pages);
    }
}
