// "Enter sorce data": what a user pastes into the dialog reaches the data set only through "Ок".
#include <QLabel>
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

QString PointCount(const TGetDataForm& form) {
    return form.PointCountLabel->text();
}

TEST_F(DataEntry, FewerPointsPastedOverMoreReplaceThemAndTheCountFollows) {
    const auto many = ReadExample("titration-1to2.txt");
    auto few = ReadExample("titration-1to1.txt");
    few.resize(10);
    EnterData(ClipboardText(many));
    EXPECT_EQ(PointCount(GetData), QStringLiteral("30 points"));

    WithDataDialog([&] {
        PasteIntoDataGrid(ClipboardText(few));
        EXPECT_EQ(PointCount(GetData), QStringLiteral("10 points"));
        for (int r = 11; r <= 30; ++r) {
            EXPECT_EQ(GetData.OriginGrid1->Cell(0, r), "") << r;
            EXPECT_EQ(GetData.OriginGrid1->Cell(1, r), "") << r;
        }
        Click(GetData.Button1);
    });
    ExpectDataSetIs(Main.State(), few);
}

TEST_F(DataEntry, TheCountNamesFilledRowsBelowTheFirstRowWithoutC) {
    const QString text = QStringLiteral(
        "0.001\t8.1\r\n0.002\t8.2\r\n0.003\t8.3\r\n\r\n"
        "0.005\t8.5\r\n0.006\t8.6\r\n");
    WithDataDialog([&] {
        PasteIntoDataGrid(text);
        EXPECT_EQ(PointCount(GetData),
                  QStringLiteral("3 points\nNot taken: 2 filled rows from row 4 on"));
        // Typing the missing C joins the rows below; the Shift column plays no part in the
        // count; deleting a C cuts the rows below it off again.
        TypeIntoCell(*GetData.OriginGrid1, 0, 4, QStringLiteral("0.004"));
        EXPECT_EQ(PointCount(GetData), QStringLiteral("6 points"));
        TypeIntoCell(*GetData.OriginGrid1, 1, 4, QStringLiteral("8.4"));
        EXPECT_EQ(PointCount(GetData), QStringLiteral("6 points"));
        TypeIntoCell(*GetData.OriginGrid1, 0, 2, QString());
        EXPECT_EQ(PointCount(GetData),
                  QStringLiteral("1 point\nNot taken: 5 filled rows from row 2 on"));
        Click(GetData.Button1);
    });
    EXPECT_EQ(Main.State().PointCount, 1);
}

// A refused entry names the place on a second line, keeps the data set, and the dialog opens
// on that place next time.
TEST_F(DataEntry, ARefusedEntryNamesItsPlaceAndTheDialogOpensThere) {
    EnterExample("titration-1to1.txt");
    const std::vector<TDataPoint> before = Main.State().Points;
    const struct {
        const char* Name;
        int Col;
        int Row;
        QString Text;
        QString Message;
    } cases[] = {
        {"negative C", 0, 7, QStringLiteral("-0.007"),
         QStringLiteral("Concentrations cannot be negative: '-0.007'\nRow 7, column C")},
        {"shift not a number", 1, 12, QStringLiteral("8.x"),
         QStringLiteral("'8.x' is not a valid floating point value\nRow 12, column Shift")},
        {"negative P0", -1, -1, QStringLiteral("-0.01"),
         QStringLiteral("Concentrations cannot be negative: '-0.01'\n"
                        "Porphyrin concentration (P0)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Messages().clear();
        std::string old;
        WithDataDialog([&] {
            if (c.Row < 0) {
                old = GetData.Edit1->text().toStdString();
                TypeInto(GetData.Edit1, c.Text);
            } else {
                old = GetData.OriginGrid1->Cell(c.Col, c.Row);
                TypeIntoCell(*GetData.OriginGrid1, c.Col, c.Row, c.Text);
            }
            GetData.OriginGrid1->SetSelection({0, 1, 0, 1});
            Click(GetData.Button1);
        });
        EXPECT_EQ(Messages(), QStringList{c.Message});
        ASSERT_EQ(Main.State().Points.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(Main.State().Points[i].Conc, before[i].Conc);
        }
        EXPECT_EQ(Main.State().PorphyrinConc, 0.01);

        WithDataDialog([&] {
            if (c.Row < 0) {
                EXPECT_EQ(GetData.focusWidget(), GetData.Edit1);
                EXPECT_EQ(GetData.Edit1->selectedText(), c.Text);
                TypeInto(GetData.Edit1, QString::fromStdString(old));
            } else {
                EXPECT_EQ(GetData.focusWidget(), GetData.OriginGrid1);
                EXPECT_EQ(GetData.OriginGrid1->Selection(),
                          (TGridRect{c.Col, c.Row, c.Col, c.Row}));
                TypeIntoCell(*GetData.OriginGrid1, c.Col, c.Row, QString::fromStdString(old));
            }
            Click(GetData.Button2);
        });
    }
    // Mended, the same data go in without a word.
    Messages().clear();
    WithDataDialog([&] { Click(GetData.Button1); });
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

}  // namespace
}  // namespace kelmora::uitest
