#include "util/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace kelmora;

namespace {

// Whether step is 1, 2 or 5 times a power of ten.
bool IsRoundStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step) + 1e-12));
    const double m = step / magnitude;
    for (const double round : {1.0, 2.0, 5.0, 10.0}) {
        if (std::fabs(m - round) < 1e-9 * round) {
            return true;
        }
    }
    return false;
}

bool IsMultiple(double x, double step) {
    const double k = x / step;
    return std::fabs(k - std::round(k)) < 1e-6;
}

void ExpectRoundScale(double lo, double hi) {
    const TAxisScale s = NiceAxisScale(lo, hi);
    SCOPED_TRACE(::testing::Message() << "range " << lo << " .. " << hi);
    ASSERT_GT(s.Step, 0.0);
    EXPECT_TRUE(IsRoundStep(s.Step)) << s.Step;
    EXPECT_TRUE(IsMultiple(s.Min, s.Step)) << s.Min << " / " << s.Step;
    EXPECT_TRUE(IsMultiple(s.Max, s.Step)) << s.Max << " / " << s.Step;
    EXPECT_LE(s.Min, lo + 1e-9 * (hi - lo));
    EXPECT_GE(s.Max, hi - 1e-9 * (hi - lo));
    const double intervals = std::round((s.Max - s.Min) / s.Step);
    EXPECT_GE(intervals, 4);
    EXPECT_LE(intervals, 10);
}

}  // namespace

TEST(NiceAxisScale, RangesEndOnRoundValuesNearTheData) {
    const struct {
        double lo, hi;
        double min, max, step;
    } cases[] = {
        {0.001, 0.05, 0.0, 0.05, 0.01},    // the last point on a tick
        {0.001, 0.0523, 0.0, 0.06, 0.01},  // 0.055 would take 11 intervals
        {0.0, 1.0, 0.0, 1.0, 0.2},         // 0.1 gives the same range: the coarser wins
        {7.9, 9.52, 7.8, 9.6, 0.2},
        {20.3, 38.1, 20.0, 40.0, 5.0},  // the 31P shifts: never thirds
        {-0.35, 1.02, -0.4, 1.2, 0.2},
        {0.3, 0.9, 0.3, 0.9, 0.1},  // 0.3 / 0.1 is not quite 3
        {5.0, 5.0, 4.0, 6.0, 0.5},  // a single value gets a range around it
        {0.0, 0.0, -1.0, 1.0, 0.5},
        {-1000.0, -1000.0, -1100.0, -900.0, 50.0},
    };
    for (const auto& c : cases) {
        const TAxisScale s = NiceAxisScale(c.lo, c.hi);
        EXPECT_NEAR(s.Min, c.min, 1e-12 * std::fabs(c.max - c.min)) << c.lo << " .. " << c.hi;
        EXPECT_NEAR(s.Max, c.max, 1e-12 * std::fabs(c.max - c.min)) << c.lo << " .. " << c.hi;
        EXPECT_DOUBLE_EQ(s.Step, c.step) << c.lo << " .. " << c.hi;
    }
}

TEST(NiceAxisScale, EveryFiniteRangeGetsRoundTicks) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> exponent(-12.0, 12.0);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int k = 0; k < 2000; ++k) {
        const double scale = std::pow(10.0, exponent(random));
        const double a = unit(random) * scale;
        const double b =
            a + std::fabs(unit(random)) * scale * std::pow(10.0, -exponent(random) / 6);
        ExpectRoundScale(a, b);
    }
}

TEST(NiceAxisScale, RangesBeyondTheDoubleRangeHaveNoSteps) {
    const double big = std::numeric_limits<double>::max();
    const TAxisScale s = NiceAxisScale(-big, big);
    EXPECT_EQ(s.Step, 0.0);
    EXPECT_EQ(s.Min, -big);
    EXPECT_EQ(s.Max, big);
}

TEST(AxisTicks, LabelsAreRoundAndZeroIsExact) {
    const struct {
        TAxisScale Scale;
        std::vector<std::string> Labels;
    } cases[] = {
        {{-0.003, 0.003, 0.001}, {"-0.003", "-0.002", "-0.001", "0", "0.001", "0.002", "0.003"}},
        {{0.0, 0.3, 0.1}, {"0", "0.1", "0.2", "0.3"}},
        {{-20.0, 40.0, 20.0}, {"-20", "0", "20", "40"}},
        {{1e-7, 3e-7, 1e-7}, {"1e-07", "2e-07", "3e-07"}},
    };
    for (const auto& c : cases) {
        const std::vector<TAxisTick> ticks = AxisTicks(c.Scale);
        std::vector<std::string> labels;
        for (const TAxisTick& t : ticks) {
            labels.push_back(t.Label);
            if (t.Label == "0") {
                EXPECT_EQ(t.Value, 0.0);
            }
        }
        EXPECT_EQ(labels, c.Labels);
    }
}

TEST(CoarsenedScale, FewerRoundTicksStillCoverTheData) {
    const struct {
        double Lo, Hi;
        int MaxIntervals;
        TAxisScale Expected;
    } cases[] = {
        {0.0, 0.03, 3, {0.0, 0.03, 0.01}},
        {0.0, 0.03, 2, {0.0, 0.04, 0.02}},
        {-0.0021, 0.0021, 2, {-0.005, 0.005, 0.005}},
        {0.0, 0.03, 10, NiceAxisScale(0.0, 0.03)},  // room enough: unchanged
    };
    for (const auto& c : cases) {
        const TAxisScale s = CoarsenedScale(NiceAxisScale(c.Lo, c.Hi), c.Lo, c.Hi, c.MaxIntervals);
        EXPECT_NEAR(s.Min, c.Expected.Min, 1e-12) << c.Lo << " " << c.Hi << " " << c.MaxIntervals;
        EXPECT_NEAR(s.Max, c.Expected.Max, 1e-12);
        EXPECT_NEAR(s.Step, c.Expected.Step, 1e-12);
    }
}

TEST(LogAxisTicks, DecadesAndWithinFewDecadesTwoAndFive) {
    const auto labels = [](double lo, double hi) {
        std::vector<std::string> out;
        for (const TAxisTick& t : LogAxisTicks(lo, hi)) {
            out.push_back(t.Label);
        }
        return out;
    };
    EXPECT_EQ(labels(0.2, 5.0),
              (std::vector<std::string>{"0.1", "0.2", "0.5", "1", "2", "5", "10"}));
    EXPECT_EQ(labels(0.05, 3.0), (std::vector<std::string>{"0.01", "0.1", "1", "10"}));
    EXPECT_EQ(labels(1.0, 1.0), (std::vector<std::string>{"1", "2", "5", "10"}));
    EXPECT_TRUE(LogAxisTicks(0.0, 1.0).empty());
}
