#include "engine/Scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FakeFitSink.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

using testing::TFakeFitSink;

// A table with only the rows given marked, binding switched off (lg K -1000), so that with one
// point at C = 0 the model shift is the shift of P and Q = 10^4 (ExpShift - shift of P)^2.
struct TMarkedRow {
    int row;
    const char* minVal;
    const char* maxVal;
    const char* steps;
};
void PrepareTable(TFakeFitSink& host, const std::vector<TMarkedRow>& marked) {
    FillStartupParamsTable(host.Table);
    host.Table.SetCell(1, 1, "-1000");
    for (int r = 1; r <= ParamCount; ++r) {
        host.Table.SetCell(4, r, "");
    }
    for (const TMarkedRow& m : marked) {
        host.Table.SetCell(4, m.row, "y");
        host.Table.SetCell(5, m.row, m.minVal);
        host.Table.SetCell(6, m.row, m.maxVal);
        host.Table.SetCell(7, m.row, m.steps);
    }
}

void LoadOnePoint(TFitState& state, double expShift) {
    state.SetPointCount(1);
    state.Points[0] = TDataPoint{0.0, expShift};
    state.PorphyrinConc = 1e-3;
    state.Weight = 10000.0;
}

// The lattice value after k additions, the way the scan reaches it.
double Accumulated(double start, double step, int k) {
    double v = start - step;
    for (int i = 0; i < k; ++i) {
        v = v + step;
    }
    return v;
}

// Q of the one-point data set, formed as the criterion forms it.
double QAt(double expShift, double shiftP) {
    const double d = expShift - shiftP;
    return d * d * 10000.0;
}

TEST(Scan, OneParameterVisitsElevenPointsAndOneBeyondTheRange) {
    struct Case {
        double expShift;
        int minimumAt;  // lattice index of the only candidate
    };
    // Q rising over the range: MinVal is the candidate. Falling: MaxVal is, because the
    // point beyond it is penalised.
    for (const Case c : {Case{-5.0, 0}, Case{5.0, 10}, Case{0.42, 4}}) {
        TFitState state;
        TFakeFitSink host;
        PrepareTable(host, {{3, "0", "1", "11"}});
        LoadOnePoint(state, c.expShift);
        ScanCommand(state, host.Table, host.Settings, host);

        // The candidate is found one point later and reached by stepping back from there.
        const double step = 1.0 / 10;
        const double at = Accumulated(0.0, step, c.minimumAt + 2) - step;
        ASSERT_EQ(host.Minima.size(), 1u) << c.expShift;
        EXPECT_EQ(host.Minima[0].first[2], at);
        EXPECT_EQ(host.Minima[0].second, QAt(c.expShift, at));
        EXPECT_EQ(state.EvalCount, 12u + 5u) << c.expShift;  // lattice, then 1 + 2 + 2
        EXPECT_NEAR(state.FitParams[2].Value, 1.1, 1e-12);
        EXPECT_EQ(host.Table.Cell(1, 3), FormatGeneral(state.FitParams[2].Value));
    }
}

TEST(Scan, TwoParametersRunTheInnerRangeForEveryOuterPoint) {
    TFitState state;  // no data: Q is 0 at every lattice point, so nothing is a candidate
    TFakeFitSink host;
    PrepareTable(host, {{3, "0", "2", "3"}, {6, "0", "3", "4"}});
    ScanCommand(state, host.Table, host.Settings, host);
    EXPECT_EQ(state.EvalCount, 3u * 5u);
    EXPECT_TRUE(host.Minima.empty());
    EXPECT_EQ(host.ResetMinimaCount, 1);
    EXPECT_EQ(host.EnableListCount, 1);
    EXPECT_EQ(state.FitParams[2].Value, 2.0);
    EXPECT_EQ(state.FitParams[5].Value, 4.0);
    EXPECT_EQ(host.Table.Cell(1, 6), "4");  // the table shows where the lattice ended
}

TEST(Scan, RefreshesOnlyAfterMoreThan200MsAlsoAcrossACounterWrap) {
    struct Case {
        std::uint32_t start;
        std::uint32_t advance;
        int refreshes;  // over the twelve points of one parameter with StepsCount 11
    };
    const Case cases[] = {
        {0, 0, 0},    {0, 100, 4},           {0, 200, 6},
        {0, 201, 12}, {0xFFFFFF00u, 200, 6}, {0xFFFFFF9Cu, 100, 4},
    };
    for (const Case& c : cases) {
        TFitState state;  // no data, so no candidates
        TFakeFitSink host;
        PrepareTable(host, {{3, "0", "1", "11"}});
        host.Clock = c.start;
        host.TickAdvance = c.advance;
        ScanCommand(state, host.Table, host.Settings, host);
        EXPECT_EQ(host.TestStopCount, c.refreshes) << c.start << " +" << c.advance;
        EXPECT_EQ(host.RefreshCount, c.refreshes + 1) << c.start << " +" << c.advance;
    }
}

