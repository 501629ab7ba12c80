#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "FakeFitSink.h"
#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/SeparableFit.h"
#include "engine/FitState.h"
#include "engine/Optimizer.h"
#include "util/TextTable.h"

namespace kelmora::analysis {
namespace {

using testing::Example;
using testing::MakeTitration;
using testing::Param;
using testing::Truth;

TAnalysisSettings Only(const TModelDef& model, bool linear = false) {
    TAnalysisSettings s;
    s.Models = {model};
    s.LinearTerm = linear;
    s.Replicates = 0;
    return s;
}

TEST(Fit, RecoversTheConstantsOfNoiselessTitrations) {
    struct TRow {
        TModelValues Truth;
        bool Linear;
        bool Diluted;
        double Host;
    };
    const std::vector<TRow> rows = {
        {Truth("1:1", 3.3, 0.0, {{7.6, 10.4, 0.0, 0.0}}), false, false, 1e-3},
        {Truth("1:1", 5.0, 0.0, {{7.6, 10.4, 0, 0}, {1.0, 0.2, 0, 0}}), false, true, 1e-4},
        {Truth("1:2", 2.0, 4.0, {{8.0, 9.0, 10.5, 0.5}}), true, false, 1e-2},
        {Truth("1:2", 4.0, 7.5, {{8.0, 9.0, 10.5, 0}, {3.0, 2.0, 2.5, 0}}), false, true, 1e-3},
        {Truth("1:2nc", 3.0, 0, {{8.0, 9.0, 10.5, 0}, {1, 3, 2, 0}}), false, true, 1e-3},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Truth.Model.Name + " lgK1 " + std::to_string(row.Truth.LgK[0]));
        const TTitration t =
            MakeTitration(row.Truth, 25, 8.0 * row.Host, row.Host, row.Diluted, 0.0, 1);
        const TAnalysisResult r = RunAnalysis(t, Only(row.Truth.Model, row.Linear));
        ASSERT_EQ(r.Models.size(), 1u);
        const TModelResult& m = r.Models[0];
        EXPECT_TRUE(m.Converged) << m.Message;
        EXPECT_LT(m.Ss, 1e-20);
        ASSERT_EQ(m.Best.LgK.size(), row.Truth.LgK.size());
        for (std::size_t k = 0; k < row.Truth.LgK.size(); ++k) {
            EXPECT_NEAR(m.Best.LgK[k], row.Truth.LgK[k], 1e-7);
        }
        for (std::size_t s = 0; s < row.Truth.Signals.size(); ++s) {
            for (std::size_t c = 0; c < row.Truth.Signals[s].Species.size(); ++c) {
                EXPECT_NEAR(m.Best.Signals[s].Species[c], row.Truth.Signals[s].Species[c], 1e-6);
            }
            EXPECT_NEAR(m.Best.Signals[s].K, row.Truth.Signals[s].K, 1e-5);
        }
    }
}

// Started anywhere on the lattice the search ends on the minimum the lattice leads to.
TEST(Fit, LandsOnTheSameOptimumFromStartsAcrossTheLattice) {
    const TModelValues truth = Truth("1:2", 2.0, 4.0, {{8.0, 9.0, 10.5, 0.5}});
    const TTitration t = MakeTitration(truth, 30, 0.06, 0.01, false, 0.002, 7);
    const TFitData data = MakeFitData(t, {false});
    const TLayout layout = MakeLayout(testing::Model("1:2"), {"s1"}, {false}, true, {});
    const TFitOutcome lattice = FitFromLattice(layout, data).Best;
    ASSERT_TRUE(lattice.Converged);
    const double starts[][2] = {{-1, -1}, {0, 6}, {1.5, 3.5}, {3, 3}, {5, 9}, {-1, 8}, {8, 8}};
    for (const auto& start : starts) {
        Eigen::VectorXd v = Eigen::VectorXd::Zero(layout.Size());
        v[0] = start[0];
        v[1] = start[1];
        const TFitOutcome from = FitFrom(layout, data, v);
        EXPECT_TRUE(from.Converged) << start[0] << " " << start[1];
        EXPECT_NEAR(from.Ss / lattice.Ss, 1.0, 1e-10) << start[0] << " " << start[1];
        EXPECT_NEAR(from.Values[0], lattice.Values[0], 1e-5) << start[0] << " " << start[1];
        EXPECT_NEAR(from.Values[1], lattice.Values[1], 1e-5) << start[0] << " " << start[1];
    }
}

// At given constants the signals are separate linear problems, even when one has a shift held
// fixed and the other not: the joint SS is the sum of each signal's own.
TEST(Fit, SignalsStaySeparateLinearProblemsWhenOnlyOneHasAFixedShift) {
    const TModelValues truth = Truth("1:2", 3.0, 5.5, {{8.0, 9.0, 10.5}, {2.0, 1.2, 0.7}});
    const TTitration both = MakeTitration(truth, 20, 0.006, 0.001, false, 0.003, 11);
    const std::vector<TFixedParam> fixed = {{"dP.s1", 8.05}};
    const auto ss = [&](const TTitration& t, const std::vector<std::string>& names,
                        Eigen::VectorXd* values) {
        const std::vector<bool> host(names.size(), false);
        const TLayout layout = MakeLayout(testing::Model("1:2"), names, host, false, fixed);
        Eigen::VectorXd v = Eigen::VectorXd::Zero(layout.Size());
        v[0] = 3.2;
        v[1] = 5.3;
        const double out = SolveLinear(layout, MakeFitData(t, host), v);
        if (values != nullptr) {
            *values = v;
        }
        return out;
    };
    std::vector<double> parts;
    Eigen::VectorXd second;
    for (std::size_t s = 0; s < 2; ++s) {
        TTitration one = both;
        one.SignalNames = {"s" + std::to_string(s + 1)};
        for (std::vector<double>& row : one.Shifts) {
            row = {row[s]};
        }
        parts.push_back(ss(one, one.SignalNames, &second));
    }
    Eigen::VectorXd joint;
    EXPECT_NEAR(ss(both, {"s1", "s2"}, &joint) / (parts[0] + parts[1]), 1.0, 1e-12);
    for (int col = 0; col < 3; ++col) {  // dP, dPL, dPL2 of s2
        EXPECT_NEAR(joint[5 + col], second[2 + col], 1e-9) << col;
    }
}

// Optimize from the default table against the full 1:2 model with a linear term, which holds
// every model Optimize can reach: the global fit can only be as good or better.
TEST(Fit, ReachesACriterionNoHigherThanOptimizeOnTheExamples) {
    for (const char* file : {"titration-1to1.txt", "titration-1to2.txt"}) {
        SCOPED_TRACE(file);
        const TTitration t = Example(file);
        kelmora::testing::TFakeFitSink host;
        FillStartupParamsTable(host.Table);
        TFitState state;
        TStringTable data(2, static_cast<int>(t.Conc.size()) + 1);
        for (std::size_t i = 0; i < t.Conc.size(); ++i) {
            data.SetCell(0, static_cast<int>(i) + 1, std::to_string(t.Conc[i]));
            data.SetCell(1, static_cast<int>(i) + 1, std::to_string(t.Shifts[i][0]));
        }
        state.LoadDataSet(data, "0.01");
        OptimizeCommand(state, host.Table, host.Settings, host);
        const TAnalysisResult r = RunAnalysis(t, Only(testing::Model("1:2"), true));
        const double q = r.Models[0].Ss * 1e4 / static_cast<double>(t.Conc.size());
        EXPECT_TRUE(r.Models[0].Converged);
        EXPECT_LE(q, state.Q);
    }
}

// The sandwich model fitted to a 1:2 titration leaves lg K21 to a long flat valley, along
// which refinements from different starts stop at different places. Every other minimum
// reported is a basin of its own: on the straight way to the best and to each other one, SS
// passes above the higher of the two by more than a millionth somewhere.
TEST(Fit, EveryOtherMinimumReportedIsABasinOfItsOwn) {
    const TTitration t =
        MakeTitration(Truth("1:2", 3.0, 5.8, {{8, 9, 10.5, 0}, {2, 1.2, 0.8, 0}, {5, 5.4, 6.1, 0}}),
                      50, 6e-3, 1e-3, true, 0.003, 5);
    const TModelDef& model = testing::Model("2:1/1:1/1:2");
    const TModelResult r = RunAnalysis(t, Only(model)).Models[0];
    ASSERT_FALSE(r.OtherMinima.empty());
    std::vector<std::pair<Eigen::VectorXd, double>> minima = {
        {Eigen::Map<const Eigen::VectorXd>(r.Best.LgK.data(), 3), r.Ss}};
    for (const TOtherMinimum& o : r.OtherMinima) {
        ASSERT_EQ(o.LgK.size(), 3u);
        minima.push_back(
            {Eigen::Vector3d(o.LgK[0].second, o.LgK[1].second, o.LgK[2].second), o.Ss});
    }
    const std::vector<bool> host(3, false);
    const TLayout layout = MakeLayout(model, SignalNamesOf(t), host, false, {});
    const TFitData data = MakeFitData(t, host);
    for (std::size_t a = 0; a < minima.size(); ++a) {
        for (std::size_t b = a + 1; b < minima.size(); ++b) {
            const double top = std::max(minima[a].second, minima[b].second) * (1.0 + 1e-6);
            bool rises = false;
            for (int probe = 1; probe < 400 && !rises; ++probe) {
                Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
                values.head(3) =
                    minima[a].first + (minima[b].first - minima[a].first) * (probe / 400.0);
                rises = SolveLinear(layout, data, values) > top;
            }
            EXPECT_TRUE(rises) << "lg K " << minima[a].first.transpose() << " and "
                               << minima[b].first.transpose();
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
