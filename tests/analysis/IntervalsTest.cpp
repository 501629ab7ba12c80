#include <gtest/gtest.h>

#include <boost/math/distributions/fisher_f.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "analysis/Analysis.h"
#include "analysis/Random.h"
#include "analysis/SeparableFit.h"

namespace kelmora::analysis {
namespace {

using testing::MakeTitration;
using testing::Param;
using testing::Truth;

TAnalysisSettings Only(const TModelDef& model, std::vector<TFixedParam> fixed = {}) {
    TAnalysisSettings s;
    s.Models = {model};
    s.Replicates = 0;
    s.Fixed = std::move(fixed);
    return s;
}

// Each end of a profile interval is where the SS, the other constants refitted, reaches
// SS·(1 + F(0.95; 1, N - p)/(N - p)): checked by a fit with the lg K held at that end.
TEST(Profile, EndsLieWhereTheRefittedSsCrossesTheFCut) {
    const TTitration t = MakeTitration(Truth("1:2", 3.0, 5.8, {{8, 9, 10.5, 0}, {2, 1, 3, 0}}), 24,
                                       8e-3, 1e-3, true, 0.004, 3);
    for (const TModelDef& model : DefaultModels()) {
        const TModelResult m = RunAnalysis(t, Only(model)).Models[0];
        const boost::math::fisher_f f(1, m.Dof);
        const double cut = m.Ss * (1.0 + boost::math::quantile(f, 0.95) / m.Dof);
        for (const std::string name : {"lgK1", "lgK2"}) {
            if (model.Name != "1:2" && name == "lgK2") {
                continue;
            }
            SCOPED_TRACE(model.Name + " " + name);
            const TParamResult& k = Param(m, name);
            ASSERT_TRUE(k.Profile95 && k.Profile95->Closed());
            EXPECT_TRUE(k.Determined);
            for (double end : {*k.Profile95->Lo, *k.Profile95->Hi}) {
                const TModelResult held = RunAnalysis(t, Only(model, {{name, end}})).Models[0];
                EXPECT_NEAR(held.Ss / cut, 1.0, 1e-6);
            }
            // Near the quadratic regime the profile and the t-interval nearly agree.
            EXPECT_NEAR(*k.Profile95->Lo, k.Ci95->Lo, 0.25 * (k.Ci95->Hi - k.Ci95->Lo));
        }
        if (model.Name == "1:2nc") {
            // K2 = K1²/4 exactly, and so are the ends of all its intervals.
            const TParamResult& k1 = Param(m, "lgK1");
            EXPECT_NEAR(m.Constants[1].Value, m.Constants[0].Value * m.Constants[0].Value / 4,
                        1e-9 * m.Constants[1].Value);
            EXPECT_NEAR(m.Constants[1].Ci95->Lo, std::pow(10.0, 2 * k1.Ci95->Lo) / 4,
                        1e-9 * m.Constants[1].Value);
            EXPECT_NEAR(*m.Constants[1].Profile95->Hi, std::pow(10.0, 2 * *k1.Profile95->Hi) / 4,
                        1e-9 * m.Constants[1].Value);
        }
    }
}

// A second step that hardly shows: the data bound K2 from above only. It is undetermined, says
// so with its bound, and neither it nor the shift of PL2 that moves with it get a standard
// error as if it were known.
TEST(Profile, AWeakSecondStepIsOpenBelowAndTakesNoStandardError) {
    const TTitration t = MakeTitration(Truth("1:2", 3.0, 3.0, {{8, 9, 10.5, 0}, {2, 1, 3, 0}}), 20,
                                       5e-3, 1e-3, false, 0.004, 11);
    const TModelResult m = RunAnalysis(t, Only(testing::Model("1:2"))).Models[0];
    ASSERT_TRUE(m.Converged);
    const TParamResult& k2 = Param(m, "lgK2");
    ASSERT_TRUE(k2.Profile95.has_value());
    EXPECT_FALSE(k2.Profile95->Lo.has_value());
    ASSERT_TRUE(k2.Profile95->Hi.has_value());
    EXPECT_GT(*k2.Profile95->Hi, 3.0);
    EXPECT_FALSE(k2.Determined);
    EXPECT_FALSE(k2.Se.has_value());
    EXPECT_FALSE(m.Constants[1].Determined);
    EXPECT_FALSE(Param(m, "dPL2.s1").Se.has_value());
    EXPECT_TRUE(std::isnan(m.Covariance[1][1]));
    EXPECT_NE(m.Message.find("lgK2 (lgK2 < "), std::string::npos) << m.Message;
    EXPECT_TRUE(Param(m, "lgK1").Determined);
    // Both move far beyond their asymptotic intervals while lg K2 roams its region.
    EXPECT_FALSE(Param(m, "lgK1").Se.has_value());
    EXPECT_FALSE(Param(m, "dPL.s1").Se.has_value());
}

// Binding too strong for the concentrations: K1 runs to its search limit over a flat SS. That
// is a fit, kept in the comparison, with K1 bounded from below only and never its limit shown
// as a value.
TEST(Profile, AConstantAtTheSearchLimitIsAValidFitBoundedFromOneSide) {
    const TTitration t =
        MakeTitration(Truth("1:1", 9.0, 0, {{8, 9, 0, 0}}), 20, 2.5e-3, 1e-3, false, 0.004, 4);
    TAnalysisSettings s = Only(testing::Model("1:1"));
    s.Models.push_back(testing::Model("1:2"));
    const TAnalysisResult r = RunAnalysis(t, s);
    const TModelResult& m = r.Models[0];
    ASSERT_TRUE(m.Converged);
    const TParamResult& k1 = Param(m, "lgK1");
    ASSERT_TRUE(k1.Profile95.has_value());
    ASSERT_TRUE(k1.Profile95->Lo.has_value());
    EXPECT_FALSE(k1.Profile95->Hi.has_value());
    EXPECT_GT(*k1.Profile95->Lo, 4.0);
    EXPECT_FALSE(k1.Determined);
    EXPECT_FALSE(k1.Se.has_value());
    ASSERT_EQ(r.Comparison.size(), 1u);
    EXPECT_TRUE(r.Comparison[0].P.has_value());
}

// lgK2step = lgK2 - lgK1 and alpha = 4·K2step/K1: 1:2nc data give alpha near 1, and the
// non-cooperative model has it exactly 1 and lgK2step = lgK1 - lg 4.
TEST(Derived, StepwiseConstantAndCooperativityFollowTheirDefinitions) {
    const TTitration t =
        MakeTitration(Truth("1:2", 3.0, 6.0 - std::log10(4.0), {{8, 9, 10.5, 0}, {2, 1, 3, 0}}), 30,
                      8e-3, 1e-3, true, 0.002, 6);
    TAnalysisSettings s = Only(testing::Model("1:2"));
    s.Models.push_back(testing::Model("1:2nc"));
    const TAnalysisResult r = RunAnalysis(t, s);
    const TModelResult& coop = r.Models[0];
    ASSERT_EQ(coop.Derived.size(), 2u);
    const TParamResult& step = coop.Derived[0];
    const TParamResult& alpha = coop.Derived[1];
    EXPECT_EQ(step.Name, "lgK2step");
    EXPECT_EQ(alpha.Name, "alpha");
    const double lgK1 = Param(coop, "lgK1").Value;
    const double lgK2 = Param(coop, "lgK2").Value;
    EXPECT_NEAR(step.Value, lgK2 - lgK1, 1e-12);
    EXPECT_NEAR(alpha.Value,
                4 * coop.Constants[1].Value / coop.Constants[0].Value / coop.Constants[0].Value,
                1e-9 * alpha.Value);
    ASSERT_TRUE(alpha.Ci95 && alpha.Se);
    EXPECT_LT(alpha.Ci95->Lo, 1.0);
    EXPECT_GT(alpha.Ci95->Hi, 1.0);
    const TModelResult& nc = r.Models[1];
    EXPECT_NEAR(nc.Derived[0].Value, Param(nc, "lgK1").Value - std::log10(4.0), 1e-12);
    EXPECT_NEAR(*nc.Derived[0].Se, *Param(nc, "lgK1").Se, 1e-15);
    EXPECT_EQ(nc.Derived[1].Value, 1.0);
    EXPECT_TRUE(nc.Derived[1].Fixed);
}

TEST(Verdict, AnUnderflowingPValueIsBelowTheSmallestDoubleNotZero) {
    const TTitration t = MakeTitration(Truth("1:2", 3.0, 7.0, {{8, 9, 11, 0}, {2, 1, 4, 0}}), 40,
                                       8e-3, 1e-3, true, 1e-6, 2);
    TAnalysisSettings s = Only(testing::Model("1:1"));
    s.Models.push_back(testing::Model("1:2"));
    const TAnalysisResult r = RunAnalysis(t, s);
    ASSERT_TRUE(r.Comparison[0].P.has_value());
    EXPECT_EQ(*r.Comparison[0].P, 0.0);
    EXPECT_NE(r.Verdict.find("F-test over 1:1 p < 1e-300"), std::string::npos) << r.Verdict;
    EXPECT_EQ(PValueText(0.0031), "p = 0.0031");
}

// One precise and one noisy signal: the note names both with their RMS, and weighting each by
// its own variance finds the two noise levels and makes lg K1 as precise as the precise
// signal alone, with the shifts still in ppm.
TEST(Weights, SignalsOfDifferentNoiseAreNamedAndWeightedByTheirOwnVariance) {
    const TModelValues truth = Truth("1:1", 3.0, 0, {{8, 9, 0, 0}, {2, 1, 0, 0}});
    TTitration t = MakeTitration(truth, 30, 6e-3, 1e-3, false, 0.0, 1);
    TReplicateRandom random(5, 0);
    for (auto& row : t.Shifts) {
        row[0] += 0.001 * random.Normal();
        row[1] += 0.03 * random.Normal();
    }
    const TModelResult plain = RunAnalysis(t, Only(testing::Model("1:1"))).Models[0];
    EXPECT_NE(plain.Message.find("Signals of different noise (residual RMS, ppm): s1 0.00"),
              std::string::npos)
        << plain.Message;
    EXPECT_NE(plain.Message.find(", s2 0.0"), std::string::npos) << plain.Message;
    TAnalysisSettings weighted = Only(testing::Model("1:1"));
    weighted.WeightPerSignal = true;
    const TAnalysisResult r = RunAnalysis(t, weighted);
    ASSERT_EQ(r.SignalSd.size(), 2u);
    EXPECT_NEAR(r.SignalSd[0] / 0.001, 1.0, 0.3);
    EXPECT_NEAR(r.SignalSd[1] / 0.03, 1.0, 0.3);
    const TModelResult& m = r.Models[0];
    EXPECT_EQ(m.Message.find("different noise"), std::string::npos);
    TTitration precise = t;
    for (auto& row : precise.Shifts) {
        row.resize(1);
    }
    const TModelResult alone = RunAnalysis(precise, Only(testing::Model("1:1"))).Models[0];
    const double se = *Param(m, "lgK1").Se;
    EXPECT_NEAR(se / *Param(alone, "lgK1").Se, 1.0, 0.1);
    EXPECT_LT(se, *Param(plain, "lgK1").Se / 5);
    EXPECT_NEAR(Param(m, "dPL.s2").Value, 1.0, 0.1);
    EXPECT_NEAR(*Param(m, "dPL.s1").Se / *Param(alone, "dPL.s1").Se, 1.0, 0.1);
    EXPECT_NEAR(m.Residuals[3][1],
                t.Shifts[3][1] - EvaluateModel(m.Best, t.Conc[3], 1e-3).Shifts[1], 1e-9);
}

}  // namespace
}  // namespace kelmora::analysis