// However long a redraw takes, the scan gets its 200 ms of work between two refreshes, and what
// it finds and evaluates does not depend on the redraws.
TEST(Scan, ASlowRedrawStillLeavesTheIntervalOfWorkBeforeTheNextRefresh) {
    std::vector<std::vector<std::pair<TParamVector, double>>> found;
    std::vector<std::uint64_t> evalCounts;
    for (const std::uint32_t redrawMs : {0u, 1000u}) {
        TFitState state;
        TFakeFitSink host;
        PrepareTable(host, {{3, "0", "10", "1000"}});
        LoadOnePoint(state, 5.05);
        host.TickAdvance = 1;  // one clock reading per lattice point
        host.RefreshCost = redrawMs;
        std::vector<std::uint64_t> evalsAtRefresh;
        host.OnTestStop = [&] { evalsAtRefresh.push_back(state.EvalCount); };
        ScanCommand(state, host.Table, host.Settings, host);
        ASSERT_GE(evalsAtRefresh.size(), 4u) << redrawMs;
        for (std::size_t i = 1; i < evalsAtRefresh.size(); ++i) {
            EXPECT_GE(evalsAtRefresh[i] - evalsAtRefresh[i - 1], 200u) << redrawMs << " #" << i;
        }
        found.push_back(host.Minima);
        evalCounts.push_back(state.EvalCount);
    }
    EXPECT_EQ(found[0], found[1]);
    EXPECT_EQ(evalCounts[0], evalCounts[1]);
}

TEST(Scan, ListsTheCandidateOrItsRefinementAndGoesOnFromTheCandidate) {
    std::vector<double> endValues;
    for (const bool finish : {false, true}) {
        TFitState state;
        TFakeFitSink host;
        PrepareTable(host, {{3, "0", "10", "11"}});
        host.Settings.FinishMinima = finish;
        LoadOnePoint(state, 5.05);
        ScanCommand(state, host.Table, host.Settings, host);

        ASSERT_EQ(host.Minima.size(), 1u) << finish;
        const auto& [v, q] = host.Minima[0];
        if (finish) {
            EXPECT_NEAR(v[2], 5.05, 1e-4);
            EXPECT_LT(q, 1e-3);
            EXPECT_EQ(host.Phases, (std::vector<TFitPhase>{TFitPhase::Scanning, TFitPhase::Refining,
                                                           TFitPhase::ScanningOn}));
            EXPECT_LT(state.IterLeft, 1000);  // the refinement's count is left as it is
        } else {
            EXPECT_EQ(v[2], 5.0);
            EXPECT_EQ(q, QAt(5.05, 5.0));
            EXPECT_EQ(host.Phases, std::vector<TFitPhase>{TFitPhase::Scanning});
        }
        EXPECT_EQ(host.Log.back(), "refresh");
        endValues.push_back(state.FitParams[2].Value);
    }
    EXPECT_EQ(endValues[0], endValues[1]);
}

TEST(Scan, StopEndsEveryLevelAfterOneMoreRefreshAndKeepsTheList) {
    TFitState state;
    TFakeFitSink host;
    // lg K2 outermost: it does not move Q while it stays in range, and binding stays off.
    PrepareTable(host, {{2, "-1000", "-990", "3"}, {3, "0", "10", "11"}});
    LoadOnePoint(state, 5.05);
    host.TickAdvance = 201;  // every point refreshes
    host.OnTestStop = [&] {
        if (!host.Minima.empty()) {
            state.StopRequested = true;
        }
    };
    ScanCommand(state, host.Table, host.Settings, host);
    ASSERT_EQ(host.Minima.size(), 1u);
    EXPECT_EQ(host.Minima[0].first[1], -1000.0);
    EXPECT_EQ(host.Minima[0].first[2], 5.0);
    EXPECT_EQ(state.EvalCount, 7u + 1 + 4 + 4);
    EXPECT_EQ(host.TestStopCount, 7 + 1);  // seven inner points, then the outer level once more
    EXPECT_EQ(host.EnableListCount, 1);
    EXPECT_EQ(host.Log.back(), "refresh");         // ended as a finished scan does
    EXPECT_EQ(state.FitParams[1].Value, -1000.0);  // the outer level never moved on
    EXPECT_EQ(state.FitParams[2].Value, 6.0);
}

