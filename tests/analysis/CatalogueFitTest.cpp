// The catalogue's models in the fit: their Jacobians, the sandwich models on a synthetic
// titration, guest signals, and a model that only a test knows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/SeparableFit.h"
#include "analysis/StartSearch.h"

namespace kelmora::analysis {
namespace {

using testing::Model;
using testing::Models;
using testing::Param;

// A titration of `model` from its values, with two host and two guest signals when asked.
TTitration Titration(const TModelValues& truth, int n, double sd, std::uint64_t seed) {
    TTitration t;
    TReplicateRandom random(seed, 0);
    for (int i = 0; i < n; ++i) {
        const double c = 4e-3 * i / (n - 1);
        t.Conc.push_back(c);
        std::vector<double> row = EvaluateModel(truth, c, 1e-3).Shifts;
        for (double& y : row) {
            y += sd * random.Normal();
        }
        t.Shifts.push_back(row);
    }
    t.Host = {1e-3};
    return t;
}

TModelValues Values(const std::string& model, std::vector<double> lgK,
                    const std::vector<bool>& guest) {
    TModelValues v;
    v.Model = Model(model);
    v.LgK = std::move(lgK);
    const double apart[] = {0.0, 1.0, 2.2, -0.9};
    for (std::size_t s = 0; s < guest.size(); ++s) {
        TSignalShifts shifts{guest[s], {}, 0.0};
        for (std::size_t c = 0; c <= v.Model.Complexes.size(); ++c) {
            shifts.Species.push_back(7.0 + static_cast<double>(s) +
                                     (1.0 - 0.3 * static_cast<double>(s)) * apart[c]);
        }
        v.Signals.push_back(shifts);
    }
    return v;
}

// The catalogue model's values the derivative tests take: lg K 3.2, 6.1, 5.4 as far as it has.
TModelValues CatalogueTruth(const TModelDef& model, const std::vector<bool>& guest) {
    const std::vector<double> lgK = {3.2, 6.1, 5.4};
    return Values(model.Name, std::vector<double>(lgK.begin(), lgK.begin() + model.LgK.size()),
                  guest);
}

// d model / d lg K against central differences of the model shifts, for every model with a
// host and a guest signal: a slip in a chain-rule factor (the lg 4 model's 2, a stoichiometric
// weight) shows here.
TEST(CatalogueFit, JacobianMatchesCentralDifferencesForEveryModel) {
    const std::vector<std::string> names = {"h", "g"};
    const std::vector<bool> guest = {false, true};
    for (const TModelDef& model : ModelCatalogue()) {
        SCOPED_TRACE(model.Name);
        const TModelValues truth = CatalogueTruth(model, guest);
        const TTitration t = Titration(truth, 12, 0.0, 1);
        const TFitData data = MakeFitData(t, guest);
        const TLayout layout = MakeLayout(model, names, guest, true, {});
        Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
        for (int k = 0; k < layout.LgKCount; ++k) {
            values[k] = truth.LgK[static_cast<std::size_t>(k)];
        }
        SolveLinear(layout, data, values);
        const Eigen::MatrixXd j = ModelJacobian(layout, data, values);
        const double h = 1e-6;
        for (int k = 0; k < layout.LgKCount; ++k) {
            Eigen::VectorXd up = values;
            Eigen::VectorXd down = values;
            up[k] += h;
            down[k] -= h;
            const Eigen::MatrixXd d = (ModelShifts(layout, data.Conc, data.Host, up) -
                                       ModelShifts(layout, data.Conc, data.Host, down)) /
                                      (2 * h);
            for (Eigen::Index i = 0; i < d.rows(); ++i) {
                for (int s = 0; s < 2; ++s) {
                    EXPECT_NEAR(j(i * 2 + s, k), d(i, s), 1e-6 * (1.0 + std::abs(d(i, s))))
                        << "lg K " << k << " point " << i << " signal " << s;
                }
            }
        }
    }
}

// The start lattice's gradient against central differences of SS, away from the optimum, for
// every model with a host and a guest signal, a linear term and a held shift: the residuals
// weighted back through the speciation must give what SS does.
TEST(CatalogueFit, LatticeGradientMatchesCentralDifferencesOfSs) {
    const std::vector<std::string> names = {"h", "g"};
    const std::vector<bool> guest = {false, true};
    for (const TModelDef& model : ModelCatalogue()) {
        SCOPED_TRACE(model.Name);
        const TModelValues truth = CatalogueTruth(model, guest);
        const TFitData data = MakeFitData(Titration(truth, 12, 0.01, 2), guest);
        const TLayout layout = MakeLayout(model, names, guest, true, {{"dP.h", 7.3}});
        ASSERT_TRUE(layout.Fixed[static_cast<std::size_t>(layout.LinearIndex(0, 0))]);
        Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
        values[layout.LinearIndex(0, 0)] = 7.3;
        const std::vector<double> away = {0.4, -0.5, 0.3};
        Eigen::VectorXd x(layout.LgKCount);
        for (int k = 0; k < layout.LgKCount; ++k) {
            x[k] = values[k] =
                truth.LgK[static_cast<std::size_t>(k)] + away[static_cast<std::size_t>(k)];
        }
        Eigen::VectorXd r;
        Eigen::VectorXd g;
        ASSERT_TRUE(SsGradient(layout, data, values)(x, r, g));
        EXPECT_NEAR(r.squaredNorm(), SolveLinear(layout, data, values), 1e-12 * r.squaredNorm());
        const double h = 1e-5;
        for (int k = 0; k < layout.LgKCount; ++k) {
            Eigen::VectorXd up = values;
            Eigen::VectorXd down = values;
            up[k] += h;
            down[k] -= h;
            const double slope =
                (SolveLinear(layout, data, up) - SolveLinear(layout, data, down)) / (4 * h);
            EXPECT_NEAR(g[k], slope, 1e-6 * g.norm()) << "lg K " << k;
        }
    }
}

// A sandwich titration: the sandwich forms at low guest and opens at excess. Both sandwich
// models recover their constants within the 95 % intervals and the verdict prefers the
// model that made the data.
TEST(CatalogueFit, SandwichModelsRecoverTheirConstantsAndWinTheVerdict) {
    struct TRow {
        const char* Model;
        std::vector<double> LgK;
    };
    const TRow rows[] = {{"2:1/1:1", {3.5, 8.0}}, {"2:1/1:1/1:2", {3.5, 6.5, 8.0}}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Model);
        const TModelValues truth = Values(row.Model, row.LgK, {false, false, false, false});
        const TTitration t = Titration(truth, 30, 0.002, 3);
        TAnalysisSettings settings;
        settings.Models = Models({"1:1", "2:1", "2:1/1:1", "2:1/1:1/1:2"});
        settings.Replicates = 0;
        const TAnalysisResult r = RunAnalysis(t, settings);
        const TModelResult* fitted = nullptr;
        for (const TModelResult& m : r.Models) {
            fitted = m.Model.Name == row.Model ? &m : fitted;
        }
        ASSERT_NE(fitted, nullptr);
        ASSERT_TRUE(fitted->Converged) << fitted->Message;
        for (std::size_t k = 0; k < row.LgK.size(); ++k) {
            const TParamResult& p = Param(*fitted, fitted->Model.LgK[k]);
            ASSERT_TRUE(p.Ci95) << p.Name;
            EXPECT_LE(p.Ci95->Lo, row.LgK[k]) << p.Name;
            EXPECT_GE(p.Ci95->Hi, row.LgK[k]) << p.Name;
        }
        EXPECT_EQ(r.Verdict.rfind(std::string(row.Model) + " preferred", 0), 0u) << r.Verdict;
        EXPECT_EQ(r.Comparison.size(), 5u);  // 2:1 and 1:1 in 2:1/1:1, all three in the richest
    }
}

// The three-constant search against brute force, on 1:2 titrations that drift linearly with C,
// which the model cannot follow: SS then has a valley for each way of compromising, and valleys
// that run off to the limits or along diagonals of the lattice. SS on a grid twice as fine as
// the search's lattice, and a descent from each of the grid's local minima: the search's best
// is never above theirs, and every minimum they converge to over the lattice lies in the basin
// of one the search reports.
TEST(CatalogueFit, ThreeConstantsEnterEveryBasinOfABruteForceGrid) {
    TReplicateRandom random(11, 0);
    for (int draw = 0; draw < 8; ++draw) {
        SCOPED_TRACE(draw);
        const TTitration t =
            testing::Misfit(random, static_cast<std::uint64_t>(draw), true).Titration;
        const std::vector<bool> guest(t.Shifts.front().size(), false);
        const TLayout layout = MakeLayout(
            Model("2:1/1:1/1:2"), std::vector<std::string>(guest.size(), "s"), guest, false, {});
        const TFitData data = MakeFitData(t, guest);
        Eigen::VectorXd values = Eigen::VectorXd::Zero(layout.Size());
        const auto ss = [&](const Eigen::VectorXd& lgK) {
            values.head(3) = lgK;
            return SolveLinear(layout, data, values);
        };
        // lg K1, and the steps beyond it to lg K2 and lg K21, as the search walks them.
        constexpr int Side = 21;
        const auto lgK = [](int n) {
            const auto u = [&](int axis) { return -1.0 + 0.5 * (n / axis % Side); };
            return Eigen::VectorXd(Eigen::Vector3d(u(1), u(1) + u(Side), u(1) + u(Side * Side)));
        };
        std::vector<double> grid(Side * Side * Side);
        for (std::size_t n = 0; n < grid.size(); ++n) {
            grid[n] = ss(lgK(static_cast<int>(n)));
        }
        const TFitMinima search = FitFromLattice(layout, data);
        std::vector<TFitOutcome> found = search.Others;
        found.push_back(search.Best);
        const auto at = [&](int n) { return grid[static_cast<std::size_t>(n)]; };
        for (int n = 0; n < Side * Side * Side; ++n) {
            bool below = true;
            for (int axis : {1, Side, Side * Side}) {
                const int c = n / axis % Side;
                below = below && (c == 0 || at(n) <= at(n - axis)) &&
                        (c + 1 == Side || at(n) <= at(n + axis));
            }
            values.head(3) = lgK(n);
            const TFitOutcome m = below ? FitFrom(layout, data, values) : TFitOutcome{};
            // A descent lost along a valley that runs off to a limit is no minimum to report.
            if (!m.Converged) {
                continue;
            }
            EXPECT_LE(search.Best.Ss, m.Ss * (1.0 + 1e-9));
            // The search promises the basins over its lattice; beyond it, those a valley leads
            // to (a constant that runs to its limit). Those that matter lie near the best.
            const Eigen::VectorXd x = m.Values.head(3);
            const Eigen::Array3d u(x[0], x[1] - x[0], x[2] - x[0]);
            if ((u < -1.0).any() || (u > 9.0).any() || m.Ss > 2.0 * search.Best.Ss) {
                continue;
            }
            const bool entered = std::any_of(found.begin(), found.end(), [&](const auto& f) {
                return !SeparateBasins(ss, f.Values.head(3), f.Ss, x, m.Ss, 0.5);
            });
            EXPECT_TRUE(entered) << "minimum at " << x.transpose();
        }
    }
}

// A guest signal is weighted by the guest's shares, and the C = 0 point, which holds no guest,
// is left out of it alone.
TEST(CatalogueFit, GuestSignalsFitAndLeaveOutThePointWithoutGuest) {
    const TModelValues truth = Values("1:2", {3.0, 5.5}, {false, true});
    TTitration t = Titration(truth, 16, 0.0, 1);
    t.SignalNames = {"NH", "Lig"};
    t.Shifts[0][1] = 1e3;  // no guest at C = 0: whatever stands there must not count
    TAnalysisSettings settings;
    settings.Models = Models({"1:2"});
    settings.GuestSignals = {"Lig"};
    settings.Replicates = 0;
    const TModelResult m = RunAnalysis(t, settings).Models[0];
    EXPECT_LT(m.Ss, 1e-18);
    EXPECT_NEAR(Param(m, "lgK1").Value, 3.0, 1e-6);
    EXPECT_NEAR(Param(m, "lgK2").Value, 5.5, 1e-6);
    EXPECT_NEAR(Param(m, "dL.Lig").Value, truth.Signals[1].Species[0], 1e-6);
    EXPECT_EQ(m.Dof, 2 * 16 - 1 - 2 - 6);
}

// Adding a model is one entry: a 1:3 model known only here fits, and is compared with the
// 1:2 model nested in it.
TEST(CatalogueFit, AModelKnownOnlyToATestFitsAndCompares) {
    TModelDef oneToThree;
    oneToThree.Name = "1:3";
    oneToThree.Title = "1:3";
    oneToThree.LgK = {"lgK1", "lgK2", "lgK3"};
    oneToThree.Complexes = {
        {{1, 1}, {1, 0, 0}, 0.0}, {{1, 2}, {0, 1, 0}, 0.0}, {{1, 3}, {0, 0, 1}, 0.0}};
    oneToThree.Nests = {"1:2"};
    TModelValues truth;
    truth.Model = oneToThree;
    truth.LgK = {3.0, 5.5, 9.5};
    truth.Signals = {{false, {7.0, 7.6, 8.4, 9.5}, 0.0}, {false, {2.0, 1.6, 1.0, 0.2}, 0.0}};
    const TTitration t = Titration(truth, 30, 0.002, 5);
    TAnalysisSettings settings;
    settings.Models = {Model("1:2"), oneToThree};
    settings.Replicates = 0;
    const TAnalysisResult r = RunAnalysis(t, settings);
    ASSERT_EQ(r.Models.size(), 2u);
    const TModelResult& m = r.Models[1];
    EXPECT_TRUE(m.Converged) << m.Message;
    EXPECT_NEAR(Param(m, "lgK3").Value, 9.5, 0.2);
    EXPECT_EQ(m.Constants.back().Name, "K3");
    ASSERT_EQ(r.Comparison.size(), 1u);
    EXPECT_EQ(r.Comparison[0].Simpler, "1:2");
    EXPECT_EQ(r.Comparison[0].Richer, "1:3");
    EXPECT_EQ(r.Verdict.rfind("1:3 preferred", 0), 0u) << r.Verdict;
}

}  // namespace
}  // namespace kelmora::analysis
