#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/Speciation.h"
#include "engine/FitState.h"
#include "util/Errors.h"
#include "util/TextTable.h"

namespace kelmora::analysis {
namespace {

using testing::Example;
using testing::MakeTitration;
using testing::Param;
using testing::Truth;

TAnalysisSettings Models(const std::vector<std::string>& models, bool linear = false) {
    TAnalysisSettings s;
    s.Models = testing::Models(models);
    s.LinearTerm = linear;
    s.Replicates = 0;
    return s;
}

// The engine's data set and parameter values for the same titration.
void LoadEngine(TFitState& state, const TTitration& t, const TParamVector& values) {
    TStringTable table(2, static_cast<int>(t.Conc.size()) + 1);
    for (std::size_t i = 0; i < t.Conc.size(); ++i) {
        char c[64];
        char y[64];
        std::snprintf(c, sizeof c, "%.17g", t.Conc[i]);
        std::snprintf(y, sizeof y, "%.17g", t.Shifts[i][0]);
        table.SetCell(0, static_cast<int>(i) + 1, c);
        table.SetCell(1, static_cast<int>(i) + 1, y);
    }
    state.LoadDataSet(table, "0.01");
    state.SetParamValues(values);
}

std::vector<TFixedParam> FixAll(const std::string& model, const TParamVector& v) {
    std::vector<TFixedParam> fixed = {
        {"lgK1", v[0]}, {"dP.s1", v[2]}, {"dPL.s1", v[3]}, {"k.s1", v[5]}};
    if (model != "1:1") {
        fixed.push_back({"dPL2.s1", v[4]});
    }
    if (model == "1:2") {
        fixed.push_back({"lgK2", v[1]});
    }
    return fixed;
}

// Same parameters, one signal, constant host, linear term on: the criterion of Compute is
// 10^4/n times the analysis' SS, up to the coarser steps of the engine's own solver.
TEST(Errors, SumOfSquaresAgreesWithTheEnginesCriterion) {
    struct TRow {
        const char* File;
        std::string Model;
        TParamVector Values;
    };
    const std::vector<TRow> rows = {
        {"titration-1to2.txt", "1:2", {2.1, 4.2, 8.01, 9.1, 10.4, 0.45}},
        {"titration-1to2.txt", "1:2", {3.0, 3.5, 7.9, 9.3, 10.0, -0.2}},
        {"titration-1to1.txt", "1:1", {2.4, -1000.0, 8.0, 9.6, 0.0, 0.1}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.File);
        const TTitration t = Example(row.File);
        TFitState state;
        LoadEngine(state, t, row.Values);
        const double q = state.ComputeQ();
        TAnalysisSettings settings = Models({row.Model}, true);
        settings.Fixed = FixAll(row.Model, row.Values);
        const TAnalysisResult r = RunAnalysis(t, settings);
        const double ss = r.Models[0].Ss;
        EXPECT_NEAR(ss * 1e4 / static_cast<double>(t.Conc.size()) / q, 1.0, 1e-9);
    }
}

// With every lg K fixed the shifts are plain linear least squares: s^2 (A^T A)^-1.
TEST(Errors, FixedConstantsGiveTheLinearLeastSquaresCovariance) {
    const TModelValues truth = Truth("1:2", 3.0, 6.5, {{8.0, 9.0, 10.5, 0.3}});
    const TTitration t = MakeTitration(truth, 20, 5e-3, 1e-3, true, 0.003, 11);
    TAnalysisSettings settings = Models({"1:2"}, true);
    settings.Fixed = {{"lgK1", 3.1}, {"lgK2", 6.4}};
    const TModelResult m = RunAnalysis(t, settings).Models[0];
    const int n = 20;
    Eigen::MatrixXd a(n, 4);
    Eigen::VectorXd y(n);
    const TSpecies complexes[] = {{1, 1}, {1, 2}};
    TComplexation speciation(complexes);
    speciation.SetLgBeta(std::vector<double>{3.1, 6.4});
    for (int i = 0; i < n; ++i) {
        const TEquilibrium e = speciation.Solve(t.HostAt(i), t.Conc[i]);
        a.row(i) << e.C[0] / t.HostAt(i), e.C[2] / t.HostAt(i), e.C[3] / t.HostAt(i), t.Conc[i];
        y[i] = t.Shifts[i][0];
    }
    const Eigen::MatrixXd ata = a.transpose() * a;
    const Eigen::VectorXd beta = ata.ldlt().solve(a.transpose() * y);
    const double s2 = (y - a * beta).squaredNorm() / (n - 4);
    const Eigen::MatrixXd cov = s2 * ata.inverse();
    EXPECT_EQ(m.Dof, n - 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(m.Params[2 + i].Value, beta[i], 1e-9 * std::abs(beta[i]) + 1e-12);
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(m.Covariance[2 + i][2 + j] / cov(i, j), 1.0, 1e-7) << i << " " << j;
        }
        EXPECT_TRUE(std::isnan(m.Covariance[0][2 + i]));
    }
    EXPECT_FALSE(m.Params[0].Se.has_value());
    EXPECT_TRUE(m.Params[0].Fixed);
}

// The variance of every value of a [point][signal] table less its signal's reference value,
// pooled over all of them.
double PooledVariance(const std::vector<std::vector<double>>& rows,
                      const std::vector<double>& reference) {
    double sum = 0.0;
    double sumOfSquares = 0.0;
    int n = 0;
    for (const std::vector<double>& row : rows) {
        for (std::size_t s = 0; s < row.size(); ++s) {
            const double x = row[s] - reference[s];
            sum += x;
            sumOfSquares += x * x;
            ++n;
        }
    }
    const double mean = sum / n;
    return sumOfSquares / n - mean * mean;
}

TEST(Errors, IntervalsCriteriaAndConstantsFollowTheirDefinitions) {
    const TModelValues truth = Truth("1:2", 3.0, 6.5, {{8, 9, 10.5, 0}, {2, 1, 3, 0}});
    const TTitration t = MakeTitration(truth, 30, 6e-3, 1e-3, false, 0.004, 5);
    const TAnalysisResult r = RunAnalysis(t, Models({"1:1", "1:2"}));
    ASSERT_EQ(r.Models.size(), 2u);
    const int n = 60;
    for (const TModelResult& m : r.Models) {
        SCOPED_TRACE(m.Model.Name);
        const int p = static_cast<int>(m.Params.size());
        EXPECT_EQ(m.Dof, n - p);
        EXPECT_NEAR(*m.Aic, n * std::log(m.Ss / n) + 2 * p, 1e-9);
        EXPECT_NEAR(*m.Aicc, *m.Aic + 2.0 * p * (p + 1) / (n - p - 1), 1e-9);
        EXPECT_NEAR(*m.Bic, n * std::log(m.Ss / n) + p * std::log(n), 1e-9);
        EXPECT_NEAR(m.Rms, std::sqrt(m.Ss / n), 1e-15);
        // cov_fit: the residuals' variance over that of the changes from each signal's first
        // point, both pooled over every shift.
        EXPECT_NEAR(m.CovFit / (PooledVariance(m.Residuals, {0.0, 0.0}) /
                                PooledVariance(t.Shifts, t.Shifts[0])),
                    1.0, 1e-9);
        const TParamResult& k1 = Param(m, "lgK1");
        ASSERT_TRUE(k1.Se && k1.Ci95);
        EXPECT_NEAR(*k1.Se, std::sqrt(m.Covariance[0][0]), 1e-15);
        EXPECT_NEAR(m.Correlation[0][0], 1.0, 1e-12);
        const double halfWidth = (k1.Ci95->Hi - k1.Ci95->Lo) / 2;
        const boost::math::students_t t(m.Dof);
        EXPECT_NEAR(halfWidth / *k1.Se, boost::math::quantile(t, 0.975), 1e-12);
        const TConstant& k = m.Constants[0];
        EXPECT_EQ(k.Name, "K1");
        EXPECT_NEAR(k.Value, std::pow(10.0, k1.Value), 1e-9 * k.Value);
        EXPECT_NEAR(k.Ci95->Lo, std::pow(10.0, k1.Ci95->Lo), 1e-9 * k.Value);
    }
    const TModelResult& rich = r.Models[1];
    EXPECT_NEAR(Param(rich, "lgK1").Value, 3.0, 0.05);
    EXPECT_NEAR(Param(rich, "lgK2").Value, 6.5, 0.05);
    ASSERT_EQ(r.Comparison.size(), 1u);
    const TComparison& c = r.Comparison[0];
    const double f = ((r.Models[0].Ss - rich.Ss) / 3) / (rich.Ss / rich.Dof);
    EXPECT_NEAR(*c.F / f, 1.0, 1e-12);
    const boost::math::fisher_f dist(3, rich.Dof);
    EXPECT_NEAR(*c.P, boost::math::cdf(boost::math::complement(dist, f)), 1e-15);
    EXPECT_EQ(r.Verdict.rfind("1:2 preferred (AICc 1:2 < 1:1); F-test over 1:1 p = ", 0), 0u)
        << r.Verdict;
    EXPECT_EQ(r.Preferred, "1:2");
}

// Every parameter held, K1 so large that PL is min(C, H)/H: model 8, 9, 10, 10 against
// 8.1, 9, 9.9, 10.2. Residual variance 0.05/4 over the variance of the changes 2.7/4.
TEST(Errors, CovFitIsTheResidualVarianceOverTheVarianceOfTheChanges) {
    TTitration t;
    t.Conc = {0.0, 0.5e-3, 2e-3, 3e-3};
    t.Host = {1e-3};
    t.Shifts = {{8.1}, {9.0}, {9.9}, {10.2}};
    TAnalysisSettings s = Models({"1:1"});
    s.Fixed = {{"lgK1", 15.0}, {"dP.s1", 8.0}, {"dPL.s1", 10.0}};
    const TModelResult m = RunAnalysis(t, s).Models[0];
    EXPECT_NEAR(m.CovFit, 1.0 / 54.0, 1e-10);
}

TEST(Errors, ParametersTheDataCannotShowAreUndeterminedNotHuge) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}});
    const TTitration t = MakeTitration(truth, 20, 5e-3, 1e-3, false, 0.003, 2);
    TAnalysisSettings settings = Models({"1:2"});
    settings.Fixed = {{"lgK2", -15.0}};  // no PL2 forms anywhere
    const TModelResult m = RunAnalysis(t, settings).Models[0];
    EXPECT_FALSE(Param(m, "dPL2.s1").Determined);
    EXPECT_FALSE(Param(m, "dPL2.s1").Se.has_value());
    EXPECT_TRUE(std::isnan(m.Covariance[4][4]));
    EXPECT_TRUE(Param(m, "lgK1").Determined);
    EXPECT_TRUE(Param(m, "lgK1").Se.has_value());
    EXPECT_EQ(m.Message, "Not determined by the data: dPL2.s1.");
}

