#pragma once

#include <string>
#include <vector>

namespace kelmora {

// A chart axis on round numbers: ticks at every multiple of Step, a step of 1, 2 or 5 times a
// power of ten, and a range from a multiple of Step at or below the data to one at or above.
// Step is 0 when the data span no finite range that round steps could divide.
struct TAxisScale {
    double Min = 0.0;
    double Max = 1.0;
    double Step = 0.0;
};

// Of the round steps that give 4 to 10 intervals, the one whose range ends nearest the data,
// so the last point sits close to the axis end; on a tie the coarser step. A single value gets
// a range around it.
TAxisScale NiceAxisScale(double lo, double hi);

// The finest 1-2-5 step at or above the scale's own that divides the range lo..hi into at most
// maxIntervals, with the range widened to multiples of it: fewer ticks where labels would crowd.
TAxisScale CoarsenedScale(const TAxisScale& scale, double lo, double hi, int maxIntervals);

struct TAxisTick {
    double Value = 0.0;
    std::string Label;  // "0" exactly at zero, never a rounding residue
};

// A tick at every multiple of the step from Min to Max, each value computed as index × step.
std::vector<TAxisTick> AxisTicks(const TAxisScale& scale);

// Ticks of a logarithmic axis over lo..hi (both > 0): every decade, and 2 and 5 within it when
// the range spans fewer than three decades. Min and max of the result are whole decades.
std::vector<TAxisTick> LogAxisTicks(double lo, double hi);

}  // namespace kelmora
