#include "util/AxisScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace kelmora {

namespace {

constexpr int MinIntervals = 4;
constexpr int MaxIntervals = 10;

// Quotients such as 0.3 / 0.1 land a hair off the whole number they stand for.
constexpr double Fuzz = 1e-9;

std::string TickLabel(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", value);
    return buf;
}

// The 1-2-5 step after this one.
double NextStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step) + Fuzz));
    const double m = step / magnitude;
    return m < 1.5 ? 2.0 * magnitude : m < 3.5 ? 5.0 * magnitude : 10.0 * magnitude;
}

}  // namespace

TAxisScale CoarsenedScale(const TAxisScale& scale, double lo, double hi, int maxIntervals) {
    TAxisScale out = scale;
    while (out.Step > 0.0 && std::isfinite(out.Step) &&
           (out.Max - out.Min) / out.Step > maxIntervals + Fuzz && maxIntervals >= 1) {
        out.Step = NextStep(out.Step);
        out.Min = std::floor(std::fmin(lo, scale.Min) / out.Step + Fuzz) * out.Step;
        out.Max = std::ceil(std::fmax(hi, scale.Max) / out.Step - Fuzz) * out.Step;
    }
    return out;
}

std::vector<TAxisTick> AxisTicks(const TAxisScale& scale) {
    std::vector<TAxisTick> ticks;
    if (!(scale.Step > 0.0)) {
        return ticks;
    }
    const long long first = std::llround(scale.Min / scale.Step);
    const long long last = std::llround(scale.Max / scale.Step);
    for (long long k = first; k <= last; ++k) {
        const double value = static_cast<double>(k) * scale.Step;
        ticks.push_back({value, k == 0 ? std::string("0") : TickLabel(value)});
    }
    return ticks;
}

std::vector<TAxisTick> LogAxisTicks(double lo, double hi) {
    std::vector<TAxisTick> ticks;
    if (!(lo > 0.0) || !(hi >= lo) || !std::isfinite(hi)) {
        return ticks;
    }
    const int first = static_cast<int>(std::floor(std::log10(lo) + Fuzz));
    const int last = std::max(first + 1, static_cast<int>(std::ceil(std::log10(hi) - Fuzz)));
    const bool fine = last - first < 3;
    for (int e = first; e <= last; ++e) {
        for (const double m : {1.0, 2.0, 5.0}) {
            if (m > 1.0 && (!fine || e == last)) {
                continue;
            }
            // 10^e through text, so 1e-3 is the double nearest 0.001 rather than a product.
            char buf[32];
            std::snprintf(buf, sizeof buf, "%ge%d", m, e);
            const double value = std::strtod(buf, nullptr);
            ticks.push_back({value, TickLabel(value)});
        }
    }
    return ticks;
}

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
