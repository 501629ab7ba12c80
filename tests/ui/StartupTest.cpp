// The windows as start-up leaves them: designed places and texts, the parameter table with its
// defaults in the start-up separator, and the chart growing with the window.
#include <QChartView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <functional>
#include <stdexcept>

#include "UiFixture.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

using StartUp = StartedProgram;

TEST_F(StartUp, ParameterTableShowsItsDefaultsWithThePointSeparator) {
    const char* expected[7][8] = {
        {"Param", "Value", "Max. step", "Min. step", "Optimize?", "Min. val", "Max. val",
         "Steps count"},
        {"Lg(K1)", "1.2", "0.10", "0.0001", "y", "-10", "10", "100"},
        {"Lg(K2)", "-1000", "0.10", "0.0001", "", "-10", "10", "100"},
        {"C.Shift (P)", "8", "0.100", "0.0001", "y", "0", "20", "100"},
        {"C.Shift (PL)", "9", "0.100", "0.0001", "y", "0", "20", "100"},
        {"C.Shift (PL2)", "10", "0.100", "0.0001", "", "0", "20", "100"},
        {"K (unspecif)", "0", "0.100", "0.0001", "", "-10", "10", "100"},
    };
    ASSERT_EQ(Main.ParamsGrid->ColCount(), 8);
    ASSERT_EQ(Main.ParamsGrid->RowCount(), 7);
    EXPECT_EQ(Main.ParamsGrid->FixedCols(), 1);
    EXPECT_EQ(Main.ParamsGrid->FixedRows(), 1);
    EXPECT_TRUE(Main.ParamsGrid->Editing());
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 8; ++c) {
            EXPECT_EQ(ParamCell(c, r), expected[r][c]) << "cell " << c << "," << r;
        }
    }
    EXPECT_EQ(NumberDecimalSeparator(), ".");
}

