#pragma once
// The sizes of the platform's paper codes, in inches.

namespace engine {

struct PaperSize {
    double height = 0.0;
    double width = 0.0;
};

// The code 9 (A4) that a job takes when the spooler tells nothing about its paper.
constexpr long kDefaultPaperCode = 9;
// A printer-specific custom size, described only by the printer's own paper list.
constexpr long kCustomPaperCode = 32767;

// The table's size for a code; 0.0 for both for a code it does not know.
PaperSize paperSizeOf(long code);

}  // namespace engine
