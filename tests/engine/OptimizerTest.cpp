#include "engine/Optimizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "FakeFitSink.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

using testing::MakeSyntheticTitration;
using testing::TFakeFitSink;

constexpr int DefaultMarked = 3;  // lg K1, shift of P, shift of PL
constexpr int UnimprovedSweepEvals = 1 + 2 * DefaultMarked;

// The default table read as Optimize reads it, steps at MaxStep, no data points.
void LoadDefaults(TFitState& state, TFakeFitSink& host) {
    FillStartupParamsTable(host.Table);
    state.ReadParamsTable(host.Table, {host.Settings.IterCountText, false});
    for (TFitParam& p : state.FitParams) {
        p.Step = p.MaxStep;
    }
}

// Binding switched off and a single point: Q = Weight * (ExpShift - shift of P)^2, so every
// trial of the shift of P has a Q that is exact and known in advance.
void LoadOnePointLine(TFitState& state, double expShift, double shiftP, double step) {
    for (TFitParam& p : state.FitParams) {
        p = TFitParam{};
    }
    state.FitParams[0].Value = -1000.0;
    state.FitParams[1].Value = -1000.0;
    TFitParam& p = state.FitParams[2];
    p.Value = shiftP;
    p.Step = step;
    p.MinStep = 1e-4;
    p.MinVal = -100.0;
    p.MaxVal = 100.0;
    p.Optimize = true;
    state.SetPointCount(1);
    state.Points[0] = TDataPoint{0.0, expShift};
    state.PorphyrinConc = 1e-3;
    state.Weight = 10000.0;
}

TEST(RunOptimizer, DefaultTableWithoutDataMakesTenSweepsThenTheClosingEvaluation) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    RunOptimizer(state, host);

    EXPECT_EQ(state.IterLeft, 1000000000 - 10);
    EXPECT_EQ(state.EvalCount, 10u * UnimprovedSweepEvals + 1);
    for (int i : {0, 2, 3}) {
        EXPECT_EQ(state.FitParams[i].Step, 1e-4) << i;
        EXPECT_TRUE(state.FitParams[i].AtMinStep) << i;
    }
    // Unmarked parameters are neither moved nor halved.
    EXPECT_EQ(state.FitParams[1].Step, 0.1);
    EXPECT_FALSE(state.FitParams[1].AtMinStep);
    EXPECT_EQ(state.FitParams[0].Value, 1.2);
    EXPECT_EQ(host.TestStopCount, 0);
}

TEST(RunOptimizer, MakesExactlyOneSweepWhenTheCountIsUsedUp) {
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::int32_t iterLeft;
        std::int32_t after;
    };
    for (const Case c : {Case{1, 0}, Case{0, -1}, Case{-7, -8}, Case{lowest, lowest}}) {
        TFitState state;
        TFakeFitSink host;
        LoadDefaults(state, host);
        state.IterLeft = c.iterLeft;
        RunOptimizer(state, host);
        EXPECT_EQ(state.EvalCount, UnimprovedSweepEvals + 1u) << c.iterLeft;
        EXPECT_EQ(state.IterLeft, c.after) << c.iterLeft;
        EXPECT_EQ(state.FitParams[0].Step, 0.05) << c.iterLeft;
    }
}

TEST(RunOptimizer, NoMarkedParameterMakesOneSingleEvaluationSweep) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    for (TFitParam& p : state.FitParams) {
        p.Optimize = false;
    }
    RunOptimizer(state, host);
    EXPECT_EQ(state.EvalCount, 2u);
    EXPECT_EQ(state.IterLeft, 1000000000 - 1);
}