TEST(Errors, NoDegreesOfFreedomGiveTheFitWithoutErrors) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}});
    TTitration t = MakeTitration(truth, 3, 3e-3, 1e-3, false, 0.01, 3);
    const TModelResult m = RunAnalysis(t, Models({"1:1"})).Models[0];
    EXPECT_EQ(m.Dof, 0);
    EXPECT_NE(m.Message.find("N - p = 0"), std::string::npos) << m.Message;
    for (const TParamResult& p : m.Params) {
        EXPECT_FALSE(p.Se.has_value()) << p.Name;
        EXPECT_FALSE(p.Ci95.has_value()) << p.Name;
    }
    EXPECT_FALSE(m.Aicc.has_value());
}

TEST(Errors, DataWithNoFiniteSumOfSquaresAreRefusedNotACrash) {
    // A ligand concentration near the top of the double range leaves no lattice start with a
    // finite sum of squares (found by fuzzing kelmora-fit analyze's input); such numbers are no
    // titration and are refused before any fit.
    TTitration t;
    t.Conc = {3.3e179, 0.0, 0.0};
    t.Host = {0.01};
    t.Shifts = {{3.3e70, 1.2e34}, {3.3e42, 3.3e3}, {3.3e57, 1.2e34}};
    TAnalysisSettings settings;
    settings.Models = testing::Models({"1:1"});
    settings.Replicates = 0;
    try {
        RunAnalysis(t, settings);
        ADD_FAILURE() << "accepted";
    } catch (const EKelmoraError& e) {
        EXPECT_EQ(std::string(e.what()), "The ligand concentration at point 1 is above 1000 M.");
    }
}

