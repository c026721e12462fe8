#pragma once
// Timing for the lab's benchmarks: a stopwatch on the performance counter, the median
// of several runs, and the result lines the bench script reads:
//   <name> median_ms=<m> runs_ms=<a>,<b>,... [key=value ...]
#include <windows.h>

#include "error_msg.h"
#include "lab_text.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() { QueryPerformanceCounter(&m_start); }
    double ms() const {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return 1000.0 * (double)(now.QuadPart - m_start.QuadPart) / (double)frequency.QuadPart;
    }

private:
    LARGE_INTEGER m_start;
};

// A count given on the command line; throws cERROR_MSG unless it is above zero.
inline int positiveCount(const std::wstring& text) {
    int value = _wtoi(text.c_str());
    if (value <= 0) throw cERROR_MSG(BV_ERR_GENERAL, "not a positive count: %s", lab::toUtf8(text).c_str());
    return value;
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline std::string number(double value, int decimals = 3) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

inline void printTimes(const std::string& name, const std::vector<double>& runsMs, const std::string& extra = {}) {
    std::string line = name + " median_ms=" + number(median(runsMs)) + " runs_ms=";
    for (size_t i = 0; i < runsMs.size(); i++) line += (i ? "," : "") + number(runsMs[i]);
    if (!extra.empty()) line += " " + extra;
    line += "\n";
    fputs(line.c_str(), stdout);
    fflush(stdout);
}

}  // namespace bench
