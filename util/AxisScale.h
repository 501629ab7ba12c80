#pragma once

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

}  // namespace kelmora
