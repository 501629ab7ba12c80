#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/FitState.h"
#include "util/Errors.h"

using namespace kelmora;

namespace {

// A fitting state with the default parameters (all bounds, lg K1 1.2, PL2 off) and a few points.
TFitState DefaultState(std::initializer_list<double> conc = {0.002, 0.005, 0.01, 0.02, 0.05}) {
    TFitState s;
    TStringTable t(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(t);
    s.ReadParamsTable(t, {DefaultIterCountText, false});
    s.SetPointCount(static_cast<int>(conc.size()));
    int j = 0;
    for (double c : conc) {
        s.Points[j].Conc = c;
        s.Points[j].ExpShift = 8 + 10 * c;
        ++j;
    }
    s.PorphyrinConc = 0.01;
    s.Weight = 10000.0 / static_cast<double>(conc.size());
    return s;
}

double Model(const TFitState& s, const TDataPoint& p) {
    const double a1 = p.Alpha1, a2 = p.Alpha2;
    const auto& v = s.FitParams;
    return ((((1 - a1) - a2) * v[2].Value + v[3].Value * a1) + v[4].Value * a2) +
           p.Conc * v[5].Value;
}

}  // namespace

TEST(ComputeQ, WeightedSumOfSquaresAgainstTheSolver) {
    TFitState s = DefaultState();
    const double q = s.ComputeQ();
    EXPECT_EQ(q, s.Q);
    double sum = 0;
    for (const TDataPoint& p : s.Points) {
        TChemSystem ref;
        ref.SetReactionCount(2);
        const double lgK[2] = {1.2, -1000};
        ref.SetLgK(lgK);
        ref.TotalP = 0.01;
        ref.TotalL = p.Conc;
        ref.Solve();
        EXPECT_EQ(p.Alpha1, ref.Complex[0] / 0.01);
        EXPECT_EQ(p.Alpha2, 0.0);
        EXPECT_EQ(p.TheorShift, Model(s, p));
        EXPECT_EQ(p.SolvedConc, p.Conc);
        sum += (p.ExpShift - p.TheorShift) * (p.ExpShift - p.TheorShift);
    }
    EXPECT_DOUBLE_EQ(q, sum * s.Weight);
    EXPECT_EQ(s.SolveCount, 5u);
    for (int i = 0; i < ParamCount; ++i) {
        EXPECT_EQ(s.LastParamValues[i], s.FitParams[i].Value);
    }
}

// Which changes make the next evaluation solve every point again, and which reuse the cache.
TEST(ComputeQ, ResolvesOnlyWhenLgKConcentrationOrP0Moved) {
    const struct {
        const char* what;
        void (*change)(TFitState&);
        bool resolves;
    } cases[] = {
        {"nothing", [](TFitState&) {}, false},
        {"shift of P", [](TFitState& s) { s.FitParams[2].Value += 1; }, false},
        {"K unspecific", [](TFitState& s) { s.FitParams[5].Value = 3; }, false},
        {"experimental shift", [](TFitState& s) { s.Points[1].ExpShift = 1; }, false},
        {"lg K1 by 1e-10", [](TFitState& s) { s.FitParams[0].Value = 1.2 + 0.9e-10; }, false},
        {"lg K1 by 2e-10", [](TFitState& s) { s.FitParams[0].Value = 1.2 + 2e-10; }, true},
        {"lg K2", [](TFitState& s) { s.FitParams[1].Value = 2; }, true},
        {"one concentration", [](TFitState& s) { s.Points[3].Conc += 1e-9; }, true},
        {"P0", [](TFitState& s) { s.PorphyrinConc = 0.02; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TFitState s = DefaultState();
        s.ComputeQ();
        const auto before = s.SolveCount;
        c.change(s);
        s.ComputeQ();
        EXPECT_EQ(s.SolveCount - before, c.resolves ? 5u : 0u);
        for (const TDataPoint& p : s.Points) {
            EXPECT_EQ(p.TheorShift, Model(s, p));  // shifts are always recomputed
        }
    }
}

// Entering the same concentrations with another P0 must not keep the old fractions.
TEST(ComputeQ, NewP0GivesNewFractions) {
    TFitState s = DefaultState();
    s.ComputeQ();
    const double alphaAtP0 = s.Points[2].Alpha1;
    s.PorphyrinConc = 0.001;
    s.ComputeQ();
    EXPECT_GT(s.Points[2].Alpha1, alphaAtP0);  // less porphyrin: a larger share is bound
    TFitState fresh = DefaultState();
    fresh.PorphyrinConc = 0.001;
    fresh.ComputeQ();
    EXPECT_EQ(s.Points[2].Alpha1, fresh.Points[2].Alpha1);
    EXPECT_EQ(s.Q, fresh.Q);
}

TEST(ComputeQ, BoundsPenalty) {
    const struct {
        int index;
        double value, minVal, maxVal;
        bool marked;
        double q;  // 0 means "the model value"
    } cases[] = {
        {0, 10.5, -10, 10, true, 10000500}, {0, -10.5, -10, 10, true, 10020500},
        {2, -1, 0, 20, true, 10021000},     {2, 25, 0, 20, true, 10005000},
        {0, 10, -10, 10, true, 0},          {0, -10, -10, 10, true, 0},
        {4, 50, 0, 20, false, 0},  // unmarked parameters are never tested
    };
    for (const auto& c : cases) {
        TFitState s = DefaultState();
        s.ComputeQ();
        const TFitState before = s;
        TFitParam& p = s.FitParams[c.index];
        p.Value = c.value;
        p.MinVal = c.minVal;
        p.MaxVal = c.maxVal;
        p.Optimize = c.marked;
        const double q = s.ComputeQ();
        if (c.q != 0) {
            EXPECT_EQ(q, c.q) << c.value;
            EXPECT_EQ(s.Q, c.q);
            EXPECT_EQ(s.LastParamValues, before.LastParamValues);
            for (std::size_t j = 0; j < s.Points.size(); ++j) {
                EXPECT_EQ(s.Points[j].TheorShift, before.Points[j].TheorShift);
                EXPECT_EQ(s.Points[j].Alpha1, before.Points[j].Alpha1);
            }
        } else {
            EXPECT_LT(q, 10000000) << c.value;
        }
    }
    // The lower index decides between two offenders.
    TFitState s = DefaultState();
    s.FitParams[3].Value = 100;
    s.FitParams[0].Value = 11;
    EXPECT_EQ(s.ComputeQ(), 10001000);
}

// The same Values give the same Q, whatever was evaluated before.
TEST(ComputeQ, DependsOnlyOnTheCurrentValues) {
    const double lgK2Path[] = {3, -1000, 3, -950, -1000, 4};
    TFitState walked = DefaultState();
    for (double lgK2 : lgK2Path) {
        walked.FitParams[1].Value = lgK2;
        walked.FitParams[0].Value += 0.25;
        walked.ComputeQ();
    }
    TFitState fresh = DefaultState();
    fresh.FitParams[0].Value = walked.FitParams[0].Value;
    fresh.FitParams[1].Value = 4;
    EXPECT_EQ(walked.Q, fresh.ComputeQ());
    for (std::size_t j = 0; j < fresh.Points.size(); ++j) {
        EXPECT_EQ(walked.Points[j].Alpha2, fresh.Points[j].Alpha2);
    }
}

// A solve that fails at a later point has already replaced the fractions of the earlier ones;
// going back to the previous lg K must not reuse that mixture.
TEST(ComputeQ, AFailedSolveLeavesNoMixedFractionsBehind) {
    TFitState s = DefaultState({0.001, 0.002, 1e10});
    s.FitParams[0].Value = 1;
    s.ComputeQ();
    const TFitState before = s;
    s.FitParams[0].Value = 300;  // K1 * (A + B) leaves the double range at the third point
    s.FitParams[0].MaxVal = 1000;
    EXPECT_THROW(s.ComputeQ(), EMathError);
    s.FitParams[0].Value = 1;
    s.ComputeQ();
    for (std::size_t j = 0; j < s.Points.size(); ++j) {
        EXPECT_EQ(s.Points[j].Alpha1, before.Points[j].Alpha1) << j;
        EXPECT_EQ(s.Points[j].TheorShift, before.Points[j].TheorShift) << j;
    }
    EXPECT_EQ(s.Q, before.Q);
}

TEST(ComputeQ, NoPointsGivesZeroAndStillBooksTheValues) {
    TFitState s = DefaultState({});
    s.Weight = 0;
    s.FitParams[0].Value = 2;
    EXPECT_EQ(s.ComputeQ(), 0.0);
    EXPECT_EQ(s.LastParamValues[0], 2);
}

TEST(ComputeQ, NewPointsAreSolvedOnTheFirstEvaluation) {
    TFitState s = DefaultState({0.01, 0.02});
    s.ComputeQ();
    s.SetPointCount(3);
    s.Points[2].Conc = 0.03;
    s.Points[2].ExpShift = 8;
    const auto before = s.SolveCount;
    s.ComputeQ();
    EXPECT_EQ(s.SolveCount - before, 3u);
    EXPECT_GT(s.Points[2].Alpha1, 0.0);
}

TEST(ComputeQ, ErrorsEndTheEvaluationWhereTheyArise) {
    {
        // P0 = 0: the fraction 0/0 at the first point; Q and the cache keep what they had.
        TFitState s = DefaultState();
        s.ComputeQ();
        const double q = s.Q;
        const double theor0 = s.Points[0].TheorShift;
        s.PorphyrinConc = 0;
        try {
            s.ComputeQ();
            ADD_FAILURE();
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), "Invalid floating point operation");
        }
        EXPECT_EQ(s.Q, q);
        EXPECT_EQ(s.Points[0].TheorShift, theor0);
    }
    {
        // A penalty whose distance leaves the double range cannot be stored.
        TFitState s = DefaultState();
        s.ComputeQ();
        const double q = s.Q;
        s.FitParams[2].MaxVal = 1e308;
        s.FitParams[2].Value = -1e308;
        try {
            s.ComputeQ();
            ADD_FAILURE();
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), "Floating point overflow");
        }
        EXPECT_EQ(s.Q, q);
    }
    {
        // lg K1 beyond the double range: SetLgK overflows before anything is solved.
        TFitState s = DefaultState();
        s.FitParams[0].Value = 400;
        s.FitParams[0].MaxVal = 1000;
        EXPECT_THROW(s.ComputeQ(), EMathError);
        EXPECT_EQ(s.SolveCount, 0u);
    }
    {
        // A shift overflowing at the third point: the first two take their new shifts, the
        // rest keep the old ones, the cache stays as it was.
        TFitState s = DefaultState({0.001, 0.002, 2, 3});
        s.ComputeQ();
        const double theor3 = s.Points[3].TheorShift;
        s.FitParams[5].Optimize = false;
        s.FitParams[5].Value = 1e308;
        try {
            s.ComputeQ();
            ADD_FAILURE();
        } catch (const EMathError& e) {
            EXPECT_STREQ(e.what(), "Floating point overflow");
        }
        EXPECT_EQ(s.Points[0].TheorShift, Model(s, s.Points[0]));
        EXPECT_EQ(s.Points[1].TheorShift, Model(s, s.Points[1]));
        EXPECT_EQ(s.Points[3].TheorShift, theor3);
        EXPECT_EQ(s.LastParamValues[5], 0.0);
    }
}
