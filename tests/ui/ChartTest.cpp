// "Compute this point", the two display modes and "Copy into table": the chart shows what the
// 1:1 closed form predicts, and the output table and the clipboard hold exactly what it shows.
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "UiFixture.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

// [PL] / P0 of the 1:1 equilibrium, the smaller root of x^2 - (P0 + C + 1/K) x + P0 C = 0,
// written without cancellation.
double Alpha1OneToOne(double lgK1, double p0, double c) {
    const double b = p0 + c + 1.0 / std::pow(10.0, lgK1);
    return 2.0 * c / (b + std::sqrt(b * b - 4.0 * p0 * c));
}

struct TExpectedPoint {
    double C, Exp, Alpha1, Theor;
};

// The default table: lg K1 1.2, no PL2, shifts 8 (P) and 9 (PL), no unspecific term.
std::vector<TExpectedPoint> DefaultTableModel(const std::vector<TExampleLine>& lines) {
    std::vector<TExpectedPoint> points;
    for (const TExampleLine& l : lines) {
        const double c = ParseFloat(l.C);
        const double a1 = Alpha1OneToOne(1.2, 0.01, c);
        points.push_back({c, ParseFloat(l.Shift), a1, (1.0 - a1) * 8.0 + 9.0 * a1});
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const TExpectedPoint& a, const TExpectedPoint& b) { return a.C < b.C; });
    return points;
}

struct TMode {
    const char* Name;
    QPushButton* TMainForm::*Button;
    std::array<const char*, 3> Titles;
    // The y of series k at an expected point.
    std::function<double(const TExpectedPoint&, int)> Y;
};

const TMode kModes[] = {
    {"shifts",
     &TMainForm::Mode1Button,
     {"Exp. Chem. Shift", "Theor. Chem. Shift", "Exp.-Theor.+7"},
     [](const TExpectedPoint& p, int k) {
         return k == 0 ? p.Exp : k == 1 ? p.Theor : (7.0 + p.Exp) - p.Theor;
     }},
    {"fractions",
     &TMainForm::Mode2Button,
     {"Alpha1", "Alpha2", "1-A1-A2"},
     [](const TExpectedPoint& p, int k) {
         return k == 0 ? p.Alpha1 : k == 1 ? 0.0 : 1.0 - p.Alpha1;
     }},
};

using Chart = StartedProgram;

// The drawn chart agrees with the chart data, series by series.
// Ticks at the multiples of a 1-2-5 step, and an axis that ends within one step of the data.
void ExpectAxesOnRoundSteps(const TMainForm& main) {
    const TChartData& data = main.ChartData();
    for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(orientation == Qt::Horizontal ? "x axis" : "y axis");
        const QList<QAbstractAxis*> axes = main.Chart1->chart()->axes(orientation);
        ASSERT_EQ(axes.size(), 1);
        const auto* axis = qobject_cast<QValueAxis*>(axes[0]);
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
        EXPECT_EQ(axis->tickAnchor(), 0.0);
        const double step = axis->tickInterval();
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 5) < 1e-9)
            << step;
        double lo = 1e300;
        double hi = -1e300;
        for (const TLineSeries& series : data.Series) {
            for (const TChartPoint& p : series.Points()) {
                const double v = orientation == Qt::Horizontal ? p.X : p.Y;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        EXPECT_LE(axis->min(), lo);
        EXPECT_GE(axis->max(), hi);
        EXPECT_LT(axis->max() - hi, step);
        EXPECT_NEAR(std::remainder(axis->max(), step), 0.0, 1e-6 * step);
    }
}

