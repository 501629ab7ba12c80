#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysisview/SheetImport.h"
#include "analysisview/SpectraView.h"
#include "files/DataFile.h"
#include "util/Errors.h"

using namespace kelmora;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(ChosenWavelengths, RangeBothEndsIncludedThenEveryKthFromTheFirstInside) {
    const std::vector<double> up = {400, 401, 402, 403, 404, 405, 406, 407};
    const std::vector<double> down(up.rbegin(), up.rend());
    struct TCase {
        std::vector<double> wavelengths;
        double lo, hi;
        int step;
        std::vector<std::size_t> chosen;
    } cases[] = {
        {up, 400, 407, 1, {0, 1, 2, 3, 4, 5, 6, 7}},
        {up, 401, 405, 1, {1, 2, 3, 4, 5}},
        {up, 405, 401, 1, {1, 2, 3, 4, 5}},  // the ends either way round
        {up, 401, 407, 3, {1, 4, 7}},        // counted from the first inside, not from 400
        {up, 401.5, 406.5, 2, {2, 4, 6}},
        {up, 400, 407, 0, {0, 1, 2, 3, 4, 5, 6, 7}},  // a step below 1 takes every one
        {down, 401, 405, 2, {2, 4, 6}},               // a file running downwards keeps its order
        {up, 410, 420, 1, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " step " << c.step);
        EXPECT_EQ(ChosenWavelengths(c.wavelengths, c.lo, c.hi, c.step), c.chosen);
    }
}

TEST(ChosenSpectra, TakesTheChosenColumnsAndThePointsOrRefuses) {
    TSpectraFile file{{400, 410, 420}, {{1, 2, 3}, {4, 5, 6}}};
    analysis::TTitration points;
    points.Conc = {0.0, 1e-3};
    points.Host = {2e-6};
    const analysis::TSpectraTitration t = ChosenSpectra(file, {0, 2}, points);
    EXPECT_EQ(t.Wavelengths, (std::vector<double>{400, 420}));
    EXPECT_EQ(t.Values, (std::vector<std::vector<double>>{{1, 3}, {4, 6}}));
    EXPECT_EQ(t.Conc, points.Conc);
    EXPECT_EQ(t.Host, points.Host);
    EXPECT_THROW(ChosenSpectra(file, {}, points), EKelmoraError);
    points.Conc.push_back(2e-3);
    try {
        ChosenSpectra(file, {0}, points);
        ADD_FAILURE() << "three points for two spectra were taken";
    } catch (const EKelmoraError& e) {
        EXPECT_STREQ(e.what(), "There are 2 spectra but 3 points.");
    }
}

TEST(ResidualRgb, WhiteAtZeroBlueBelowRedAboveFullAtTheScale) {
    struct TCase {
        double r, scale;
        std::uint32_t rgb;
    } cases[] = {
        {0.0, 1.0, 0xFFFFFF},  {1.0, 1.0, 0xFF0000},   {-1.0, 1.0, 0x0000FF},
        {0.5, 1.0, 0xFF8080},  {-0.25, 1.0, 0xBFBFFF}, {3.0, 1.0, 0xFF0000},
        {-3.0, 2.0, 0x0000FF}, {0.2, 0.0, 0xFFFFFF},  // no scale: no residual to show
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << " of " << c.scale);
        EXPECT_EQ(ResidualRgb(c.r, c.scale), c.rgb);
    }
    EXPECT_EQ(ResidualScale({{0.1, -0.3}, {NaN, 0.2}}), 0.3);
    EXPECT_EQ(ResidualScale({}), 0.0);
}

TEST(PointRgb, BlueToGreenToRedAlongTheTitration) {
    EXPECT_EQ(PointRgb(0, 5), 0x0000E6u);
    EXPECT_EQ(PointRgb(2, 5), 0x00B300u);
    EXPECT_EQ(PointRgb(4, 5), 0xE60000u);
    EXPECT_EQ(PointRgb(0, 1), 0x0000E6u);
}

