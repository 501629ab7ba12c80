#include "util/AxisScale.h"

#include <cmath>
#include <initializer_list>

namespace kelmora {

namespace {

constexpr int MinIntervals = 4;
constexpr int MaxIntervals = 10;

// Quotients such as 0.3 / 0.1 land a hair off the whole number they stand for.
constexpr double Fuzz = 1e-9;

}  // namespace

TAxisScale NiceAxisScale(double lo, double hi) {
    if (!(hi > lo)) {
        const double pad = std::fmax(1.0, std::fabs(hi) * 0.1);
        lo -= pad;
        hi += pad;
    }
    const double span = hi - lo;
    if (!std::isfinite(span) || !std::isfinite(lo) || !std::isfinite(hi)) {
        return {lo, hi, 0.0};
    }
    TAxisScale best{lo, hi, 0.0};
    double bestPadding = 0.0;
    const int top = static_cast<int>(std::floor(std::log10(span / MinIntervals))) + 1;
    for (int exponent = top; exponent >= top - 2; --exponent) {
        const double magnitude = std::pow(10.0, exponent);
        for (const double m : {5.0, 2.0, 1.0}) {  // coarse to fine, so ties keep the coarser
            const double step = m * magnitude;
            if (!(step > 0.0) || !std::isfinite(step)) {
                continue;
            }
            const double first = std::floor(lo / step + Fuzz);
            const double last = std::ceil(hi / step - Fuzz);
            const double intervals = last - first;
            if (!(intervals >= MinIntervals && intervals <= MaxIntervals)) {
                continue;
            }
            const double padding = (lo - first * step) + (last * step - hi);
            if (best.Step == 0.0 || padding < bestPadding - Fuzz * span) {
                best = {first * step, last * step, step};
                bestPadding = padding;
            }
        }
    }
    return best;
}

}  // namespace kelmora