void ExpectDrawnAsData(const TMainForm& main) {
    const QList<QAbstractSeries*> drawn = main.Chart1->chart()->series();
    ASSERT_EQ(drawn.size(), 3);
    for (int k = 0; k < 3; ++k) {
        const auto* line = qobject_cast<QLineSeries*>(drawn[k]);
        ASSERT_NE(line, nullptr);
        const TLineSeries& data = main.ChartData().Series[k];
        EXPECT_EQ(line->name().toStdString(), data.Title);
        ASSERT_EQ(line->count(), data.Count());
        for (int i = 0; i < data.Count(); ++i) {
            EXPECT_EQ(line->at(i), QPointF(data.X(i), data.Y(i)));
        }
    }
    const QColor colours[3] = {Qt::red, Qt::green, Qt::yellow};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(qobject_cast<QLineSeries*>(drawn[k])->color(), colours[k]);
    }
    ExpectAxesOnRoundSteps(main);
}

TEST_F(Chart, ComputeAndTheModeButtonsShowTheOneToOneModel) {
    const auto lines = ReadExample("titration-1to1.txt");
    const auto expected = DefaultTableModel(lines);
    EnterExample("titration-1to1.txt");
    Click(Main.Button1);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();

    double sum = 0.0;
    for (const TExpectedPoint& p : expected) {
        sum += (p.Exp - p.Theor) * (p.Exp - p.Theor);
    }
    const double q = Main.State().Q;
    EXPECT_NEAR(q, 10000.0 / 30 * sum, 1e-9 * q);
    const std::string title = TitleFor(q);
    // Compute changes neither the caption nor the table.
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Kelmora[*]"));
    EXPECT_EQ(ParamCell(2, 1), "0.10");

    // Twice through both modes: the button that is already down redraws the same chart.
    for (int pass = 0; pass < 2; ++pass) {
        for (const TMode& mode : kModes) {
            SCOPED_TRACE(std::string(mode.Name) + " pass " + std::to_string(pass));
            Click(Main.*mode.Button);
            if (pass == 1) {
                Click(Main.*mode.Button);
            }
            EXPECT_TRUE((Main.*mode.Button)->isChecked());
            const TChartData& chart = Main.ChartData();
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(chart.Series[k].Title, mode.Titles[k]);
                ASSERT_EQ(chart.Series[k].Count(), 30);
                for (int i = 0; i < 30; ++i) {
                    const auto u = static_cast<std::size_t>(i);
                    EXPECT_EQ(chart.Series[k].X(i), expected[u].C);
                    EXPECT_NEAR(chart.Series[k].Y(i), mode.Y(expected[u], k), 1e-9)
                        << "series " << k << " point " << i;
                }
            }
            ASSERT_EQ(chart.TitleLines.size(), 1u);
            EXPECT_EQ(chart.TitleLines[0], title);
            EXPECT_EQ(ChartTitle().toStdString(), title);
            ExpectDrawnAsData(Main);
        }
    }
}

