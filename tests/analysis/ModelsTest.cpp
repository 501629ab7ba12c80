#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/Equilibrium.h"

namespace kelmora::analysis {
namespace {

TEST(Models, NamesRoundTripAndUnknownNamesAreRefused) {
    for (TModel model : AllModels) {
        EXPECT_EQ(ModelFromName(ModelName(model)), model);
    }
    EXPECT_EQ(ModelName(TModel::OneToTwoNonCoop), "1:2nc");
    for (const char* bad : {"", "1:3", "1:2 nc", "1-1"}) {
        EXPECT_FALSE(ModelFromName(bad).has_value()) << bad;
    }
}

TEST(Models, ParameterNamesFollowModelSignalsAndLinearTerm) {
    struct TRow {
        TModel Model;
        bool Linear;
        std::vector<std::string> Expected;
    };
    const std::vector<std::string> signals = {"NH", "CH"};
    const std::vector<TRow> rows = {
        {TModel::OneToOne, false, {"lgK1", "dP.NH", "dPL.NH", "dP.CH", "dPL.CH"}},
        {TModel::OneToTwo,
         true,
         {"lgK1", "lgK2", "dP.NH", "dPL.NH", "dPL2.NH", "k.NH", "dP.CH", "dPL.CH", "dPL2.CH",
          "k.CH"}},
        {TModel::OneToTwoNonCoop,
         false,
         {"lgK1", "dP.NH", "dPL.NH", "dPL2.NH", "dP.CH", "dPL.CH", "dPL2.CH"}},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(ParamNames(row.Model, signals, row.Linear), row.Expected) << ModelName(row.Model);
    }
}

TEST(Models, UnnamedSignalsAreNumberedFromOne) {
    TTitration t;
    t.Shifts = {{1.0, 2.0, 3.0}};
    EXPECT_EQ(SignalNamesOf(t), (std::vector<std::string>{"s1", "s2", "s3"}));
    t.SignalNames = {"a", "b", "c"};
    EXPECT_EQ(SignalNamesOf(t), t.SignalNames);
}

TEST(Models, EvaluatedShiftsWeighTheSpeciesShiftsByTheirFractions) {
    TModelValues v;
    v.LgK1 = 3.0;
    v.LgK2 = 7.0;
    v.Signals = {{1.0, 2.0, 4.0, 10.0}, {-1.0, 0.5, 0.0, 0.0}};
    for (TModel model : AllModels) {
        v.Model = model;
        const double lgK2 = model == TModel::OneToOne ? -INFINITY : v.LgK2;
        const TSpeciation s = SolveSpeciation(v.LgK1, lgK2, 2e-3, 1e-3);
        const TModelPoint p = EvaluateModel(v, 2e-3, 1e-3);
        ASSERT_EQ(p.Shifts.size(), 2u);
        EXPECT_DOUBLE_EQ(p.Alpha1, s.Alpha1);
        EXPECT_DOUBLE_EQ(p.Alpha2, s.Alpha2);
        EXPECT_DOUBLE_EQ(p.Shifts[0],
                         s.Alpha0 * 1.0 + s.Alpha1 * 2.0 + s.Alpha2 * 4.0 + 10.0 * 2e-3);
        EXPECT_DOUBLE_EQ(p.Shifts[1], -s.Alpha0 + 0.5 * s.Alpha1);
        EXPECT_EQ(p.Alpha2 == 0.0, model == TModel::OneToOne) << ModelName(model);
    }
}

}  // namespace
}  // namespace kelmora::analysis
