#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/Speciation.h"

namespace kelmora::analysis {
namespace {

using testing::Model;

TEST(Models, NamesRoundTripAndUnknownNamesAreRefused) {
    for (const TModelDef& model : ModelCatalogue()) {
        ASSERT_NE(FindModel(model.Name), nullptr);
        EXPECT_EQ(FindModel(model.Name)->Name, model.Name);
    }
    for (const char* bad : {"", "1:3", "1:2 nc", "1-1", "2:1/1:2"}) {
        EXPECT_EQ(FindModel(bad), nullptr) << bad;
    }
}

TEST(Models, ParameterNamesFollowModelSignalsAndLinearTerm) {
    struct TRow {
        const char* Model;
        bool Linear;
        std::vector<bool> Guest;
        std::vector<std::string> Expected;
    };
    const std::vector<std::string> signals = {"NH", "CH"};
    const std::vector<TRow> rows = {
        {"1:1", false, {false, false}, {"lgK1", "dP.NH", "dPL.NH", "dP.CH", "dPL.CH"}},
        {"1:2",
         true,
         {false, false},
         {"lgK1", "lgK2", "dP.NH", "dPL.NH", "dPL2.NH", "k.NH", "dP.CH", "dPL.CH", "dPL2.CH",
          "k.CH"}},
        {"1:2nc",
         false,
         {false, false},
         {"lgK1", "dP.NH", "dPL.NH", "dPL2.NH", "dP.CH", "dPL.CH", "dPL2.CH"}},
        {"2:1", false, {false, true}, {"lgK21", "dP.NH", "dP2L.NH", "dL.CH", "dP2L.CH"}},
        {"2:1/1:1/1:2",
         false,
         {false, true},
         {"lgK1", "lgK2", "lgK21", "dP.NH", "dPL.NH", "dPL2.NH", "dP2L.NH", "dL.CH", "dPL.CH",
          "dPL2.CH", "dP2L.CH"}},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(ParamNames(Model(row.Model), signals, row.Guest, row.Linear), row.Expected)
            << row.Model;
    }
}

TEST(Models, UnnamedSignalsAreNumberedFromOne) {
    TTitration t;
    t.Shifts = {{1.0, 2.0, 3.0}};
    EXPECT_EQ(SignalNamesOf(t), (std::vector<std::string>{"s1", "s2", "s3"}));
    t.SignalNames = {"a", "b", "c"};
    EXPECT_EQ(SignalNamesOf(t), t.SignalNames);
}

// A host signal weighs each species by the host it holds, m·[PmLn]/P_total; a guest signal by
// the guest, n·[PmLn]/L_total; plus the linear term.
TEST(Models, EvaluatedShiftsWeighTheSpeciesShiftsByTheirShares) {
    TModelValues v;
    v.Model = Model("2:1/1:1/1:2");
    v.LgK = {3.0, 7.0, 8.0};
    v.Signals = {{false, {1.0, 2.0, 4.0, 8.0}, 10.0}, {true, {-1.0, 0.5, 3.0, 7.0}, 0.0}};
    const double conc = 2e-3;
    const double host = 1e-3;
    const TModelPoint point = EvaluateModel(v, conc, host);
    const TSpecies complexes[] = {{1, 1}, {1, 2}, {2, 1}};
    TComplexation speciation(complexes);
    speciation.SetLgBeta(v.LgK);
    const TEquilibrium e = speciation.Solve(host, conc);
    const double p = e.C[0], l = e.C[1], pl = e.C[2], pl2 = e.C[3], p2l = e.C[4];
    ASSERT_EQ(point.Shifts.size(), 2u);
    EXPECT_DOUBLE_EQ(point.Shifts[0],
                     (p * 1.0 + pl * 2.0 + pl2 * 4.0 + 2.0 * p2l * 8.0) / host + 10.0 * conc);
    EXPECT_DOUBLE_EQ(point.Shifts[1], (-l + pl * 0.5 + 2.0 * pl2 * 3.0 + p2l * 7.0) / conc);
    EXPECT_EQ(point.Concentrations, std::vector<double>(e.C.begin(), e.C.begin() + 5));
}

}  // namespace
}  // namespace kelmora::analysis
