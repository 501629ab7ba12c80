#include "engine/Scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeFitHost.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

using testing::TFakeFitHost;

// A table with only the rows given marked, binding switched off (lg K -1000), so that with one
// point at C = 0 the model shift is the shift of P and Q = 10^4 (ExpShift - shift of P)^2.
struct TMarkedRow {
    int row;
    const char* minVal;
    const char* maxVal;
    const char* steps;
};
void PrepareTable(TFakeFitHost& host, const std::vector<TMarkedRow>& marked) {
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
        TFakeFitHost host;
        PrepareTable(host, {{3, "0", "1", "11"}});
        LoadOnePoint(state, c.expShift);
        ScanCommand(state, host);

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
    TFakeFitHost host;
    PrepareTable(host, {{3, "0", "2", "3"}, {6, "0", "3", "4"}});
    ScanCommand(state, host);
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
        TFakeFitHost host;
        PrepareTable(host, {{3, "0", "1", "11"}});
        host.Clock = c.start;
        host.TickAdvance = c.advance;
        ScanCommand(state, host);
        EXPECT_EQ(host.ProcessCount, c.refreshes) << c.start << " +" << c.advance;
        EXPECT_EQ(host.RedrawCount, c.refreshes + 1) << c.start << " +" << c.advance;
    }
}

TEST(Scan, ListsTheCandidateOrItsRefinementAndGoesOnFromTheCandidate) {
    std::vector<double> endValues;
    for (const bool finish : {false, true}) {
        TFitState state;
        TFakeFitHost host;
        PrepareTable(host, {{3, "0", "10", "11"}});
        host.FinishMinima = finish;
        LoadOnePoint(state, 5.05);
        ScanCommand(state, host);

        ASSERT_EQ(host.Minima.size(), 1u) << finish;
        const auto& [v, q] = host.Minima[0];
        if (finish) {
            EXPECT_NEAR(v[2], 5.05, 1e-4);
            EXPECT_LT(q, 1e-3);
            EXPECT_EQ(host.Captions,
                      (std::vector<std::string>{"Scanning...", "Идет дооптимизация",
                                                "Идет сканирование", "Scanning complete"}));
            EXPECT_LT(state.IterLeft, 1000);  // the refinement's count is left as it is
        } else {
            EXPECT_EQ(v[2], 5.0);
            EXPECT_EQ(q, QAt(5.05, 5.0));
            EXPECT_EQ(host.Captions,
                      (std::vector<std::string>{"Scanning...", "Scanning complete"}));
        }
        EXPECT_EQ(host.BeepCount, 1);
        endValues.push_back(state.FitParams[2].Value);
    }
    EXPECT_EQ(endValues[0], endValues[1]);
}

TEST(Scan, StopEndsEveryLevelAfterOneMoreRefreshAndKeepsTheList) {
    TFitState state;
    TFakeFitHost host;
    // lg K2 outermost: it does not move Q while it stays in range, and binding stays off.
    PrepareTable(host, {{2, "-1000", "-990", "3"}, {3, "0", "10", "11"}});
    LoadOnePoint(state, 5.05);
    host.TickAdvance = 201;  // every point refreshes
    host.OnProcessMessages = [&] {
        if (!host.Minima.empty()) {
            state.StopRequested = true;
        }
    };
    ScanCommand(state, host);
    ASSERT_EQ(host.Minima.size(), 1u);
    EXPECT_EQ(host.Minima[0].first[1], -1000.0);
    EXPECT_EQ(host.Minima[0].first[2], 5.0);
    EXPECT_EQ(state.EvalCount, 7u + 1 + 4 + 4);
    EXPECT_EQ(host.ProcessCount, 7 + 1);  // seven inner points, then the outer level once more
    EXPECT_EQ(host.EnableListCount, 1);
    EXPECT_EQ(host.EnableCount, 1);
    EXPECT_EQ(host.Captions.back(), "Scanning complete");
    EXPECT_EQ(host.BeepCount, 1);
    EXPECT_EQ(state.FitParams[1].Value, -1000.0);  // the outer level never moved on
    EXPECT_EQ(state.FitParams[2].Value, 6.0);
}

TEST(Scan, StopDuringARefinementListsItsPointAndEndsAtTheNextRefresh) {
    TFitState state;
    TFakeFitHost host;
    PrepareTable(host, {{3, "0", "10", "11"}});
    host.FinishMinima = true;
    LoadOnePoint(state, 5.05);
    host.TickAdvance = 300;
    int processDuringRefinement = 0;
    host.OnProcessMessages = [&] {
        if (host.Captions.back() == "Идет дооптимизация") {
            ++processDuringRefinement;
            state.StopRequested = true;
        }
    };
    ScanCommand(state, host);
    EXPECT_EQ(processDuringRefinement, 1);
    ASSERT_EQ(host.Minima.size(), 1u);
    // The one sweep made no progress; the listed Q belongs to the listed point, not to the
    // last rejected trial.
    EXPECT_EQ(host.Minima[0].first[2], 5.0);
    EXPECT_EQ(host.Minima[0].second, QAt(5.05, 5.0));
    EXPECT_EQ(state.IterLeft, 1000);
    EXPECT_EQ(state.FitParams[2].Value, Accumulated(0.0, 1.0, 7));  // stopped where it found it
    EXPECT_EQ(host.Captions, (std::vector<std::string>{"Scanning...", "Идет дооптимизация",
                                                       "Идет сканирование", "Scanning complete"}));
}

TEST(Scan, NoMarkedParameterLeavesTheListAlone) {
    TFitState state;
    TFakeFitHost host;
    PrepareTable(host, {});
    ScanCommand(state, host);
    EXPECT_EQ(host.Log, (std::vector<std::string>{"caption Scanning...", "disable", "enable",
                                                  "redraw", "caption Scanning complete", "beep"}));
    EXPECT_EQ(state.EvalCount, 0u);
    EXPECT_EQ(host.Table.Cell(2, 1), "0.1");
}

TEST(Scan, AnErrorPropagatesAndTheListAndButtonsComeBack) {
    TFitState state;
    TFakeFitHost host;
    PrepareTable(host, {{1, "300", "320", "21"}});
    try {
        ScanCommand(state, host);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(host.Log, (std::vector<std::string>{"caption Scanning...", "disable", "reset list",
                                                  "enable list", "enable"}));
    EXPECT_GT(state.FitParams[0].Value, 308.0);
}

TEST(Scan, AnErrorBeforeTheListIsResetLeavesItAlone) {
    TFitState state;
    TFakeFitHost host;
    PrepareTable(host, {{3, "0", "10", "11"}});
    host.Table.SetCell(7, 5, "1");  // divides by zero while the table is read
    EXPECT_THROW(ScanCommand(state, host), EMathError);
    EXPECT_EQ(host.Log, std::vector<std::string>{"caption Scanning..."});
}

}  // namespace
}  // namespace kelmora
