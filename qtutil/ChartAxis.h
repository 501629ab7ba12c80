#pragma once

#include <QValueAxis>

#include "util/AxisScale.h"

namespace kelmora {

// An axis from a round number at or below the data to one at or above it, with a tick at every
// multiple of a 1-2-5 step (util/AxisScale.h chooses them), whatever range the axis gets.
inline void SetNiceRange(QValueAxis* axis, double lo, double hi) {
    const TAxisScale scale = NiceAxisScale(lo, hi);
    // Qt steps from the anchor by adding the interval, which can land a rounding error past a
    // range that ends exactly on a tick and drop that tick's label.
    const double slack = scale.Step * 1e-9;
    axis->setRange(scale.Min - slack, scale.Max + slack);
    if (scale.Step > 0.0) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
        axis->setTickInterval(scale.Step);
    } else {
        axis->setTickType(QValueAxis::TicksFixed);  // a span beyond the double range
        axis->setTickCount(2);
    }
}

}  // namespace kelmora
