#pragma once

#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace kelmora {

// An axis from a round number below the data to one above it, in steps of 1, 2 or 5 times a
// power of ten, about six of them.
inline void SetNiceRange(QValueAxis* axis, double lo, double hi) {
    if (!(hi > lo)) {
        const double pad = std::max(1.0, std::fabs(hi) * 0.1);
        lo -= pad;
        hi += pad;
    }
    const double raw = (hi - lo) / 6.0;
    if (!std::isfinite(raw)) {
        axis->setRange(lo, hi);  // a span beyond the double range has no round steps
        return;
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude * 10.0;
    for (double m : {1.0, 2.0, 5.0}) {
        if (raw <= m * magnitude) {
            step = m * magnitude;
            break;
        }
    }
    const double first = std::floor(lo / step) * step;
    const double last = std::ceil(hi / step) * step;
    axis->setRange(first, last);
    // Ticks counted from zero, so that a range across zero labels it "0", not a rounding
    // remainder such as 8.67e-19.
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setTickInterval(step);
}

}  // namespace kelmora