// The output table and the clipboard text it makes, for data entered in descending C.
TEST_F(Chart, DescendingDataComeOutAscendingInCopyIntoTable) {
    auto lines = ReadExample("titration-1to1.txt");
    const auto expected = DefaultTableModel(lines);
    std::reverse(lines.begin(), lines.end());
    EnterData(ClipboardText(lines));
    ASSERT_GT(Main.State().Points[0].Conc, Main.State().Points[29].Conc);
    Click(Main.Button1);

    for (const TMode& mode : kModes) {
        SCOPED_TRACE(mode.Name);
        Click(Main.*mode.Button);
        std::vector<std::vector<std::string>> cells;
        QString copied;
        TDialogDriver driver(&OutGrid, [&] {
            const TOriginGrid& grid = *OutGrid.OriginGrid1;
            EXPECT_EQ(grid.FixedRows(), 1);
            EXPECT_EQ(grid.FixedCols(), 0);
            EXPECT_FALSE(grid.Editing());
            for (int r = 0; r < grid.RowCount(); ++r) {
                cells.emplace_back();
                for (int c = 0; c < grid.ColCount(); ++c) {
                    cells.back().push_back(grid.Cell(c, r));
                }
            }
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            Click(OutGrid.Button1);
            copied = QGuiApplication::clipboard()->text();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {  // no default, no cancel
                QTest::keyClick(&OutGrid, key);
                EXPECT_TRUE(OutGrid.isVisible()) << "key " << key;
            }
            Click(OutGrid.Button2);
        });
        Click(Main.Button4);
        ASSERT_TRUE(driver.Ran());
        EXPECT_FALSE(OutGrid.isVisible());

        ASSERT_EQ(cells.size(), 31u);
        const std::vector<std::string> header = {"Ligand concentr.", mode.Titles[0], mode.Titles[1],
                                                 mode.Titles[2]};
        EXPECT_EQ(cells[0], header);
        const TChartData& chart = Main.ChartData();
        QString expectedClipboard;
        for (int i = 0; i < 30; ++i) {
            const auto u = static_cast<std::size_t>(i);
            const std::vector<std::string>& row = cells[u + 1];
            ASSERT_EQ(row.size(), 4u);
            EXPECT_EQ(row[0], FormatGeneral(expected[u].C)) << "row " << i + 1;
            EXPECT_EQ(ParseFloat(row[0]), expected[u].C);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(row[static_cast<std::size_t>(k) + 1],
                          FormatGeneral(chart.Series[k].Y(i)));
                EXPECT_NEAR(ParseFloat(row[static_cast<std::size_t>(k) + 1]),
                            mode.Y(expected[u], k), 1e-9);
            }
            for (int c = 0; c < 4; ++c) {
                const QString cell = QString::fromStdString(row[static_cast<std::size_t>(c)]);
                expectedClipboard += (c ? QStringLiteral("\t") : QString()) +
                                     cell.leftJustified(15, QLatin1Char(' '));
            }
            expectedClipboard += QStringLiteral("\r\n");
        }
        EXPECT_EQ(copied, expectedClipboard);
    }
}

// A penalty drawn over a good-looking curve is named, and so is a bound that stopped Optimize.
TEST_F(Chart, TheTitleNamesParametersOutOfBoundsAndAtABound) {
    EnterExample("titration-1to1.txt");
    SetParamCell(1, 1, "2.5");
    SetParamCell(1, 4, "21");  // C.Shift (PL), marked, bounds 0 to 20
    Click(Main.Button1);
    EXPECT_EQ(Main.State().Q, 10000000.0 + 1000.0);
    EXPECT_EQ(ChartTitle().toStdString(),
              TitleFor(Main.State().Q) + " (out of bounds: C.Shift (PL))");

    // The example's PL shift is 9.5; a ceiling of 9.3 holds Optimize at it.
    SetParamCell(1, 4, "9");
    SetParamCell(6, 4, "9.3");
    Click(Main.Button2);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(Main.State().Q) + " (at bound: C.Shift (PL))");
    // A plain evaluation of the same point makes no claim about where a search stopped.
    Click(Main.Button1);
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(Main.State().Q));
}

TEST_F(Chart, CopyIntoTableBeforeAnyComputeReportsTheFixedRow) {
    {
        TDialogDriver driver(&OutGrid, [&] { Click(OutGrid.Button2); });
        Click(Main.Button4);
        EXPECT_FALSE(driver.Ran());
    }
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Fixed row count must be less than row count")});
    const TOriginGrid& grid = *OutGrid.OriginGrid1;
    EXPECT_EQ(grid.ColCount(), 4);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.FixedCols(), 0);
    // The window goes on working.
    Messages().clear();
    EnterExample("titration-1to1.txt");
    Click(Main.Button1);
    TDialogDriver again(&OutGrid, [&] { Click(OutGrid.Button2); });
    Click(Main.Button4);
    EXPECT_TRUE(again.Ran());
    EXPECT_EQ(grid.RowCount(), 31);
    EXPECT_TRUE(Messages().isEmpty());
}

}  // namespace
}  // namespace kelmora::uitest