TEST(SpectraFigure, MeasuredLinesWithTheModelMeasuredLessResidualOverThem) {
    analysis::TSpectraTitration t;
    t.Wavelengths = {400, 500};
    t.Values = {{0.5, 0.25}, {0.75, 0.125}, {1.0, 0.5}};
    analysis::TSpectraModelResult m;
    m.Model = "1:1";
    m.Residuals = {{0.01, -0.02}, {0.0, 0.03}, {-0.01, 0.0}};
    const TFigure f = SpectraFigure(t, analysis::TObservable::Absorbance, &m);
    ASSERT_EQ(f.Panels.size(), 1u);
    EXPECT_EQ(f.Panels[0].YTitle, "Absorbance");
    const std::vector<TFigureSeries>& s = f.Panels[0].Series;
    ASSERT_EQ(s.size(), 6u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s[i].Rgb, PointRgb(i, 3));
        EXPECT_EQ(s[i].InLegend, i != 1);  // the first and last point name the colour scale
        for (std::size_t l = 0; l < 2; ++l) {
            EXPECT_EQ(s[i].Points[l].X, t.Wavelengths[l]);
            EXPECT_EQ(s[i].Points[l].Y, t.Values[i][l]);
            EXPECT_DOUBLE_EQ(s[3 + i].Points[l].Y, t.Values[i][l] - m.Residuals[i][l]);
        }
        EXPECT_EQ(s[3 + i].Style, TFigureSeries::TStyle::DashedLine);
        EXPECT_EQ(s[3 + i].Rgb, s[i].Rgb);
    }
    EXPECT_EQ(
        SpectraFigure(t, analysis::TObservable::Fluorescence, nullptr).Panels[0].Series.size(), 3u);
}

TEST(IsothermWavelengths, NearestToEachAskedOnceOrWhereTheSpectraChangeMost) {
    analysis::TSpectraTitration t;
    t.Wavelengths = {400, 410, 420, 430};
    t.Values = {{0.1, 0.5, 0.2, 0.9}, {0.3, 0.1, 0.9, 0.8}, {0.2, 0.2, 0.6, 0.7}};
    const struct {
        std::vector<double> Asked;
        std::vector<std::size_t> At;
    } cases[] = {
        {{}, {2}},  // 420 changes by 0.7, more than 410 (0.4) and 400 or 430 (0.2)
        {{412}, {1}},
        {{406, 404}, {1, 0}},  // in the order asked
        {{409, 411, 410}, {1}},
        {{1000, -5}, {3, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsothermWavelengths(t, c.Asked), c.At) << testing::PrintToString(c.Asked);
    }
}

TEST(IsothermFigure, MeasuredMarkersAndTheModelMeasuredLessResidualInOrderOfC) {
    analysis::TSpectraTitration t;
    t.Wavelengths = {400, 500};
    t.Conc = {2e-3, 0.0, 1e-3};
    t.Values = {{0.5, 0.25}, {0.75, 0.125}, {1.0, 0.5}};
    analysis::TSpectraModelResult m;
    m.Model = "1:1";
    m.Residuals = {{0.01, -0.02}, {0.0, 0.03}, {-0.01, 0.0}};
    const TFigure f = IsothermFigure(t, analysis::TObservable::Absorbance, m, {1, 0});
    ASSERT_EQ(f.Panels.size(), 1u);
    const std::vector<TFigureSeries>& s = f.Panels[0].Series;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].Name, "500 nm");
    EXPECT_EQ(s[0].Style, TFigureSeries::TStyle::Markers);
    EXPECT_EQ(s[1].Style, TFigureSeries::TStyle::Line);
    EXPECT_EQ(s[1].Rgb, s[0].Rgb);
    EXPECT_NE(s[2].Rgb, s[0].Rgb);
    const std::size_t byC[] = {1, 2, 0};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::size_t l = k == 0 ? 1 : 0;
        for (std::size_t j = 0; j < 3; ++j) {
            const std::size_t i = byC[j];
            EXPECT_EQ(s[2 * k].Points[j].X, t.Conc[i]);
            EXPECT_EQ(s[2 * k].Points[j].Y, t.Values[i][l]);
            EXPECT_DOUBLE_EQ(s[2 * k + 1].Points[j].Y, t.Values[i][l] - m.Residuals[i][l]);
        }
    }
}