// A step that halving cannot bring down to MinStep (it is already at or below it) is raised
// to MinStep by the first unimproved sweep, which also ends a run with only that parameter.
TEST(RunOptimizer, StepAtOrBelowMinStepIsClampedAfterTheFirstUnimprovedSweep) {
    struct Case {
        double step;
        double minStep;
    };
    for (const Case c : {Case{0.0, 1e-4}, Case{0.1, 0.5}}) {
        TFitState state;
        TFakeFitSink host;
        LoadOnePointLine(state, 10.0, 10.0, c.step);
        state.FitParams[2].MinStep = c.minStep;
        state.IterLeft = 1000;
        RunOptimizer(state, host);
        EXPECT_EQ(state.IterLeft, 999) << c.step;
        EXPECT_EQ(state.EvalCount, 4u) << c.step;
        EXPECT_EQ(state.FitParams[2].Step, c.minStep) << c.step;
        EXPECT_TRUE(state.FitParams[2].AtMinStep) << c.step;
        EXPECT_EQ(state.FitParams[2].Value, 10.0) << c.step;
    }
}

TEST(RunOptimizer, AcceptsOnlyStrictImprovementsAndSkipsTheStepDownAfterAGoodStepUp) {
    struct Case {
        double start;
        double step;
        double value;      // after one sweep
        double stepAfter;  // kept after an improving sweep, halved otherwise
        std::uint64_t evals;
    };
    const Case cases[] = {
        {8.0, 1.0, 9.0, 1.0, 1 + 1 + 1},  // up improves: the step down is never tried
        {9.0, 2.0, 9.0, 1.0, 1 + 2 + 1},  // up and down both give exactly Best: neither is taken
        {11.0, 1.0, 10.0, 1.0, 1 + 2 + 1},
    };
    for (const Case& c : cases) {
        TFitState state;
        TFakeFitSink host;
        LoadOnePointLine(state, 10.0, c.start, c.step);
        state.IterLeft = 1;
        RunOptimizer(state, host);
        EXPECT_EQ(state.FitParams[2].Value, c.value) << c.start;
        EXPECT_EQ(state.FitParams[2].Step, c.stepAfter) << c.start;
        EXPECT_EQ(state.EvalCount, c.evals) << c.start;
        EXPECT_EQ(state.Q, 10000.0 * (10.0 - c.value) * (10.0 - c.value)) << c.start;
    }
}

TEST(RunOptimizer, RefreshesOnlyAfterMoreThan100MsAlsoAcrossACounterWrap) {
    struct Case {
        std::uint32_t start;
        std::uint32_t advance;
        int refreshes;  // over the ten sweeps of the default table
    };
    const Case cases[] = {
        {0, 0, 0},
        {0, 50, 3},
        {0, 100, 5},
        {0, 101, 10},
        {0xFFFFFFC0u, 50, 3},
        {0xFFFFFFF0u, 100, 5},
        {0xFFFFFFF0u, 101, 10},
    };
    for (const Case& c : cases) {
        TFitState state;
        TFakeFitSink host;
        LoadDefaults(state, host);
        host.Clock = c.start;
        host.TickAdvance = c.advance;
        RunOptimizer(state, host);
        EXPECT_EQ(host.TestStopCount, c.refreshes) << c.start << " +" << c.advance;
        // Nothing improves without data: neither table nor chart is touched.
        EXPECT_EQ(host.RefreshCount, 0);
        EXPECT_EQ(host.Table.Cell(2, 1), "0.10");
        EXPECT_EQ(state.IterLeft, 1000000000 - 10);
    }
}

TEST(RunOptimizer, RefreshAfterAnImprovingSweepEvaluatesAgainAndShowsTheNewPoint) {
    TFitState state;
    TFakeFitSink host;
    FillStartupParamsTable(host.Table);
    LoadOnePointLine(state, 10.0, 8.0, 1.0);
    state.IterLeft = 1;
    host.TickAdvance = 101;
    RunOptimizer(state, host);
    EXPECT_EQ(state.EvalCount, 1 + 1 + 1 + 1u);
    EXPECT_EQ(host.RefreshCount, 1);
    EXPECT_EQ(host.TestStopCount, 1);
    EXPECT_EQ(host.Table.Cell(1, 3), "9");
    EXPECT_EQ(host.Log, (std::vector<std::string>{"refresh", "test stop"}));
}