// However the stop arrives: set in the state (the window's old way), said once by the sink
// (Stop), or said at every refresh from then on (a closed window, Ctrl+C).
TEST(Scan, StopDuringARefinementListsItsPointAndEndsAtTheNextRefresh) {
    enum class TStopBy { State, SinkOnce, SinkFromThenOn };
    for (const TStopBy by : {TStopBy::State, TStopBy::SinkOnce, TStopBy::SinkFromThenOn}) {
        SCOPED_TRACE(static_cast<int>(by));
        TFitState state;
        TFakeFitSink host;
        PrepareTable(host, {{3, "0", "10", "11"}});
        host.Settings.FinishMinima = true;
        LoadOnePoint(state, 5.05);
        host.TickAdvance = 300;
        int processDuringRefinement = 0;
        host.OnTestStop = [&] {
            const bool refining = host.Phases.back() == TFitPhase::Refining;
            processDuringRefinement += refining ? 1 : 0;
            switch (by) {
                case TStopBy::State:
                    state.StopRequested = state.StopRequested || refining;
                    break;
                case TStopBy::SinkOnce:
                    host.StopAnswer = refining;
                    break;
                case TStopBy::SinkFromThenOn:
                    host.StopAnswer = host.StopAnswer || refining;
                    break;
            }
        };
        ScanCommand(state, host.Table, host.Settings, host);
        EXPECT_EQ(processDuringRefinement, 1);
        EXPECT_TRUE(state.StopRequested);
        ASSERT_EQ(host.Minima.size(), 1u);
        // The one sweep made no progress; the listed Q belongs to the listed point, not to the
        // last rejected trial.
        EXPECT_EQ(host.Minima[0].first[2], 5.0);
        EXPECT_EQ(host.Minima[0].second, QAt(5.05, 5.0));
        EXPECT_EQ(state.IterLeft, 1000);
        // Stopped where it found it.
        EXPECT_EQ(state.FitParams[2].Value, Accumulated(0.0, 1.0, 7));
        EXPECT_EQ(host.Phases, (std::vector<TFitPhase>{TFitPhase::Scanning, TFitPhase::Refining,
                                                       TFitPhase::ScanningOn}));
    }
}

TEST(Scan, NoMarkedParameterLeavesTheListAlone) {
    TFitState state;
    TFakeFitSink host;
    PrepareTable(host, {});
    ScanCommand(state, host.Table, host.Settings, host);
    EXPECT_EQ(host.Log, (std::vector<std::string>{"phase Scanning", "refresh"}));
    EXPECT_EQ(state.EvalCount, 0u);
    EXPECT_EQ(host.Table.Cell(2, 1), "0.1");
}

TEST(Scan, AnErrorPropagatesAndTheListAndButtonsComeBack) {
    TFitState state;
    TFakeFitSink host;
    PrepareTable(host, {{1, "300", "320", "21"}});
    try {
        ScanCommand(state, host.Table, host.Settings, host);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(host.Log, (std::vector<std::string>{"phase Scanning", "reset list", "enable list"}));
    EXPECT_GT(state.FitParams[0].Value, 308.0);
}

TEST(Scan, AnErrorBeforeTheListIsResetLeavesItAlone) {
    TFitState state;
    TFakeFitSink host;
    PrepareTable(host, {{3, "0", "10", "11"}});
    host.Table.SetCell(7, 5, "1");  // divides by zero while the table is read
    EXPECT_THROW(ScanCommand(state, host.Table, host.Settings, host), EMathError);
    EXPECT_TRUE(host.Log.empty());
}

}  // namespace
}  // namespace kelmora

namespace kelmora {
namespace {

TEST(Scan, AMarkedParameterWithFewerThanTwoStepsIsRefusedByNameBeforeAnythingChanges) {
    struct Case {
        int row;
        const char* steps;
        bool marked;
        const char* message;  // empty: the scan runs
    };
    const Case cases[] = {
        {3, "1", true, "Steps count of C.Shift (P) must be at least 2 for a scan"},
        {3, "0", true, "Steps count of C.Shift (P) must be at least 2 for a scan"},
        {1, "-5", true, "Steps count of Lg(K1) must be at least 2 for a scan"},
        {6, "-2147483648", true, "Steps count of K (unspecif) must be at least 2 for a scan"},
        {3, "x", true, "'x' is not a valid integer value"},
        {3, "2", true, ""},
        {5, "0", false, ""},  // unmarked: no lattice of its own to walk
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.steps) + " in row " + std::to_string(c.row));
        TFitState state;
        TFakeFitSink host;
        PrepareTable(host, c.marked ? std::vector<TMarkedRow>{{c.row, "0", "1", c.steps}}
                                    : std::vector<TMarkedRow>{{3, "0", "1", "3"}});
        host.Table.SetCell(7, c.row, c.steps);
        LoadOnePoint(state, 0.5);
        state.FitParams[c.row - 1].Value = 42.0;
        const TStringTable tableBefore = host.Table;
        try {
            ScanCommand(state, host.Table, host.Settings, host);
            EXPECT_STREQ(c.message, "");
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
            EXPECT_TRUE(host.Log.empty());
            EXPECT_EQ(state.EvalCount, 0u);
            EXPECT_EQ(state.FitParams[c.row - 1].Value, 42.0);
            for (int r = 0; r <= ParamCount; ++r) {
                for (int col = 0; col < ParamsGridCols; ++col) {
                    EXPECT_EQ(host.Table.Cell(col, r), tableBefore.Cell(col, r));
                }
            }
        }
    }
}

}  // namespace
}  // namespace kelmora
