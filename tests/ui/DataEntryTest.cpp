// "Enter sorce data": what a user pastes into the dialog reaches the data set only through "Ок".
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "UiFixture.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

using DataEntry = StartedProgram;

void ExpectDataSetIs(const TFitState& state, const std::vector<TExampleLine>& lines) {
    ASSERT_EQ(state.PointCount, static_cast<int>(lines.size()));
    ASSERT_EQ(state.Points.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(state.Points[i].Conc, ParseFloat(lines[i].C)) << "point " << i;
        EXPECT_EQ(state.Points[i].ExpShift, ParseFloat(lines[i].Shift)) << "point " << i;
    }
}

TEST_F(DataEntry, PastedColumnsFillTheGridFromRowOneAndOkLoadsThem) {
    const auto lines = ReadExample("titration-1to1.txt");
    ASSERT_EQ(lines.size(), 30u);
    EnterExample("titration-1to1.txt");

    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_FALSE(GetData.isVisible());
    const TOriginGrid& grid = *GetData.OriginGrid1;
    EXPECT_EQ(grid.Cell(0, 0), "C");
    EXPECT_EQ(grid.Cell(1, 0), "Shift");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(grid.Cell(0, static_cast<int>(i) + 1), lines[i].C);
        EXPECT_EQ(grid.Cell(1, static_cast<int>(i) + 1), lines[i].Shift);
    }
    ExpectDataSetIs(Main.State(), lines);
    EXPECT_EQ(Main.State().PorphyrinConc, 0.01);
    EXPECT_EQ(Main.State().Weight, 10000.0 / 30);
    // Data entry evaluates nothing and leaves the chart alone.
    EXPECT_EQ(Main.ChartData().Series[0].Count(), 0);
}

TEST_F(DataEntry, MoreLinesThanTheDialogHoldsGrowTheTable) {
    std::vector<TExampleLine> lines;
    for (int i = 1; i <= 150; ++i) {
        lines.push_back({FormatGeneral(i * 0.0005), "8.5"});
    }
    EnterData(ClipboardText(lines));
    EXPECT_EQ(GetData.OriginGrid1->RowCount(), 151);
    ExpectDataSetIs(Main.State(), lines);
}

TEST_F(DataEntry, CancelKeepsTheDataSetAndTheDialogKeepsTheEdits) {
    const auto first = ReadExample("titration-1to1.txt");
    const auto second = ReadExample("titration-1to2.txt");
    EnterExample("titration-1to1.txt");

    struct TCloser {
        const char* Name;
        std::function<void()> Close;
    };
    const TCloser closers[] = {
        {"Отмена", [this] { Click(GetData.Button2); }},
        {"close box", [this] { GetData.close(); }},
    };
    for (const TCloser& closer : closers) {
        SCOPED_TRACE(closer.Name);
        WithDataDialog([&] {
            PasteIntoDataGrid(ClipboardText(second));
            TypeInto(GetData.Edit1, QStringLiteral("0.02"));
            closer.Close();
        });
        ExpectDataSetIs(Main.State(), first);
        EXPECT_EQ(Main.State().PorphyrinConc, 0.01);
        EXPECT_EQ(Main.State().Weight, 10000.0 / 30);

        WithDataDialog([&] {
            EXPECT_EQ(GetData.Edit1->text(), QStringLiteral("0.02"));
            EXPECT_EQ(GetData.OriginGrid1->Cell(0, 1), second[0].C);
            EXPECT_EQ(GetData.OriginGrid1->Cell(1, 30), second[29].Shift);
            Click(GetData.Button2);
        });
    }
    // What the dialog kept is handed over by the next "Ок".
    WithDataDialog([&] { Click(GetData.Button1); });
    ExpectDataSetIs(Main.State(), second);
    EXPECT_EQ(Main.State().PorphyrinConc, 0.02);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(DataEntry, EnterAndEscapeDoNotCloseTheDialog) {
    WithDataDialog([&] {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(GetData.Edit1, key);
            EXPECT_TRUE(GetData.isVisible()) << "key " << key;
        }
        Click(GetData.Button2);
    });
}

}  // namespace
}  // namespace kelmora::uitest