TEST(RunOptimizer, StopIsSeenOnlyAtARefreshAndTheStoppedSweepIsNotCounted) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    host.TickAdvance = 50;  // refreshes after sweeps 3, 6, 9
    int ticks = 0;
    // The flag goes up at the first sweep's clock reading, long before the first refresh.
    host.OnTick = [&] {
        if (++ticks == 2) {
            state.StopRequested = true;
        }
    };
    RunOptimizer(state, host);
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(host.TestStopCount, 1);
    EXPECT_EQ(state.IterLeft, 1000000000 - 2);
    EXPECT_EQ(state.FitParams[0].Step, 0.1 * 0.5 * 0.5);
    EXPECT_EQ(state.EvalCount, 3u * UnimprovedSweepEvals + 1);
}

TEST(RunOptimizer, AStopTheSinkReportsIsRecordedInTheStateAtTheFirstRefresh) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    host.TickAdvance = 50;  // refreshes after sweeps 3, 6, 9
    host.StopAnswer = true;
    RunOptimizer(state, host);
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(host.TestStopCount, 1);
    EXPECT_EQ(state.IterLeft, 1000000000 - 2);
    EXPECT_EQ(state.EvalCount, 3u * UnimprovedSweepEvals + 1);
}

TEST(RunOptimizer, StopRequestedBeforeTheRunIsForgotten) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    state.StopRequested = true;
    RunOptimizer(state, host);
    EXPECT_FALSE(state.StopRequested);
    EXPECT_EQ(state.IterLeft, 1000000000 - 10);
}

TEST(RunOptimizer, AfterAStopQAndTheModelBelongToTheKeptValues) {
    TFitState state;
    TFakeFitSink host;
    LoadOnePointLine(state, 10.0, 9.0, 2.0);  // both trials rejected, the last one at 7
    host.TickAdvance = 101;
    host.OnTestStop = [&] { state.StopRequested = true; };
    RunOptimizer(state, host);
    EXPECT_EQ(state.FitParams[2].Value, 9.0);
    EXPECT_EQ(state.Q, 10000.0);
    EXPECT_EQ(state.Points[0].TheorShift, 9.0);
    EXPECT_EQ(state.EvalCount, 1 + 2 + 1u);
    EXPECT_EQ(state.FitParams[2].Step, 2.0);
}

TEST(RunOptimizer, RecoversTheConstantsOfASyntheticTitration) {
    TFitState state;
    TFakeFitSink host;
    LoadDefaults(state, host);
    state.FitParams[0].Value = 3.3;
    state.FitParams[2].Value = 7.6;
    state.FitParams[3].Value = 10.4;
    MakeSyntheticTitration(state, 30, 1e-3, 5e-3);
    state.FitParams[0].Value = 1.2;
    state.FitParams[2].Value = 8.0;
    state.FitParams[3].Value = 9.0;

    host.TickAdvance = 7;
    RunOptimizer(state, host);
    EXPECT_NEAR(state.FitParams[0].Value, 3.3, 2e-3);
    EXPECT_NEAR(state.FitParams[2].Value, 7.6, 2e-3);
    EXPECT_NEAR(state.FitParams[3].Value, 10.4, 2e-3);
    EXPECT_LT(state.Q, 1e-2);
    EXPECT_GT(state.IterLeft, 0);  // converged, not cut off
    EXPECT_GT(host.RefreshCount, 0);
    EXPECT_LE(host.RefreshCount, host.TestStopCount);
}

