#include "engine/LocalMinimum.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace kelmora {
namespace {

// Binding switched off, so the model shift of a point at C is shift of P + C * K unspecific and
// Q = Weight * sum (ExpShift - shift of P - C * K)^2: a landscape over parameters 2 and 5 that
// a test shapes exactly through the points it chooses.
void LoadLinearModel(TFitState& state, const std::vector<std::pair<double, double>>& points) {
    state.FitParams[0].Value = -1000.0;
    state.FitParams[1].Value = -1000.0;
    state.SetPointCount(static_cast<std::int32_t>(points.size()));
    for (std::size_t j = 0; j < points.size(); ++j) {
        state.Points[j].Conc = points[j].first;
        state.Points[j].ExpShift = points[j].second;
    }
    state.PorphyrinConc = 1e-3;
    state.Weight = 1.0;
}

void MarkScanned(TFitState& state, int i, double value, double scanStep, double minVal = -100.0,
                 double maxVal = 100.0) {
    TFitParam& p = state.FitParams[i];
    p.Value = value;
    p.ScanStep = scanStep;
    p.MinVal = minVal;
    p.MaxVal = maxVal;
    p.Optimize = true;
    p.ScanFlag = true;
}

TEST(IsLocalMinimum, OneParameterComparesBothNeighboursTwiceAndKeepsFlatBottoms) {
    struct Case {
        double value;
        bool minimum;
        std::uint64_t evals;
    };
    const Case cases[] = {
        {10.0, true, 1 + 2 + 2},
        {9.5, true, 1 + 2 + 2},  // the neighbour at 10.5 has exactly the same Q
        {9.0, false, 1 + 2},     // stops at the higher side
        {11.0, false, 1 + 1},    // stops at the lower side
    };
    for (const Case& c : cases) {
        TFitState state;
        LoadLinearModel(state, {{0.0, 10.0}});
        MarkScanned(state, 2, c.value, 1.0);
        EXPECT_EQ(IsLocalMinimum(state), c.minimum) << c.value;
        EXPECT_EQ(state.EvalCount, c.evals) << c.value;
        EXPECT_EQ(state.Q, (10.0 - c.value) * (10.0 - c.value)) << c.value;
        EXPECT_EQ(state.FitParams[2].Value, c.value);
    }
}

// Whether a NaN appears at the point itself (a parameter outside the test sits below its
// range with no upper bound to measure from) or only at a probe that leaves the range.
TEST(IsLocalMinimum, NotANumberAnywhereDisqualifies) {
    {
        TFitState state;
        LoadLinearModel(state, {{0.0, 10.0}});
        MarkScanned(state, 2, 10.0, 1.0);
        TFitParam& k = state.FitParams[5];
        k.Optimize = true;
        k.MinVal = 0.0;
        k.MaxVal = std::numeric_limits<double>::quiet_NaN();
        k.Value = -1.0;
        EXPECT_FALSE(IsLocalMinimum(state));
        EXPECT_TRUE(std::isnan(state.Q));
    }
    {
        TFitState state;
        LoadLinearModel(state, {{0.0, 10.0}});
        MarkScanned(state, 2, 10.0, 1.0, 9.5, std::numeric_limits<double>::quiet_NaN());
        EXPECT_FALSE(IsLocalMinimum(state));
        EXPECT_EQ(state.Q, 0.0);
        EXPECT_EQ(state.EvalCount, 2u);
    }
}

// At the edge of the range the outer probe gets the penalty, which loses to any ordinary Q;
// without the bounds test the same probe would be lower.
TEST(IsLocalMinimum, EdgeCandidateWinsAgainstThePenaltyOutsideTheRange) {
    struct Case {
        double expShift;
        double value;  // on the edge, the data pulling outwards
        double minVal, maxVal;
    };
    for (const Case c : {Case{9.0, 10.0, 10.0, 20.0}, Case{21.0, 20.0, 10.0, 20.0}}) {
        for (const bool bounded : {true, false}) {
            TFitState state;
            LoadLinearModel(state, {{0.0, c.expShift}});
            MarkScanned(state, 2, c.value, 1.0, c.minVal, c.maxVal);
            state.FitParams[2].Optimize = bounded;
            EXPECT_EQ(IsLocalMinimum(state), bounded) << c.value << " " << bounded;
        }
    }
}

// A valley along a diagonal: every axis neighbour is higher, one corner is lower. Points at
// C = -1 weigh on shift - K, points at C = +1 on shift + K.
TEST(IsLocalMinimum, ALowerDiagonalCornerDisqualifiesAndIsTheLastEvaluation) {
    struct Case {
        std::vector<std::pair<double, double>> points;
        std::uint64_t evals;
        double lastShiftAtPlusOne;  // model shift at C = +1 left by the lower corner
    };
    const std::vector<std::pair<double, double>> towardsHighHigh = {
        {-1.0, 0.0}, {-1.0, 0.0}, {-1.0, 0.0}, {-1.0, 0.0}, {1.0, 2.0}};
    const std::vector<std::pair<double, double>> towardsLowHigh = {
        {1.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}, {-1.0, -2.0}};
    const Case cases[] = {
        {towardsHighHigh, 1 + 4 + 4, 2.0},  // (high, high) is the last corner in order
        {towardsLowHigh, 1 + 4 + 2, 0.0},   // (low, high) ends the test after two corners
    };
    for (const Case& c : cases) {
        TFitState state;
        LoadLinearModel(state, c.points);
        MarkScanned(state, 2, 0.0, 1.0);
        MarkScanned(state, 5, 0.0, 1.0);
        const double q0 = state.ComputeQ();
        state.EvalCount = 0;
        EXPECT_FALSE(IsLocalMinimum(state));
        EXPECT_EQ(state.EvalCount, c.evals);
        EXPECT_EQ(state.Q, q0);
        EXPECT_EQ(state.FitParams[2].Value, 0.0);
        EXPECT_EQ(state.FitParams[5].Value, 0.0);
        const std::size_t last = c.points.size() - 1;
        const double plusOne =
            c.points[last].first > 0 ? state.Points[last].TheorShift : state.Points[0].TheorShift;
        EXPECT_EQ(plusOne, c.lastShiftAtPlusOne);
    }
}

TEST(IsLocalMinimum, RestoresBitIdenticalValuesWhateverTheOutcome) {
    // Value + step - step is not Value for these, so a restore by arithmetic would show.
    struct Case {
        double value;
        double step;
        double expShift;
    };
    const Case cases[] = {{0.1, 0.3, 0.1}, {0.2, 0.1, 5.0}, {1.0 / 3, 20.0 / 99, -5.0}};
    for (const Case& c : cases) {
        TFitState state;
        LoadLinearModel(state, {{0.0, c.expShift}, {1.0, c.expShift}});
        MarkScanned(state, 2, c.value, c.step);
        MarkScanned(state, 5, c.value, c.step);
        ASSERT_NE(c.value + c.step - c.step, c.value);
        IsLocalMinimum(state);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(state.FitParams[2].Value),
                  std::bit_cast<std::uint64_t>(c.value));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(state.FitParams[5].Value),
                  std::bit_cast<std::uint64_t>(c.value));
    }
}

TEST(IsLocalMinimum, NoScannedParameterComparesThePointWithItself) {
    TFitState state;
    LoadLinearModel(state, {{0.0, 10.0}});
    state.FitParams[2].Value = 3.0;
    EXPECT_TRUE(IsLocalMinimum(state));
    EXPECT_EQ(state.EvalCount, 2u);
}

TEST(IsLocalMinimum, SixScannedParametersCostAtMost77Evaluations) {
    TFitState state;  // no data: Q is 0 everywhere, so nothing is lower and every probe runs
    for (int i = 0; i < ParamCount; ++i) {
        MarkScanned(state, i, 1.0, 0.5);
    }
    EXPECT_TRUE(IsLocalMinimum(state));
    EXPECT_EQ(state.EvalCount, 77u);
}

}  // namespace
}  // namespace kelmora
