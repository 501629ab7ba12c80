// The decimal separator ("Update") and the conversion errors a user meets through it and through
// bad cells.
#include <QChart>
#include <QChartView>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "UiFixture.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

using Separator = StartedProgram;

TEST_F(Separator, UpdateRewritesTheTableAndP0ButNeverTheDataGrid) {
    EnterExample("titration-1to1.txt");
    const std::string firstC = GetData.OriginGrid1->Cell(0, 1);
    ASSERT_EQ(firstC, "0.001");

    struct TStep {
        const char* Typed;
        const char* Separator;
        // Value of lg K1, Max. step of lg K1 and of C.Shift (P), Min. step, lg K2, P0 edit.
        std::array<const char*, 5> Cells;
        const char* P0;
    };
    const TStep steps[] = {
        {",", ",", {"1,2", "0,10", "0,100", "0,0001", "-1000"}, "0,01"},
        {",", ",", {"1,2", "0,10", "0,100", "0,0001", "-1000"}, "0,01"},
        {"", ",", {"1,2", "0,10", "0,100", "0,0001", "-1000"}, "0,01"},    // nothing to take
        {".,", ".", {"1.2", "0.10", "0.100", "0.0001", "-1000"}, "0.01"},  // the first only
        {".", ".", {"1.2", "0.10", "0.100", "0.0001", "-1000"}, "0.01"},
        {";", ";", {"1.2", "0.10", "0.100", "0.0001", "-1000"}, "0.01"},  // only commas change
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(std::string("typed '") + step.Typed + "'");
        TypeInto(Main.SepLabEdit, QString::fromUtf8(step.Typed));
        Click(Main.UpdateDecSepButton);
        EXPECT_EQ(NumberDecimalSeparator(), step.Separator);
        EXPECT_EQ(ParamCell(1, 1), step.Cells[0]);
        EXPECT_EQ(ParamCell(2, 1), step.Cells[1]);
        EXPECT_EQ(ParamCell(2, 3), step.Cells[2]);
        EXPECT_EQ(ParamCell(3, 6), step.Cells[3]);
        EXPECT_EQ(ParamCell(1, 2), step.Cells[4]);
        EXPECT_EQ(GetData.Edit1->text().toStdString(), step.P0);
        EXPECT_EQ(ParamCell(0, 1), "Lg(K1)");
        EXPECT_EQ(ParamCell(2, 0), "Max. step");
        EXPECT_EQ(GetData.OriginGrid1->Cell(0, 1), firstC);
        EXPECT_EQ(Main.IterCountEdit->text(), QStringLiteral("1000000000"));
    }
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Separator, CommaRejectsTheDotDataUntilTheyAreRetypedAndKeepsTheDataSet) {
    EnterExample("titration-1to1.txt");
    const std::vector<TDataPoint> before = Main.State().Points;
    TypeInto(Main.SepLabEdit, QStringLiteral(","));
    Click(Main.UpdateDecSepButton);

    // "Ок" hands the dot texts over, and the first of them does not convert.
    WithDataDialog([&] { Click(GetData.Button1); });
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("'0.001' is not a valid floating point value\n"
                                                     "Row 1, column C")});
    ASSERT_EQ(Main.State().PointCount, 30);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(Main.State().Points[i].Conc, before[i].Conc);
        EXPECT_EQ(Main.State().Points[i].ExpShift, before[i].ExpShift);
    }
    EXPECT_EQ(Main.State().PorphyrinConc, 0.01);

    // The same data with commas load, and the chart title speaks the new separator.
    Messages().clear();
    auto lines = ReadExample("titration-1to1.txt");
    for (TExampleLine& l : lines) {
        std::replace(l.C.begin(), l.C.end(), '.', ',');
        std::replace(l.Shift.begin(), l.Shift.end(), '.', ',');
    }
    EnterData(ClipboardText(lines));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Main.State().Points[0].Conc, 0.001);
    EXPECT_EQ(Main.State().PorphyrinConc, 0.01);
    Click(Main.Button1);
    const std::string q = FormatGeneral(Main.State().Q);
    EXPECT_NE(q.find(','), std::string::npos) << q;
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(Main.State().Q));
    EXPECT_EQ(ChartTitle().toStdString().rfind("Mean square exp.-theor.=" + q + "×10⁻⁴ ppm²", 0),
              0u);
}

TEST_F(Separator, BadInputOnComputeShowsTheConversionMessageAndComputesNothing) {
    EnterExample("titration-1to1.txt");
    Click(Main.Button1);
    const double q = Main.State().Q;
    const QString title = ChartTitle();

    struct TBadInput {
        const char* What;
        std::function<void()> Enter;
        std::function<void()> Undo;
        const char* Message;
    };
    const TBadInput inputs[] = {
        {"letters in lg K1", [&] { TypeIntoCell(*Main.ParamsGrid, 1, 1, QStringLiteral("abc")); },
         [&] { SetParamCell(1, 1, "1.2"); }, "'abc' is not a valid floating point value"},
        {"a comma under the point separator",
         [&] { TypeIntoCell(*Main.ParamsGrid, 6, 4, QStringLiteral("2,5")); },
         [&] { SetParamCell(6, 4, "20"); }, "'2,5' is not a valid floating point value"},
        {"an emptied Max. step", [&] { TypeIntoCell(*Main.ParamsGrid, 2, 3, QString()); },
         [&] { SetParamCell(2, 3, "0.100"); }, "'' is not a valid floating point value"},
        {"a fraction in Steps count",
         [&] { TypeIntoCell(*Main.ParamsGrid, 7, 6, QStringLiteral("1.5")); },
         [&] { SetParamCell(7, 6, "100"); }, "'1.5' is not a valid integer value"},
        {"words in the iteration count",
         [&] { TypeInto(Main.IterCountEdit, QStringLiteral("many")); },
         [&] { TypeInto(Main.IterCountEdit, QStringLiteral("1000000000")); },
         "'many' is not a valid integer value"},
    };
    for (const TBadInput& input : inputs) {
        SCOPED_TRACE(input.What);
        Messages().clear();
        input.Enter();
        Click(Main.Button1);
        EXPECT_EQ(Messages(), QStringList{QString::fromUtf8(input.Message)});
        EXPECT_EQ(Main.State().Q, q);
        EXPECT_EQ(ChartTitle(), title);
        input.Undo();
    }
    Messages().clear();
    Click(Main.Button1);
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Main.State().Q, q);
}

}  // namespace
}  // namespace kelmora::uitest