TEST_F(StartUp, OnlyTheMainWindowIsShownAndEveryEditHoldsItsDefault) {
    EXPECT_TRUE(Main.isVisible());
    EXPECT_FALSE(GetData.isVisible());
    EXPECT_FALSE(OutGrid.isVisible());
    EXPECT_FALSE(Minima.isVisible());
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Kelmora[*]"));
    EXPECT_EQ(GetData.windowTitle(), QStringLiteral("GetDataForm"));
    EXPECT_EQ(OutGrid.windowTitle(), QStringLiteral("OutGridForm"));
    EXPECT_EQ(Main.IterCountEdit->text(), QStringLiteral("1000000000"));
    EXPECT_EQ(Main.SepLabEdit->text(), QStringLiteral("."));
    EXPECT_FALSE(Main.FinishMinimaCheck->isChecked());
    EXPECT_TRUE(Main.Mode1Button->isChecked());
    EXPECT_FALSE(Main.Mode2Button->isChecked());
    EXPECT_EQ(GetData.Edit1->text(), QStringLiteral("0.01"));
    EXPECT_EQ(GetData.OriginGrid1->ColCount(), 2);
    EXPECT_EQ(GetData.OriginGrid1->RowCount(), 100);
    EXPECT_EQ(GetData.OriginGrid1->Cell(0, 0), "C");
    EXPECT_EQ(GetData.OriginGrid1->Cell(1, 0), "Shift");
    EXPECT_EQ(GetData.OriginGrid1->Cell(0, 1), "");
    EXPECT_FALSE(OutGrid.OriginGrid1->Editing());
    for (QPushButton* b : {GetData.Button1, GetData.Button2, OutGrid.Button1, OutGrid.Button2}) {
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
}

TEST_F(StartUp, ControlsSitWhereTheyWereDesignedWithTheirTexts) {
    // The output table grows by what its four columns need beyond the designed 110 pixels.
    const int outGrow = 4 * (OutGrid.OriginGrid1->ColWidth(0) - 110);
    ASSERT_GE(outGrow, 0);
    struct TControl {
        QWidget* Widget;
        QRect Geometry;
        QString Text;  // empty for controls without a caption
    };
    const TControl controls[] = {
        {Main.ParamsGrid, {8, 8, 609, 185}, {}},
        {Main.Button1, {624, 21, 121, 25}, QStringLiteral("Compute this point")},
        {Main.Button8, {624, 96, 121, 25}, QStringLiteral("Scan")},
        {Main.Button3, {760, 120, 75, 25}, QStringLiteral("Stop")},
        {Main.Button2, {624, 128, 121, 25}, QStringLiteral("Optimize")},
        {Main.IterCountEdit, {624, 176, 121, 21}, {}},
        {Main.Button5, {824, 8, 139, 25}, QStringLiteral("Enter sorce data")},
        {Main.SepLabEdit, {832, 80, 65, 21}, {}},
        {Main.UpdateDecSepButton, {904, 78, 57, 25}, QStringLiteral("Update")},
        {Main.Mode1Button, {8, 224, 200, 22}, QStringLiteral("Exp., theor. chemical shifts")},
        {Main.Mode2Button,
         {216, 224, 200, 22},
         QStringLiteral("Fractional conversions by reactions")},
        {Main.Button4, {848, 224, 105, 25}, QStringLiteral("Copy into table")},
        {Main.Chart1, {8, 256, 945, 377}, {}},
        {GetData.OriginGrid1, {8, 8, 264, 361}, {}},
        {GetData.Edit1, {8, 401, 264, 21}, {}},
        {GetData.Button1, {8, 432, 113, 25}, QStringLiteral("Ок")},
        {GetData.Button2, {159, 432, 113, 25}, QStringLiteral("Отмена")},
        {GetData.PointCountLabel, {8, 462, 264, 34}, {}},
        {OutGrid.OriginGrid1, {8, 16, 473 + outGrow, 433}, {}},
        {OutGrid.Button1, {406 + outGrow, 456, 75, 25}, QStringLiteral("Copy")},
        {OutGrid.Button2, {160 + outGrow / 2, 488, 121, 25}, QStringLiteral("Ok")},
    };
    for (const TControl& c : controls) {
        SCOPED_TRACE(c.Text.toStdString() + " " + c.Widget->metaObject()->className());
        EXPECT_EQ(c.Widget->geometry(), c.Geometry);
        if (auto* button = qobject_cast<QPushButton*>(c.Widget)) {
            EXPECT_EQ(button->text(), c.Text);
        }
    }
    EXPECT_EQ(Main.Label1->text(), QStringLiteral("Max. iterations in optimization"));
    EXPECT_EQ(Main.Label1->pos(), QPoint(624, 160));
    EXPECT_EQ(Main.FinishMinimaCheck->text(),
              QStringLiteral("Complete optimization of minima during scan"));
    EXPECT_EQ(Main.FinishMinimaCheck->pos(), QPoint(624, 200));
    EXPECT_EQ(GetData.Label1->text(), QStringLiteral("Porphyrin concentration, gr-mol/liter"));
    EXPECT_EQ(GetData.Label1->pos(), QPoint(10, 384));
    EXPECT_EQ(GetData.size(), QSize(280, 501));  // the designed 461, and the point count
    EXPECT_EQ(OutGrid.size(), QSize(492 + outGrow, 521));
}

TEST_F(StartUp, ChartGrowsWithTheWindowAndTheTableStaysPut) {
    const QSize designed = Main.size();
    Main.resize(designed + QSize(236, 164));
    EXPECT_EQ(Main.Chart1->geometry(), QRect(8, 256, 945 + 236, 377 + 164));
    EXPECT_EQ(Main.ParamsGrid->geometry(), QRect(8, 8, 609, 185));
    EXPECT_EQ(Main.Button4->geometry(), QRect(848, 224, 105, 25));
    Main.resize(designed);
    EXPECT_EQ(Main.Chart1->geometry(), QRect(8, 256, 945, 377));
}

// The widest text of a column fits in it with room to spare.
void ExpectFits(const TOriginGrid& grid, int col, const QString& text) {
    EXPECT_GE(grid.ColWidth(col), grid.fontMetrics().horizontalAdvance(text) + 4)
        << "column " << col << ": " << text.toStdString();
}

int SumOfColumns(const TOriginGrid& grid, int count) {
    int sum = 0;
    for (int c = 0; c < count; ++c) {
        sum += grid.ColWidth(c);
    }
    return sum;
}

// At the default size nothing is cut: every header and row label, a Value of 15 significant
// digits with its sign, and the four columns of the output table side by side.
TEST_F(StartUp, HeadersAndFifteenDigitValuesAreNotClipped) {
    const TOriginGrid& params = *Main.ParamsGrid;
    for (int c = 0; c < ParamsGridCols; ++c) {
        ExpectFits(params, c, QString::fromUtf8(ParamColumnHeaders[c]));
    }
    for (const char* label : ParamRowLabels) {
        ExpectFits(params, 0, QString::fromUtf8(label));
    }
    ExpectFits(params, 1, QStringLiteral("-8.88888888888888"));
    ExpectFits(params, 1, QString::fromStdString(FormatGeneral(-2.0 / 3.0 * 10)));
    EXPECT_LE(SumOfColumns(params, ParamsGridCols), params.width() - 2 * params.frameWidth());

    EnterExample("titration-1to1.txt");
    Click(Main.Button1);
    TDialogDriver look(&OutGrid, [this] {
        const TOriginGrid& out = *OutGrid.OriginGrid1;
        ASSERT_EQ(out.ColCount(), 4);
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < out.RowCount(); ++r) {
                ExpectFits(out, c, QString::fromStdString(out.Cell(c, r)));
            }
            ExpectFits(out, c, QStringLiteral("-8.88888888888888"));
        }
        EXPECT_LE(SumOfColumns(out, 4), out.viewport()->width());
        Click(OutGrid.Button2);
    });
    Click(Main.Button4);
    EXPECT_TRUE(look.Ran());
}

