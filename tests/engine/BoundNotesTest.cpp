#include "engine/BoundNotes.h"

#include <gtest/gtest.h>

#include "FakeFitSink.h"
#include "engine/ChartData.h"
#include "engine/Optimizer.h"
#include "util/NumberText.h"

using namespace kelmora;
using kelmora::testing::MakeSyntheticTitration;
using kelmora::testing::TFakeFitSink;

namespace {

TFitState StateWithBounds() {
    TFitState s;
    TStringTable t(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(t);
    s.ReadParamsTable(t, TFitSettings{});
    return s;  // marked: Lg(K1), C.Shift (P), C.Shift (PL); Min. step 0.0001
}

}  // namespace

TEST(BoundNotes, OnlyMarkedParametersOutsideTheirBoundsAreOutOfBounds) {
    const struct {
        const char* name;
        int param;
        double value;
        const char* notes;
    } cases[] = {
        {"inside", 2, 8, ""},
        {"on the lower bound", 2, 0, ""},
        {"on the upper bound", 3, 20, ""},
        {"above", 2, 20.5, " (out of bounds: C.Shift (P))"},
        {"below", 0, -10.000001, " (out of bounds: Lg(K1))"},
        {"unmarked far outside", 1, -1000, ""},
        {"unmarked above", 4, 25, ""},
    };
    for (const auto& c : cases) {
        TFitState s = StateWithBounds();
        s.FitParams[c.param].Value = c.value;
        EXPECT_EQ(BoundNotesText(s), c.notes) << c.name;
    }
}

TEST(BoundNotes, EveryOffenderIsNamedInTableOrder) {
    TFitState s = StateWithBounds();
    s.FitParams[3].Value = -1;
    s.FitParams[0].Value = 11;
    EXPECT_EQ(OutOfBoundsParams(s), (std::vector<int>{0, 3}));
    EXPECT_EQ(ParamNames(OutOfBoundsParams(s)),
              (std::vector<std::string>{"Lg(K1)", "C.Shift (PL)"}));
    EXPECT_EQ(BoundNotesText(s), " (out of bounds: Lg(K1), C.Shift (PL))");
}

TEST(BoundNotes, AtBoundOnlyWhereOptimizeEndedWithinAMinStep) {
    const struct {
        const char* name;
        double value;
        bool optimizeEnded;
        bool marked;
        bool atBound;
    } cases[] = {
        {"a min. step below the upper bound", 19.9999, true, true, true},
        {"where the search stops, a last step below", 20 - 0.1 / 512, true, true, true},
        {"on the upper bound", 20, true, true, true},
        {"half a min. step above the lower bound", 0.00005, true, true, true},
        {"three min. steps away", 19.9997, true, true, false},
        {"a bit over two min. steps above the lower bound", 0.000201, true, true, false},
        {"not after Optimize", 19.9999, false, true, false},
        {"unmarked", 19.9999, true, false, false},
        {"outside is out of bounds instead", 20.00001, true, true, false},
    };
    for (const auto& c : cases) {
        TFitState s = StateWithBounds();
        s.FitParams[2].Value = c.value;
        s.FitParams[2].Optimize = c.marked;
        s.OptimizeEnded = c.optimizeEnded;
        EXPECT_EQ(AtBoundParams(s), c.atBound ? std::vector<int>{2} : std::vector<int>{}) << c.name;
    }
}

TEST(BoundNotes, ReadingTheTableOrSettingValuesEndsTheAtBoundNote) {
    TFitState s = StateWithBounds();
    s.FitParams[3].Value = 20;
    s.OptimizeEnded = true;
    EXPECT_EQ(BoundNotesText(s), " (at bound: C.Shift (PL))");
    s.SetParamValues(s.GetParamVector());
    EXPECT_EQ(BoundNotesText(s), "");

    s.OptimizeEnded = true;
    TStringTable t(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(t);
    t.SetCell(1, 4, "20");
    s.ReadParamsTable(t, TFitSettings{});
    EXPECT_EQ(BoundNotesText(s), "");
}

// A titration whose free-porphyrin shift lies beyond the default 0-20 ppm: Optimize stops at
// the bound, and the title must say so.
TEST(BoundNotes, OptimizeAgainstABoundSaysSoInTheTitle) {
    TFakeFitSink sink;
    FillStartupParamsTable(sink.Table);
    TFitState s;
    s.ReadParamsTable(sink.Table, sink.Settings);
    s.FitParams[0].Value = 2.5;
    s.FitParams[2].Value = 23;
    s.FitParams[2].MaxVal = 100;  // only while the data are made
    MakeSyntheticTitration(s, 20, 0.01, 0.05);
    sink.Table.SetCell(1, 1, "2.5");
    sink.Table.SetCell(1, 3, "19");
    sink.TickAdvance = 1;

    OptimizeCommand(s, sink.Table, sink.Settings, sink);

    EXPECT_TRUE(s.OptimizeEnded);
    EXPECT_LE(s.FitParams[2].Value, 20.0);
    EXPECT_EQ(AtBoundParams(s), std::vector<int>{2});
    EXPECT_TRUE(OutOfBoundsParams(s).empty());
    const std::string title = CriterionTitle(s);
    const std::string tail = " ppm (at bound: C.Shift (P))";
    ASSERT_GE(title.size(), tail.size());
    EXPECT_EQ(title.substr(title.size() - tail.size()), tail) << title;
}

TEST(CriterionTitle, MeanSquareAsPrintedAndItsRms) {
    const struct {
        double q;
        const char* sep;
        const char* title;
    } cases[] = {
        {43.87, ".", "Mean square exp.-theor.=43.87×10⁻⁴ ppm², RMS=0.0662344 ppm"},
        {0.0, ".", "Mean square exp.-theor.=0×10⁻⁴ ppm², RMS=0 ppm"},
        {1e4, ".", "Mean square exp.-theor.=10000×10⁻⁴ ppm², RMS=1 ppm"},
        {2.5e-7, ",", "Mean square exp.-theor.=2,5E-7×10⁻⁴ ppm², RMS=5E-6 ppm"},
    };
    for (const auto& c : cases) {
        TFitState s;
        s.Q = c.q;
        SetNumberDecimalSeparator(c.sep);
        const std::string title = CriterionTitle(s);
        SetNumberDecimalSeparator(".");
        EXPECT_EQ(title, c.title);
    }
}

TEST(CriterionTitle, APenaltyIsNamedAfterTheCriterion) {
    TFitState s = StateWithBounds();
    s.FitParams[2].Value = 21;
    s.Q = s.ComputeQ();
    EXPECT_EQ(s.Q, 10000000.0 + 1000.0);
    EXPECT_EQ(CriterionTitle(s),
              "Mean square exp.-theor.=10001000×10⁻⁴ ppm², RMS=31.6244 ppm (out of bounds: "
              "C.Shift (P))");
}