// The 1:1 complex's share from the quadratic of the mass balances, worked apart from the
// program's speciation.
TEST(DistributionFigure, SharesOfTheHostAtTheModelsConstants) {
    const double host = 1e-3;
    const double k = 1e4;
    analysis::TSpectraTitration t;
    t.Conc = {0.0, 2e-3, 1e-3};
    t.Host = {host};
    analysis::TSpectraModelResult m;
    m.Model = "1:1";
    m.Converged = true;
    m.LgK = {analysis::TParamResult{}};
    m.LgK[0].Name = analysis::FindModel("1:1")->LgK[0];
    m.LgK[0].Value = std::log10(k);
    const TFigure f = DistributionFigure(t, m, 4);
    ASSERT_EQ(f.Panels.size(), 1u);
    const std::vector<TFigureSeries>& s = f.Panels[0].Series;
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].Name, "P");
    EXPECT_EQ(s[1].Name, "PL");
    ASSERT_EQ(s[1].Points.size(), 5u);
    for (std::size_t j = 0; j < 5; ++j) {
        const double c = s[1].Points[j].X;
        EXPECT_DOUBLE_EQ(c, 0.5e-3 * static_cast<double>(j));
        const double b = host + c + 1.0 / k;
        const double complex = (b - std::sqrt(b * b - 4.0 * host * c)) / 2.0;
        EXPECT_NEAR(s[1].Points[j].Y, complex / host, 1e-9);
        EXPECT_NEAR(s[0].Points[j].Y + s[1].Points[j].Y, 1.0, 1e-12);
    }
    m.Converged = false;
    EXPECT_TRUE(DistributionFigure(t, m).Panels[0].Series.empty());
}

TEST(SpeciesSpectraFigure, EachSpeciesWithABandTwoSeWideWhereItsSeIsKnown) {
    analysis::TSpectraModelResult m;
    m.Model = "1:1";
    m.Species = {{"P", {100, 200, 300}, {5, NaN, 10}}, {"PL", {50, 60, 70}, {1, 2, 3}}};
    const TFigure f = SpeciesSpectraFigure({400, 410, 420}, analysis::TObservable::Absorbance, m);
    const std::vector<TFigureSeries>& s = f.Panels[0].Series;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].Style, TFigureSeries::TStyle::Band);
    EXPECT_FALSE(s[0].InLegend);
    // Along the upper edge, then back along the lower; no edge where the SE is not known.
    const TCurve band = {{400, 110}, {420, 320}, {420, 280}, {400, 90}};
    ASSERT_EQ(s[0].Points.size(), band.size());
    for (std::size_t k = 0; k < band.size(); ++k) {
        EXPECT_EQ(s[0].Points[k].X, band[k].X);
        EXPECT_EQ(s[0].Points[k].Y, band[k].Y);
    }
    EXPECT_EQ(s[1].Name, "P");
    EXPECT_EQ(s[1].Points.size(), 3u);
    EXPECT_EQ(s[1].Points[1].Y, 200.0);
    EXPECT_EQ(s[2].Points[5].Y, 50.0 - 2.0);
    EXPECT_EQ(s[3].Rgb, SignalRgb(1));
}

