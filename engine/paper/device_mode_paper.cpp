#include "device_mode_paper.h"

#include <utility>

#include "paper_table.h"

namespace engine {
namespace {

double inches(long tenthsOfMillimetre) { return tenthsOfMillimetre * kInchesPerTenthMillimetre; }

template <class DeviceMode>
JobPaper paperFrom(const DeviceMode& mode, bool applyScale, const PrinterPapers& printerPapers) {
    JobPaper paper;
    paper.paramsOK = true;
    paper.copies = mode.dmCopies;
    if (mode.dmFields & DM_PAPERSIZE) paper.pageName = mode.dmPaperSize;

    if (paper.pageName != kCustomPaperCode) {
        PaperSize table = paperSizeOf(paper.pageName);
        bool hasLength = (mode.dmFields & DM_PAPERLENGTH) && mode.dmPaperLength != 0;
        bool hasWidth = (mode.dmFields & DM_PAPERWIDTH) && mode.dmPaperWidth != 0;
        paper.height = hasLength ? inches(mode.dmPaperLength) : table.height;
        paper.width = hasWidth ? inches(mode.dmPaperWidth) : table.width;
        if ((mode.dmFields & DM_ORIENTATION) && mode.dmOrientation == DMORIENT_LANDSCAPE)
            std::swap(paper.height, paper.width);
    } else {
        paper.height = inches(mode.dmPaperLength);
        paper.width = inches(mode.dmPaperWidth);
        if (printerPapers) {
            for (const PrinterPaper& entry : printerPapers()) {
                if (entry.code != kCustomPaperCode) continue;
                paper.width = inches(entry.x);
                paper.height = inches(entry.y);
            }
        }
    }

    if (applyScale && (mode.dmFields & DM_SCALE)) {
        double factor = mode.dmScale * 0.01;
        paper.height *= factor;
        paper.width *= factor;
    }
    return paper;
}

}  // namespace

JobPaper defaultJobPaper() {
    JobPaper paper;
    paper.copies = 1;
    paper.pageName = kDefaultPaperCode;
    PaperSize a4 = paperSizeOf(kDefaultPaperCode);
    paper.height = a4.height;
    paper.width = a4.width;
    paper.paramsOK = false;
    return paper;
}

JobPaper paperFromDeviceMode(const DEVMODEW& mode, bool applyScale, const PrinterPapers& printerPapers) {
    return paperFrom(mode, applyScale, printerPapers);
}

JobPaper paperFromDeviceMode(const DEVMODEA& mode, bool applyScale, const PrinterPapers& printerPapers) {
    return paperFrom(mode, applyScale, printerPapers);
}

}  // namespace engine
