// The curves of the Analysis window's charts: the model along the titration, the host along it,
// and the species fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysisview/AnalysisCurves.h"

namespace kelmora {
namespace {

analysis::TTitration Titration(std::vector<double> host) {
    analysis::TTitration t;
    t.Conc = {0.0, 0.004, 0.002, 0.008};  // not in order, as a user may enter them
    t.Host = std::move(host);
    t.Shifts = {{7.0, 5.0}, {7.6, 5.3}, {7.4, 5.2}, {7.9, 5.4}};
    return t;
}

analysis::TModelResult Fitted(const analysis::TModelDef& model) {
    analysis::TModelResult m;
    m.Model = m.Best.Model = model;
    m.Best.LgK = {3.0, 5.5, 7.0};
    m.Best.LgK.resize(model.LgK.size());
    m.Best.Signals = {{false, {7.0, 8.0, 9.0, 9.5}, 0.5}, {true, {5.0, 5.5, 6.0, 4.0}, 0.0}};
    for (analysis::TSignalShifts& s : m.Best.Signals) {
        s.Species.resize(model.Complexes.size() + 1);
    }
    m.Params.resize(1);
    m.Residuals = {{0.01, -0.01}, {0.02, 0.0}, {-0.03, 0.01}, {0.0, 0.0}};
    return m;
}

TEST(AnalysisCurves, HostAlongTheTitrationIsLinearInCBetweenPoints) {
    const struct {
        std::vector<double> host;
        double c;
        double expected;
    } cases[] = {
        {{0.01}, 0.003, 0.01},
        {{0.010, 0.008, 0.009, 0.006}, 0.0, 0.010},
        {{0.010, 0.008, 0.009, 0.006}, 0.001, 0.0095},
        {{0.010, 0.008, 0.009, 0.006}, 0.003, 0.0085},
        {{0.010, 0.008, 0.009, 0.006}, 0.006, 0.007},
        {{0.010, 0.008, 0.009, 0.006}, 0.02, 0.006},
        {{0.010, 0.008, 0.009, 0.006}, -1.0, 0.010},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(HostAlong(Titration(c.host), c.c), c.expected, 1e-15) << c.c;
    }
}

TEST(AnalysisCurves, ModelCurvesRunOverTheRangeAndAgreeWithTheModel) {
    for (const analysis::TModelDef& model : analysis::ModelCatalogue()) {
        SCOPED_TRACE(model.Name);
        for (const std::vector<double>& host :
             {std::vector<double>{0.01}, std::vector<double>{0.010, 0.008, 0.009, 0.006}}) {
            const analysis::TTitration t = Titration(host);
            const analysis::TModelResult m = Fitted(model);
            const TAnalysisCurves curves = MakeCurves(m, t, 40);
            ASSERT_EQ(curves.Observed.size(), 2u);
            ASSERT_EQ(curves.Fitted.size(), 2u);
            ASSERT_EQ(curves.Residuals.size(), 2u);
            for (std::size_t s = 0; s < 2; ++s) {
                ASSERT_EQ(curves.Observed[s].size(), 4u);
                ASSERT_EQ(curves.Fitted[s].size(), 41u);
                EXPECT_EQ(curves.Observed[s][1].X, 0.004);
                EXPECT_EQ(curves.Observed[s][1].Y, t.Shifts[1][s]);
                EXPECT_EQ(curves.Residuals[s][2].Y, m.Residuals[2][s]);
                EXPECT_EQ(curves.Fitted[s].front().X, 0.0);
                EXPECT_EQ(curves.Fitted[s].back().X, 0.008);
                // Sample 10 of 40 lies at C = 0.002, where the host is that of the third point.
                const analysis::TModelPoint p = analysis::EvaluateModel(m.Best, 0.002, t.HostAt(2));
                EXPECT_NEAR(curves.Fitted[s][10].Y, p.Shifts[s], 1e-12);
                // The host's share in the first complex: m·[PmLn]/P total.
                const analysis::TSpecies first = model.Complexes[0].Species;
                EXPECT_NEAR(curves.Species[1][10].Y, first.M * p.Concentrations[2] / t.HostAt(2),
                            1e-12);
            }
            ASSERT_EQ(curves.Species.size(), model.Complexes.size() + 1);
            EXPECT_EQ(curves.SpeciesNames.front(), "P");
            for (std::size_t i = 0; i < curves.Species[0].size(); ++i) {
                double sum = 0.0;
                for (const TCurve& species : curves.Species) {
                    sum += species[i].Y;
                }
                EXPECT_NEAR(sum, 1.0, 1e-14);
            }
            EXPECT_EQ(curves.Species[0].front().Y, 1.0);  // no ligand, free host only
        }
    }
}

TEST(AnalysisCurves, AFailedFitDrawsTheObservedPointsOnly) {
    analysis::TModelResult failed;
    const TAnalysisCurves curves = MakeCurves(failed, Titration({0.01}));
    ASSERT_EQ(curves.Observed.size(), 2u);
    EXPECT_EQ(curves.Observed[0].size(), 4u);
    EXPECT_TRUE(curves.Fitted.empty());
    EXPECT_TRUE(curves.Residuals[0].empty());
    EXPECT_TRUE(curves.Species.empty());
}

}  // namespace
}  // namespace kelmora