TEST(SingularValueFigure, LgOfEachValueTheCountedOnesApart) {
    analysis::TFactorAnalysis fa;
    fa.SingularValues = {1000.0, 10.0, 0.01, 0.001, 0.0};
    fa.Species = 2;
    const TFigure f = SingularValueFigure(fa);
    const std::vector<TFigureSeries>& s = f.Panels[0].Series;
    ASSERT_EQ(s.size(), 2u);
    ASSERT_EQ(s[0].Points.size(), 2u);
    EXPECT_EQ(s[0].Points[1].X, 2.0);
    EXPECT_DOUBLE_EQ(s[0].Points[1].Y, 1.0);
    ASSERT_EQ(s[1].Points.size(), 2u);  // a zero has no logarithm
    EXPECT_EQ(s[1].Points[0].X, 3.0);
    EXPECT_DOUBLE_EQ(s[1].Points[1].Y, -3.0);
}

TEST(SpectraComparisonRows, FitStatisticsAndTheFTestInTheSimplerModelsRow) {
    analysis::TSpectraResult r;
    r.Models.resize(2);
    r.Models[0].Model = "1:1";
    r.Models[0].Ss = 2.0;
    r.Models[0].Params = 503;
    r.Models[1].Model = "1:2";
    r.Models[1].Aic = -5.0;
    r.Comparison = {{"1:1", "1:2", 4.0, 0.0125}};
    EXPECT_EQ(SpectraComparisonHeader(r),
              (std::vector<std::string>{"Model", "SS", "RMS", "Parameters", "AIC", "AICc", "BIC",
                                        "F-test p vs 1:2"}));
    const TTextRows rows = SpectraComparisonRows(r);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1:1", "2", "0", "503", "", "", "", "0.0125"}));
    EXPECT_EQ(rows[1][4], "-5");
    EXPECT_EQ(rows[1][7], "");
}

TEST(ImportedPointsCells, CAndTheHostWhenGivenInTheSeparatorInForce) {
    const TDataFile both = SplitDataFile("C;P0\n0;2,0E-6\n1,5E-5;1,99E-6\n", "p.csv");
    EXPECT_EQ(ImportedPointsCells(both, "p.csv"),
              (std::vector<std::vector<std::string>>{
                  {"C", "P0"}, {"0", "2.0E-6"}, {"1.5E-5", "1.99E-6"}}));
    const TDataFile gaps = SplitDataFile("0\t\n0.001\t1e-6\n", "c.txt");
    EXPECT_EQ(ImportedPointsCells(gaps, "c.txt"),
              (std::vector<std::vector<std::string>>{{"C", "P0"}, {"0", ""}, {"0.001", "1e-6"}}));
    EXPECT_THROW(ImportedPointsCells(SplitDataFile("1\t2\t3\n", "x.txt"), "x.txt"), EKelmoraError);
    EXPECT_THROW(ImportedPointsCells(SplitDataFile("1\t2\n2\tx\n", "y.txt"), "y.txt"),
                 EKelmoraError);
}

TEST(SpectraWarningText, NamesAStopAndEveryModelThatFailedOrLacksSomething) {
    analysis::TSpectraResult r;
    r.Models.resize(3);
    r.Models[0].Model = "1:1";
    r.Models[0].Converged = true;
    r.Models[1].Model = "1:2";
    r.Models[1].Message = "singular";
    r.Models[2].Model = "2:1";
    r.Models[2].Converged = true;
    r.Models[2].Message = "PL2 undetermined";
    EXPECT_EQ(SpectraWarningText(r), "1:2 did not converge: singular; 2:1: PL2 undetermined");
    r.Stopped = true;
    r.Models.resize(1);
    EXPECT_EQ(SpectraWarningText(r), "stopped: Monte Carlo incomplete");
    r.Stopped = false;
    EXPECT_EQ(SpectraWarningText(r), "");
    analysis::TFactorAnalysis fa;
    fa.Species = 3;
    fa.NoiseSd = 0.0019927;
    EXPECT_EQ(FactorText(fa), "Factor analysis: 3 species above the noise (noise SD 0.0019927)");
}
