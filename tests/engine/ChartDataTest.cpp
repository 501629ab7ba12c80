#include "engine/ChartData.h"

#include <gtest/gtest.h>

#include "util/NumberText.h"

using namespace kelmora;

TEST(LineSeries, AscendingXAndEqualXAfterEarlierPoints) {
    // Added one by one and set as a whole, the order must be the same.
    const TChartPoint added[] = {{3, 1}, {1, 2}, {2, 3}, {1, 4}, {3, 5}, {0.5, 6}, {1, 7}};
    TLineSeries one;
    std::vector<TChartPoint> all;
    for (const TChartPoint& p : added) {
        one.Add(p.X, p.Y);
        all.push_back(p);
    }
    TLineSeries whole;
    whole.SetPoints(all);
    const double xs[] = {0.5, 1, 1, 1, 2, 3, 3};
    const double ys[] = {6, 2, 4, 7, 3, 1, 5};
    ASSERT_EQ(one.Count(), 7);
    ASSERT_EQ(whole.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(one.X(i), xs[i]);
        EXPECT_EQ(one.Y(i), ys[i]);
        EXPECT_EQ(whole.X(i), xs[i]);
        EXPECT_EQ(whole.Y(i), ys[i]);
    }
}

TEST(FillChart, BothModesFromTheDataSetInAscendingC) {
    TFitState s;
    s.SetPointCount(3);
    const double conc[] = {0.03, 0.01, 0.02};  // entered in descending order, mostly
    for (int j = 0; j < 3; ++j) {
        s.Points[j].Conc = conc[j];
        s.Points[j].ExpShift = 8 + j;
        s.Points[j].TheorShift = 8.5 + j;
        s.Points[j].Alpha1 = 0.1 * (j + 1);
        s.Points[j].Alpha2 = 0.05 * j;
    }
    s.Q = 0.125;
    TChartData chart;
    FillChart(chart, s, 0);
    EXPECT_EQ(chart.Series[0].Title, "Exp. Chem. Shift");
    EXPECT_EQ(chart.Series[1].Title, "Theor. Chem. Shift");
    EXPECT_EQ(chart.Series[2].Title, "Exp.-Theor.+7");
    EXPECT_EQ(chart.XAxisTitle, "C, mol/l");
    EXPECT_EQ(chart.YAxisTitle, "Chemical shift, ppm");
    ASSERT_EQ(chart.TitleLines.size(), 1u);
    EXPECT_EQ(chart.TitleLines[0], "Mean square exp.-theor.=0.125×10⁻⁴ ppm², RMS=0.00353553 ppm");
    // Point 1 (C = 0.01) comes first.
    EXPECT_EQ(chart.Series[0].X(0), 0.01);
    EXPECT_EQ(chart.Series[0].Y(0), 9);
    EXPECT_EQ(chart.Series[1].Y(0), 9.5);
    EXPECT_EQ(chart.Series[2].Y(0), (7 + 9.0) - 9.5);
    EXPECT_EQ(chart.Series[0].X(2), 0.03);

    FillChart(chart, s, 1);  // any mode other than 0 shows the fractions
    EXPECT_EQ(chart.Series[0].Title, "Alpha1");
    EXPECT_EQ(chart.Series[1].Title, "Alpha2");
    EXPECT_EQ(chart.Series[2].Title, "1-A1-A2");
    EXPECT_EQ(chart.XAxisTitle, "C, mol/l");
    EXPECT_EQ(chart.YAxisTitle, "Fraction");
    EXPECT_EQ(chart.Series[0].Count(), 3);  // a redraw replaces, never adds
    EXPECT_EQ(chart.Series[0].Y(0), 0.2);
    EXPECT_EQ(chart.Series[1].Y(0), 0.05);
    EXPECT_EQ(chart.Series[2].Y(0), (1 - 0.2) - 0.05);
    EXPECT_EQ(chart.TitleLines[0], "Mean square exp.-theor.=0.125×10⁻⁴ ppm², RMS=0.00353553 ppm");

    SetNumberDecimalSeparator(",");
    FillChart(chart, s, 7);
    SetNumberDecimalSeparator(".");
    EXPECT_EQ(chart.Series[0].Title, "Alpha1");
    EXPECT_EQ(chart.TitleLines[0], "Mean square exp.-theor.=0,125×10⁻⁴ ppm², RMS=0,00353553 ppm");
}