// Shrinking stops at the designed size, grown by the menu bar above it: every control keeps its
// place and stays whole.
TEST_F(StartUp, TheWindowCannotBeShrunkBelowItsDesignedSize) {
    const int menuHeight = Main.MenuBar->sizeHint().height();
    ASSERT_GT(menuHeight, 0);
    const QSize designed(964, 636 + menuHeight);
    EXPECT_EQ(Main.size(), designed);
    EXPECT_EQ(Main.ClientArea->geometry(), QRect(0, menuHeight, 964, 636));
    EXPECT_EQ(Main.MenuBar->geometry(), QRect(0, 0, 964, menuHeight));
    EXPECT_EQ(Main.minimumSizeHint().expandedTo(Main.minimumSize()), designed);
    for (const QSize small : {QSize(300, 200), QSize(963, 636), QSize(964, 400)}) {
        SCOPED_TRACE(std::to_string(small.width()) + "x" + std::to_string(small.height()));
        Main.resize(small);
        EXPECT_EQ(Main.size(), designed);
        const QRect client = Main.ClientArea->geometry();
        for (QWidget* w : Main.ClientArea->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(client.contains(w->geometry().translated(client.topLeft())))
                << w->metaObject()->className();
        }
        EXPECT_EQ(Main.Chart1->geometry(), QRect(8, 256, 945, 377));
    }
}

// Only the program's own messages reach the user as they are; a library's text does not.
TEST(DefaultHandler, ShowsTheProgramsMessagesAndNoLibraryText) {
    const std::vector<std::pair<std::function<void()>, QString>> rows = {
        {[] { throw EKelmoraError("'x' is not a valid floating point value"); },
         QStringLiteral("'x' is not a valid floating point value")},
        {[] { throw std::domain_error("Random Variable parameter was -nan"); },
         QStringLiteral("This could not be finished: a computation inside it failed.")},
    };
    for (const auto& [raise, shown] : rows) {
        Messages().clear();
        QObject target;
        QMetaObject::invokeMethod(&target, raise, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        EXPECT_EQ(Messages(), QStringList{shown});
    }
    Messages().clear();
}

}  // namespace
}  // namespace kelmora::uitest