// A signal that does not move tells nothing about the constants: the others are fitted, and
// the result says which was left out.
TEST(Errors, AConstantSignalIsLeftOutWithAWarning) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}, {1, 2, 0, 0}});
    TTitration t = MakeTitration(truth, 8, 5e-3, 1e-3, true, 0.001, 4);
    t.SignalNames = {"H1", "H2"};
    for (auto& row : t.Shifts) {
        row[0] = 7.5;
    }
    const TAnalysisResult r = RunAnalysis(t, Models({"1:1"}));
    EXPECT_EQ(r.SignalNames, std::vector<std::string>{"H2"});
    EXPECT_EQ(r.Warnings, std::vector<std::string>{
                              "Signal \"H1\" does not change at all; it is left out of the fit."});
    ASSERT_TRUE(r.Models[0].Converged);
    EXPECT_NEAR(r.Models[0].Params[0].Value, 3.0, 0.05);
    EXPECT_EQ(r.Models[0].Residuals[0].size(), 1u);
}

TEST(Errors, BadInputIsRefusedWithAMessageThatSaysWhere) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}, {1, 2, 0, 0}});
    const TTitration good = MakeTitration(truth, 6, 5e-3, 1e-3, true, 0.001, 4);
    struct TRow {
        const char* Why;
        std::function<void(TTitration&, TAnalysisSettings&)> Spoil;
        const char* Message;
    };
    const std::vector<TRow> rows = {
        {"negative C", [](TTitration& t, auto&) { t.Conc[2] = -1e-3; },
         "The ligand concentration at point 3 is negative or not a number."},
        {"zero host", [](TTitration& t, auto&) { t.Host[4] = 0.0; },
         "The host concentration at point 5 is not above 0."},
        {"every signal flat",
         [](TTitration& t, auto&) {
             for (auto& row : t.Shifts) {
                 row = {4.0, 5.0};
             }
         },
         "No signal changes at all."},
        {"one point",
         [](TTitration& t, auto&) {
             t.Conc.resize(1);
             t.Host.resize(1);
             t.Shifts.resize(1);
         },
         "There are too few points: one point shows no change."},
        {"shift too large", [](TTitration& t, auto&) { t.Shifts[3][1] = -1e200; },
         "The shift of signal \"s2\" at point 4 is beyond \u00B11e6 ppm."},
        {"C too large", [](TTitration& t, auto&) { t.Conc[1] = 1e308; },
         "The ligand concentration at point 2 is above 1000 M."},
        {"host too large", [](TTitration& t, auto&) { t.Host[5] = 2e3; },
         "The host concentration at point 6 is above 1000 M."},
        {"fixed lg K beyond the search",
         [](auto&, TAnalysisSettings& s) {
             s.Fixed = {{"lgK1", 300.0}};
         },
         "The value given for \"lgK1\" is outside the range searched, -10 to 20."},
        {"fixed shift too large",
         [](auto&, TAnalysisSettings& s) {
             s.Fixed = {{"dP.s1", 2e6}};
         },
         "The value given for \"dP.s1\" is beyond \u00B11e6."},
        {"too few observations",
         [](TTitration& t, TAnalysisSettings& s) {
             t.Conc.resize(2);
             t.Host.resize(2);
             t.Shifts.resize(2);
             s.Models = testing::Models({"1:2"});
         },
         "There are too few points: model 1:2 has 8 free parameters but the data have only 4 "
         "observations."},
        {"unknown fixed name",
         [](auto&, TAnalysisSettings& s) {
             s.Fixed = {{"dP.s3", 1.0}};
         },
         "No model asked for has a parameter named \"dP.s3\"."},
        {"ragged shifts", [](TTitration& t, auto&) { t.Shifts[1].pop_back(); },
         "At point 2 there are 1 shifts instead of 2."},
    };
    for (const TRow& row : rows) {
        TTitration t = good;
        TAnalysisSettings s = Models({"1:1"});
        row.Spoil(t, s);
        try {
            RunAnalysis(t, s);
            ADD_FAILURE() << row.Why << ": accepted";
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), row.Message) << row.Why;
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
