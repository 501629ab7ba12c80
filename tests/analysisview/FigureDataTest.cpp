#include <gtest/gtest.h>

#include <cmath>

#include "analysisview/Figure.h"

using namespace kelmora;

namespace {

// A fitted 1:1 model and a diluted titration made exactly from it, so Δδ is known by hand.
struct TExample {
    analysis::TModelResult Model;
    analysis::TTitration Titration;
};

TExample Exact1To1() {
    TExample e;
    e.Model.Model = *analysis::FindModel("1:1");
    e.Model.Best = {e.Model.Model, {3.0}, {{false, {7.0, 9.0}, 0.0}}};
    e.Model.Params.resize(3);
    for (int i = 0; i < 6; ++i) {
        const double c = 0.0005 * i;
        const double host = 0.001 / (1.0 + 0.1 * i);
        e.Titration.Conc.push_back(c);
        e.Titration.Host.push_back(host);
        e.Titration.Shifts.push_back(analysis::EvaluateModel(e.Model.Best, c, host).Shifts);
    }
    return e;
}

}  // namespace

TEST(DeltaFigure, ShiftChangeFromFreeHostAgainstEquivalents) {
    const TExample e = Exact1To1();
    for (const bool logX : {false, true}) {
        SCOPED_TRACE(logX ? "log x" : "linear x");
        const TFigure f = DeltaFigure(e.Model, e.Titration, {"Ha"}, logX, 50);
        ASSERT_EQ(f.Panels.size(), 1u);
        ASSERT_EQ(f.Panels[0].Series.size(), 2u);
        const TCurve& observed = f.Panels[0].Series[0].Points;
        const TCurve& line = f.Panels[0].Series[1].Points;
        ASSERT_EQ(observed.size(), logX ? 5u : 6u);  // C = 0 has no place on a log axis
        for (std::size_t k = 0; k < observed.size(); ++k) {
            const std::size_t i = k + (logX ? 1 : 0);
            EXPECT_DOUBLE_EQ(observed[k].X, e.Titration.Conc[i] / e.Titration.Host[i]);
            EXPECT_NEAR(observed[k].Y, e.Titration.Shifts[i][0] - 7.0, 1e-12);
        }
        // The curve runs through the points: its ends are the first and last usable point.
        ASSERT_EQ(line.size(), 51u);
        EXPECT_NEAR(line.front().X, observed.front().X, 1e-12);
        EXPECT_NEAR(line.back().X, observed.back().X, 1e-12);
        EXPECT_NEAR(line.front().Y, observed.front().Y, 1e-9);
        EXPECT_NEAR(line.back().Y, observed.back().Y, 1e-9);
        // Evenly spaced along the axis as drawn.
        const double mid =
            logX ? std::sqrt(line.front().X * line.back().X) : (line.front().X + line.back().X) / 2;
        EXPECT_NEAR(line[25].X, mid, 1e-12 * line.back().X);
    }
}

TEST(FitFigure, ResidualPanelAndModelKeyOnlyWithAFit) {
    TExample e = Exact1To1();
    e.Model.Residuals.assign(6, {0.0});
    const TAnalysisCurves fitted = MakeCurves(e.Model, e.Titration, 10);
    const TFigure f = FitFigure(fitted, {"Ha"}, "1:1");
    ASSERT_EQ(f.Panels.size(), 2u);
    EXPECT_TRUE(f.Panels[1].SymmetricY);
    ASSERT_EQ(f.Key.size(), 2u);
    EXPECT_EQ(f.Key[1].Name, "model 1:1");
    e.Model.Params.clear();
    e.Model.Residuals.clear();
    const TFigure data = FitFigure(MakeCurves(e.Model, e.Titration, 10), {"Ha"}, "1:1");
    EXPECT_EQ(data.Panels.size(), 1u);
    EXPECT_EQ(data.Key.size(), 1u);
    const std::optional<TFigureRange> y = YExtent(f.Panels[1]);
    ASSERT_TRUE(y);
    EXPECT_EQ(y->Lo, -y->Hi);
}
