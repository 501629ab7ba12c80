// "Scan" over two parameters of an example, and the minima list it fills: lines, best Q, a
// filter, and a click that puts a minimum back into the main window.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

#include "UiFixture.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

class Scan : public StartedProgram {
  protected:
    // lg K1 over -10..10 and the shift of P over 0..20, 15 lattice values each, the shift of
    // PL fixed at its true value. Besides the fit this finds a minimum on the flat edge of no
    // binding at lg K1 = -10.
    static constexpr double kStep = 20.0 / 14;
    void ScanTheExample() {
        EnterExample("titration-1to1.txt");
        SetParamCell(7, 1, "15");
        SetParamCell(7, 3, "15");
        SetParamCell(1, 4, "9.5");
        SetParamCell(4, 4, "");
        Click(Main.Button8);
    }

    QStringList Lines() const {
        QStringList lines;
        for (int i = 0; i < Minima.ListBox1->count(); ++i) {
            lines << Minima.ListBox1->item(i)->text();
        }
        return lines;
    }

    void ClickLine(int row) {
        QListWidgetItem* item = Minima.ListBox1->item(row);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(Minima.ListBox1->viewport(), Qt::LeftButton, {},
                          Minima.ListBox1->visualItemRect(item).center());
    }
};

TEST_F(Scan, ListsTheLatticeMinimaWithTheBestQ) {
    ScanTheExample();
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Scanning complete[*]"));
    EXPECT_TRUE(Main.Button1->isEnabled());
    EXPECT_TRUE(Main.Button2->isEnabled());
    EXPECT_TRUE(Main.Button8->isEnabled());
    EXPECT_TRUE(Minima.isVisible());
    EXPECT_TRUE(Minima.Button1->isEnabled());
    // The table shows where the lattice ended, one step past the innermost range.
    EXPECT_NEAR(TableValue(0), 10.0, 1e-9);
    EXPECT_NEAR(TableValue(2), 20.0 + kStep, 1e-9);

    const TMinimaStore& store = Minima.Store();
    const QStringList lines = Lines();
    ASSERT_GE(store.Count(), 2);
    ASSERT_EQ(lines.size(), store.Count());
    const QRegularExpression shape(QStringLiteral("^(\\d+): Q=\\d+\\.\\d{6}$"));
    double lowest = 1e300;
    int lowestLine = -1;
    for (int i = 0; i < store.Count(); ++i) {
        const TFoundMinimum& m = store.Minimum(i);
        EXPECT_TRUE(shape.match(lines[i]).hasMatch()) << lines[i].toStdString();
        EXPECT_EQ(lines[i].toStdString(), std::to_string(i + 1) + ": Q=" + FormatFixed(m.Q, 6));
        // The listed Q belongs to the listed point, and no lattice neighbour is lower.
        EXPECT_EQ(m.Q, FreshQ(m.Params));
        for (const auto& [param, step] : {std::pair{0, kStep}, std::pair{2, kStep}}) {
            for (const double dir : {-1.0, 1.0}) {
                TParamVector v = m.Params;
                v[std::size_t(param)] += dir * step;
                EXPECT_GE(FreshQ(v), m.Q) << "minimum " << i + 1 << " parameter " << param;
            }
        }
        const double listed = ParseFloat(lines[i].section(QLatin1Char('='), 1).toStdString());
        if (listed < lowest) {
            lowest = listed;
            lowestLine = i;
        }
    }
    const TFoundMinimum& best = store.Minimum(lowestLine);
    EXPECT_EQ(Minima.BestMinLabel->text().toStdString(), "Best minima: " + FormatGeneral(best.Q));
    EXPECT_EQ(best.Q, store.BestQ());
    EXPECT_NEAR(best.Params[0], 2.5, kStep);
    EXPECT_NEAR(best.Params[2], 8.0, kStep);
}

TEST_F(Scan, FilterRenumbersAndAClickPutsAMinimumBack) {
    ScanTheExample();
    const TMinimaStore& store = Minima.Store();
    ASSERT_GE(store.Count(), 2) << "the scan should find more than one minimum";
    std::vector<double> qs;
    for (const TFoundMinimum& m : store.Minima()) {
        qs.push_back(m.Q);
    }
    std::vector<double> sorted = qs;
    std::sort(sorted.begin(), sorted.end());
    // A threshold halfway between the two lowest keeps the best one alone.
    const double threshold = (sorted[0] + sorted[1]) / 2;
    const QString label = Minima.BestMinLabel->text();
    std::vector<TFoundMinimum> kept;
    for (const TFoundMinimum& m : store.Minima()) {
        if (m.Q <= threshold) {
            kept.push_back(m);
        }
    }
    TypeInto(Minima.ThresholdEdit, QString::fromStdString(FormatGeneral(threshold)));
    Click(Minima.Button2);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(store.Count(), static_cast<int>(kept.size()));
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), store.Count());
    for (int i = 0; i < store.Count(); ++i) {
        EXPECT_EQ(lines[i].toStdString(),
                  std::to_string(i + 1) + ": Q=" + FormatFixed(kept[std::size_t(i)].Q, 4));
    }
    EXPECT_EQ(Minima.BestMinLabel->text(), label);

    // A click restores the point and evaluates it afresh on the data in force now.
    EnterExample("titration-1to2.txt");
    const TFoundMinimum chosen = store.Minimum(0);
    ClickLine(0);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    for (int k = 0; k < ParamCount; ++k) {
        EXPECT_EQ(ParamCell(1, k + 1), FormatGeneral(chosen.Params[std::size_t(k)]));
    }
    const double q = FreshQ(chosen.Params);
    EXPECT_EQ(Main.State().Q, q);
    EXPECT_NE(q, chosen.Q);
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(q));
    EXPECT_EQ(Main.ChartData().Series[0].Count(), 30);
}

// Minima show up in the list while the scan still runs, each line with its six Values.
TEST_F(Scan, LinesAppearAtTheRefreshesDuringTheScan) {
    // A 1,000 x 100 lattice of lg K1 and the shift of P over 7,500 points: many refreshes long
    // however fast the machine, and the edge of no binding gives a minimum within the first
    // inner run. Stop ends it once the lines have been seen.
    EnterExampleRepeated("titration-1to1.txt", 250);
    SetParamCell(1, 4, "9.5");
    SetParamCell(4, 4, "");
    SetParamCell(7, 1, "1000");
    int seenWhileRunning = -1;
    TRunWhen watcher(
        [&] {
            return Minima.Store().Count() > 0 &&
                   Main.windowTitle() == QStringLiteral("Scanning...[*]");
        },
        [&] {
            EXPECT_FALSE(Main.Button8->isEnabled());  // still running
            seenWhileRunning = Minima.ListBox1->count();
            ASSERT_EQ(seenWhileRunning, Minima.Store().Count());
            for (int i = 0; i < seenWhileRunning; ++i) {
                EXPECT_EQ(Minima.ListBox1->item(i)->toolTip().toStdString(),
                          Minima.Store().ParamsText(i));
            }
            Click(Main.Button3);
        });
    Click(Main.Button8);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_TRUE(watcher.Ran());
    EXPECT_GT(seenWhileRunning, 0);
    EXPECT_EQ(Lines().size(), Minima.Store().Count());
}

}  // namespace
}  // namespace kelmora::uitest
