#include "engine/FractionCache.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "engine/FitState.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

// Both equilibria on, so every solve takes the full bisection.
void LoadTitration(TFitState& state) {
    state.FitParams[0].Value = 3.0;
    state.FitParams[1].Value = 5.0;
    state.FitParams[2].Value = 8.0;
    state.FitParams[3].Value = 9.0;
    state.FitParams[4].Value = 10.0;
    const int n = 12;
    state.SetPointCount(n);
    for (int j = 0; j < n; ++j) {
        state.Points[j].Conc = 4e-4 * (j + 1);
        state.Points[j].ExpShift = 8.0 + 0.1 * j;
    }
    state.PorphyrinConc = 1e-3;
    state.Weight = 10000.0 / n;
}

void ExpectSameBits(const TFitState& a, const TFitState& b, double lgK1) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.Q), std::bit_cast<std::uint64_t>(b.Q)) << lgK1;
    for (std::size_t j = 0; j < a.Points.size(); ++j) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.Points[j].Alpha1),
                  std::bit_cast<std::uint64_t>(b.Points[j].Alpha1));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.Points[j].Alpha2),
                  std::bit_cast<std::uint64_t>(b.Points[j].Alpha2));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.Points[j].TheorShift),
                  std::bit_cast<std::uint64_t>(b.Points[j].TheorShift));
    }
    EXPECT_EQ(a.System.TotalL, b.System.TotalL);
    EXPECT_EQ(a.System.Complex[0], b.System.Complex[0]);
    EXPECT_EQ(a.System.Complex[1], b.System.Complex[1]);
}

// The way a local-minimum test walks lg K1: away and back, over and over. Every evaluation is
// compared with one on a state that has never seen these inputs.
TEST(FractionCache, ReusedFractionsGiveExactlyWhatSolvingGives) {
    TFitState cached;
    LoadTitration(cached);
    const double step = 20.0 / 99;
    const std::vector<double> walk = {3.0,        3.0 - step, 3.0 + step, 3.0,       3.0 + step,
                                      3.0 - step, 3.3,        3.0,        3.0 - step};
    for (const double lgK1 : walk) {
        cached.FitParams[0].Value = lgK1;
        cached.FitParams[2].Value += 0.01;  // shifts move too; they are not part of the key
        cached.ComputeQ();
        TFitState fresh;
        LoadTitration(fresh);
        fresh.FitParams[0].Value = lgK1;
        fresh.FitParams[2].Value = cached.FitParams[2].Value;
        fresh.ComputeQ();
        ExpectSameBits(cached, fresh, lgK1);
    }
    // Four distinct lg K1 values solved once each; the other five evaluations copied.
    EXPECT_EQ(cached.SolveCount, 4u * 12u);
    EXPECT_EQ(cached.FractionReuseCount, 5u);
}

TEST(FractionCache, AnyInputNotBitIdenticalIsSolvedAgain) {
    TFitState state;
    LoadTitration(state);
    state.ComputeQ();
    state.FitParams[0].Value = 3.5;
    state.ComputeQ();
    ASSERT_EQ(state.SolveCount, 24u);

    struct Change {
        const char* what;
        void (*apply)(TFitState&);
    };
    const Change changes[] = {
        {"one concentration", [](TFitState& s) { s.Points[7].Conc *= 1.001; }},
        {"P0", [](TFitState& s) { s.PorphyrinConc *= 1.001; }},
        {"lg K2", [](TFitState& s) { s.FitParams[1].Value += 1e-9; }},
        {"lg K1 within the tolerance", [](TFitState& s) { s.FitParams[0].Value = 3.0 + 1e-11; }},
    };
    for (const Change& c : changes) {
        TFitState s;
        LoadTitration(s);
        s.ComputeQ();
        s.FitParams[0].Value = 3.5;
        s.ComputeQ();
        c.apply(s);
        s.FitParams[0].Value = s.FitParams[0].Value == 3.5 ? 3.0 : s.FitParams[0].Value;
        s.ComputeQ();
        EXPECT_EQ(s.SolveCount, 36u) << c.what;
        EXPECT_EQ(s.FractionReuseCount, 0u) << c.what;
    }
}

TEST(FractionCache, ASolveCutShortByAnErrorLeavesNothingToReuse) {
    TFitState state;
    LoadTitration(state);
    state.FitParams[5].Value = 1e308;  // C * K overflows at the point with the large C
    state.Points[5].Conc = 10.0;
    EXPECT_THROW(state.ComputeQ(), EMathError);
    const std::uint64_t solvedBeforeError = state.SolveCount;
    ASSERT_EQ(solvedBeforeError, 6u);
    state.FitParams[5].Value = 0.0;
    state.ComputeQ();
    EXPECT_EQ(state.SolveCount, solvedBeforeError + 12u);
    EXPECT_EQ(state.FractionReuseCount, 0u);
}

}  // namespace
}  // namespace kelmora
