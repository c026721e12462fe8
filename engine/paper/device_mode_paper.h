#pragma once
// Copies and paper of a job from the device mode of its spooler record. Pure arithmetic:
// the only outside knowledge, the printer's own paper list for a custom size, comes in
// through a function.
#include <windows.h>

#include <functional>
#include <vector>

namespace engine {

// One entry of a printer's paper list: its code and its size in tenths of a millimetre.
struct PrinterPaper {
    long code = 0;
    long x = 0;  // width
    long y = 0;  // height
};
using PrinterPapers = std::function<std::vector<PrinterPaper>()>;

struct JobPaper {
    long copies = 1;
    long pageName = 0;
    double height = 0.0;  // inches
    double width = 0.0;
    bool paramsOK = false;
};

constexpr double kInchesPerTenthMillimetre = 0.003937007874015748;

// What a job has when the spooler gives no device mode: A4, one copy, paramsOK false.
JobPaper defaultJobPaper();

// paramsOK true. Lengths in the device mode are tenths of a millimetre; landscape swaps
// the sides of a table size; a custom size (32767) is looked up in the printer's paper
// list; the scale is applied only when applyScale is set (the wide-character road).
JobPaper paperFromDeviceMode(const DEVMODEW& mode, bool applyScale, const PrinterPapers& printerPapers);
JobPaper paperFromDeviceMode(const DEVMODEA& mode, bool applyScale, const PrinterPapers& printerPapers);

}  // namespace engine