// A redraw slower than the interval must not make every following sweep refresh: the search
// keeps its 100 ms of work between refreshes and ends where it ends with instant redraws.
TEST(RunOptimizer, ASlowRedrawStillLeavesTheIntervalOfWorkBeforeTheNextRefresh) {
    std::vector<TParamVector> ends;
    std::vector<std::uint64_t> evalCounts;
    for (const std::uint32_t redrawMs : {0u, 1000u}) {
        TFitState state;
        TFakeFitSink host;
        LoadDefaults(state, host);
        state.FitParams[0].Value = 3.3;
        state.FitParams[2].Value = 7.6;
        MakeSyntheticTitration(state, 30, 1e-3, 5e-3);
        state.FitParams[0].Value = 1.2;
        state.FitParams[2].Value = 8.0;
        host.TickAdvance = 1;  // one clock reading per sweep
        host.RefreshCost = redrawMs;
        std::vector<std::int32_t> sweepsLeftAtRefresh;
        host.OnTestStop = [&] { sweepsLeftAtRefresh.push_back(state.IterLeft); };
        RunOptimizer(state, host);
        ASSERT_GE(sweepsLeftAtRefresh.size(), 3u) << redrawMs;
        for (std::size_t i = 1; i < sweepsLeftAtRefresh.size(); ++i) {
            EXPECT_GE(sweepsLeftAtRefresh[i - 1] - sweepsLeftAtRefresh[i], 100) << redrawMs;
        }
        ends.push_back(state.GetParamVector());
        evalCounts.push_back(state.EvalCount);
    }
    EXPECT_EQ(ends[0], ends[1]);
    EXPECT_EQ(evalCounts[0], evalCounts[1]);
}

TEST(OptimizeCommand, ReadsTheTableSearchesAndShowsTheResult) {
    TFitState state;
    TFakeFitSink host;
    FillStartupParamsTable(host.Table);
    OptimizeCommand(state, host.Table, host.Settings, host);
    EXPECT_EQ(host.Log, (std::vector<std::string>{"phase Optimizing", "refresh"}));
    EXPECT_EQ(host.Table.Cell(2, 1), "0.1");  // written back in its shortest form
    EXPECT_EQ(state.IterLeft, 1000000000 - 10);
    EXPECT_EQ(state.FitParams[0].Step, 1e-4);
}

TEST(OptimizeCommand, AnErrorDuringTheRunPropagatesWithoutTheClosingRefresh) {
    TFitState state;
    TFakeFitSink host;
    FillStartupParamsTable(host.Table);
    host.Table.SetCell(2, 1, "1000");  // lg K1 jumps straight past 308
    host.Table.SetCell(5, 1, "-1000000");
    host.Table.SetCell(6, 1, "1000000");
    try {
        OptimizeCommand(state, host.Table, host.Settings, host);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(host.Log, std::vector<std::string>{"phase Optimizing"});
    EXPECT_EQ(state.FitParams[0].Value, 1.2 + 1000.0);  // the failed trial stays
}

TEST(OptimizeCommand, AFaultyCellStopsBeforeTheRunIsAnnounced) {
    TFitState state;
    TFakeFitSink host;
    FillStartupParamsTable(host.Table);
    host.Table.SetCell(3, 2, "x");
    EXPECT_THROW(OptimizeCommand(state, host.Table, host.Settings, host), EConvertError);
    EXPECT_TRUE(host.Log.empty());
}

TEST(OptimizeCommand, TakesTheIterationCountFromTheSettings) {
    struct Case {
        const char* iterText;
        std::int32_t left;  // after the ten unimproved sweeps, or the one the count allows
    };
    for (const Case c : {Case{"1000000000", 1000000000 - 10}, Case{"3", 0}, Case{"1", 0}}) {
        TFitState state;
        TFakeFitSink host;
        FillStartupParamsTable(host.Table);
        host.Settings.IterCountText = c.iterText;
        OptimizeCommand(state, host.Table, host.Settings, host);
        EXPECT_EQ(state.IterLeft, c.left) << c.iterText;
        EXPECT_FALSE(state.FinishMinima);
    }
}

}  // namespace
}  // namespace kelmora
