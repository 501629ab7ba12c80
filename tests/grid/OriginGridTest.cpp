#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest/QtTest>
#include <memory>

#include "grid/OriginGrid_u.h"
#include "util/Errors.h"

using namespace kelmora;

namespace {

constexpr int kColWidth = 64;
constexpr int kRowHeight = 24;

// A shown grid of cols x rows whose cell (c, r) holds "c,r"; columns 64 and rows 24 pixels.
std::unique_ptr<TOriginGrid> MakeGrid(int cols, int rows, int fixedCols, int fixedRows,
                                      bool editing) {
    auto g = std::make_unique<TOriginGrid>();
    g->SetColCount(cols);
    g->SetRowCount(rows);
    g->SetFixedCols(fixedCols);
    g->SetFixedRows(fixedRows);
    g->SetDefaultColWidth(kColWidth);
    g->SetDefaultRowHeight(kRowHeight);
    g->SetEditing(editing);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            g->SetCell(c, r, std::to_string(c) + "," + std::to_string(r));
        }
    }
    g->resize(500, 400);
    g->show();
    return g;
}

// A point in the header row over column col, in the coordinates of the header's viewport.
QPoint OverHeader(const TOriginGrid& g, int col) {
    return g.FromGridPoint(g.horizontalHeader()->viewport(), {col * kColWidth + 10, 5});
}

// The view's selection as one rectangle of core coordinates, or nothing.
std::optional<TGridRect> ViewSelection(const TOriginGrid& g) {
    const QItemSelection sel = g.selectionModel()->selection();
    if (sel.size() != 1) {
        return std::nullopt;
    }
    const QItemSelectionRange& r = sel.first();
    return TGridRect{r.left() + g.FixedCols(), r.top() + g.FixedRows(), r.right() + g.FixedCols(),
                     r.bottom() + g.FixedRows()};
}

std::string Padded(const std::string& s) {
    return s + std::string(15 - s.size(), ' ');
}

}  // namespace

class TOriginGridTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void ModelStaysConsistentThroughEveryChange() {
        auto g = MakeGrid(4, 6, 1, 1, true);
        QAbstractItemModelTester tester(g->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        g->SetRowCount(9);
        g->SetColCount(3);
        g->SetFixedCols(0);
        g->SetFixedRows(2);
        g->SetSelection({0, 2, 1, 2});
        QGuiApplication::clipboard()->setText(QStringLiteral("1 2\n3\n\n4\n5 6 7\n6\n7\n8\n"));
        g->PasteFromClipboard();
        QCOMPARE(g->RowCount(), 10);
        QCOMPARE(g->model()->rowCount(), 8);
        g->SetCell(0, 0, "top");
        g->ClearSelection();
        g->ClearGrid();
        QCOMPARE(g->model()->rowCount(), 1);
        QCOMPARE(g->model()->columnCount(), 1);
    }

    void FixedRowsAndColumnsAreFrozenHeaders() {
        auto g = MakeGrid(8, 7, 1, 1, true);
        g->SetCell(1, 0, "Value");
        g->SetCell(0, 1, "lg K1");
        QCOMPARE(g->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Value"));
        QCOMPARE(g->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("lg K1"));
        QCOMPARE(g->model()->data(g->model()->index(0, 0)).toString(), QStringLiteral("1,1"));
        QVERIFY(g->horizontalHeader()->isVisibleTo(g.get()));
        QCOMPARE(g->horizontalHeader()->sizeHint().height(), kRowHeight);
        QCOMPARE(g->verticalHeader()->sizeHint().width(), kColWidth);

        g->SetFixedCols(0);
        QVERIFY(!g->verticalHeader()->isVisibleTo(g.get()));
        QCOMPARE(g->model()->columnCount(), 8);

        g->SetColCount(20);
        g->horizontalScrollBar()->setValue(3);
        QCOMPARE(g->LeftCol(), 3);
        QCOMPARE(g->ColumnAt(10), 3);
    }

    void HeaderDragSelectsWholeColumns() {
        auto g = MakeGrid(5, 10, 1, 1, true);
        QWidget* header = g->horizontalHeader()->viewport();
        QTest::mousePress(header, Qt::LeftButton, {}, OverHeader(*g, 3));
        QCOMPARE(g->AnchorCol(), 3);
        QCOMPARE(g->Selection(), (TGridRect{3, 0, 3, 9}));
        QTest::mouseMove(header, OverHeader(*g, 1));
        QCOMPARE(g->Selection(), (TGridRect{1, 0, 3, 9}));
        QCOMPARE(ViewSelection(*g), (TGridRect{1, 1, 3, 9}));
        QTest::mouseMove(header, OverHeader(*g, 3));
        QCOMPARE(g->Selection(), (TGridRect{3, 0, 3, 9}));
        QCOMPARE(ViewSelection(*g), (TGridRect{3, 1, 3, 9}));
        // The press grabbed the mouse for the header, so the release comes there from anywhere.
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(-300, 900));
        QCOMPARE(g->AnchorCol(), -1);
        QTest::mouseMove(header, OverHeader(*g, 1));
        QCOMPARE(g->Selection(), (TGridRect{3, 0, 3, 9}));
    }

    void PressOverFixedColumnSelectsNothing() {
        auto g = MakeGrid(5, 10, 1, 1, true);
        g->SetSelection({2, 3, 2, 3});
        QWidget* corner = g->findChild<QAbstractButton*>();
        QVERIFY(corner);
        QTest::mousePress(corner, Qt::LeftButton, {}, g->FromGridPoint(corner, {10, 5}));
        QCOMPARE(g->AnchorCol(), -1);
        QCOMPARE(g->Selection(), (TGridRect{2, 3, 2, 3}));
        QTest::mouseRelease(corner, Qt::LeftButton, {}, g->FromGridPoint(corner, {10, 5}));
    }

    void ClickInCellsMovesTheCoreSelection() {
        auto g = MakeGrid(5, 10, 1, 1, true);
        const QModelIndex cell = g->model()->index(4, 2);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(cell).center());
        QCOMPARE(g->Selection(), (TGridRect{3, 5, 3, 5}));
        g->SetSelection({1, 2, 2, 4});
        QCOMPARE(ViewSelection(*g), (TGridRect{1, 2, 2, 4}));
        QCOMPARE(g->currentIndex(), g->model()->index(3, 1));
    }

    void CtrlCPutsTheDocumentedTextOnTheClipboard_data() {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("editing") << true << int(Qt::ControlModifier);
        QTest::newRow("read-only") << false << int(Qt::ControlModifier);
        QTest::newRow("with shift") << false << int(Qt::ControlModifier | Qt::ShiftModifier);
    }
    void CtrlCPutsTheDocumentedTextOnTheClipboard() {
        QFETCH(bool, editing);
        QFETCH(int, modifiers);
        auto g = MakeGrid(3, 4, 0, 1, editing);
        g->SetCell(0, 1, "0.01");
        g->SetCell(1, 1, "8.3121");
        g->SetSelection({0, 0, 1, 2});  // the header row is never copied
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        QTest::keyClick(g.get(), Qt::Key_C, Qt::KeyboardModifiers(modifiers));
        const std::string expected = Padded("0.01") + "\t" + Padded("8.3121") + "\r\n" +
                                     Padded("0,2") + "\t" + Padded("1,2") + "\r\n";
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), expected);
    }

    void CtrlVGrowsTheTable() {
        auto g = MakeGrid(2, 5, 0, 1, true);
        g->SetSelection({0, 3, 1, 3});
        QGuiApplication::clipboard()->setText(QStringLiteral("1\t2\r\n3 4\r\n5\r\n"));
        QTest::keyClick(g.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(g->RowCount(), 6);
        QCOMPARE(g->model()->rowCount(), 5);
        QCOMPARE(g->Cell(0, 3), std::string("1"));
        QCOMPARE(g->Cell(1, 4), std::string("4"));
        QCOMPARE(g->Cell(0, 5), std::string("5"));
        QCOMPARE(g->model()->data(g->model()->index(4, 0)).toString(), QStringLiteral("5"));
        QCOMPARE(g->Selection(), (TGridRect{0, 3, 1, 3}));
    }

    void PasteOfAHundredThousandLines() {
        auto g = MakeGrid(2, 100, 0, 1, true);
        g->SetSelection({0, 1, 1, 1});
        QString text;
        for (int i = 0; i < 100000; ++i) {
            text += QString::number(i) + QStringLiteral("\t1.5\r\n");
        }
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(g.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(g->RowCount(), 100001);
        QCOMPARE(g->model()->rowCount(), 100000);
        QCOMPARE(g->Cell(0, 100000), std::string("99999"));
        g->scrollToBottom();
        QCOMPARE(g->rowAt(g->viewport()->height() - 1), 99999);
    }

    void DeleteClearsAWholeColumnButKeepsItsHeader() {
        auto g = MakeGrid(3, 6, 0, 1, true);
        QWidget* header = g->horizontalHeader()->viewport();
        QTest::mouseClick(header, Qt::LeftButton, {}, OverHeader(*g, 1));
        QCOMPARE(g->Selection(), (TGridRect{1, 0, 1, 5}));
        QTest::keyClick(g.get(), Qt::Key_Delete);
        QCOMPARE(g->Cell(1, 0), std::string("1,0"));
        for (int r = 1; r < 6; ++r) {
            QCOMPARE(g->Cell(1, r), std::string());
            QCOMPARE(g->Cell(0, r), "0," + std::to_string(r));
            QCOMPARE(g->Cell(2, r), "2," + std::to_string(r));
        }
    }

    void PasteAndDeleteDoNothingWhenNotEditing_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Ctrl+V") << int(Qt::Key_V);
        QTest::newRow("Delete") << int(Qt::Key_Delete);
    }
    void PasteAndDeleteDoNothingWhenNotEditing() {
        QFETCH(int, key);
        auto g = MakeGrid(2, 3, 0, 1, false);
        g->SetSelection({0, 1, 1, 2});
        QGuiApplication::clipboard()->setText(QStringLiteral("a\nb\nc\nd\n"));
        QTest::keyClick(g.get(), Qt::Key(key),
                        key == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(g->RowCount(), 3);
        QCOMPARE(g->Cell(0, 1), std::string("0,1"));
        QCOMPARE(g->Cell(1, 2), std::string("1,2"));
    }

    void TypingOpensTheEditorOnlyWhenEditing() {
        auto g = MakeGrid(2, 3, 0, 1, false);
        g->SetSelection({1, 1, 1, 1});
        QTest::keyClick(g.get(), Qt::Key_X);
        QVERIFY(!g->findChild<QLineEdit*>());
        QCOMPARE(g->Cell(1, 1), std::string("1,1"));

        g->SetEditing(true);
        QTest::keyClick(g.get(), Qt::Key_X);
        auto* editor = g->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("x"));
        QSignalSpy changed(g->model(), &QAbstractItemModel::dataChanged);
        QTest::keyClick(editor, Qt::Key_Return);  // the delegate commits on its next turn
        QVERIFY(changed.count() > 0 || changed.wait());
        QCOMPARE(g->Cell(1, 1), std::string("x"));
    }

    void ClipboardKeysInTheEditorActOnItsText() {
        auto g = MakeGrid(2, 3, 0, 1, true);
        g->SetSelection({0, 1, 0, 1});
        QTest::keyClick(g.get(), Qt::Key_7);
        auto* editor = g->findChild<QLineEdit*>();
        QVERIFY(editor);
        QGuiApplication::clipboard()->setText(QStringLiteral("89\n"));
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(editor->text().startsWith(QStringLiteral("789")));
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_Delete);
        QVERIFY(editor->text().startsWith(QStringLiteral("89")));
        QCOMPARE(g->RowCount(), 3);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(g->Cell(0, 1), std::string("0,1"));
    }

    void NavigationKeysMoveTheCurrentCell() {
        auto g = MakeGrid(4, 6, 1, 1, true);
        g->SetSelection({1, 1, 1, 1});
        QTest::keyClick(g.get(), Qt::Key_Down);
        QTest::keyClick(g.get(), Qt::Key_Right);
        QCOMPARE(g->Selection(), (TGridRect{2, 2, 2, 2}));
        QTest::keyClick(g.get(), Qt::Key_F2);
        QVERIFY(g->findChild<QLineEdit*>());
    }

    void BrokenClipboardRaisesAndChangesNothing() {
        struct TBroken : IClipboard {
            std::string GetText() override { throw EKelmoraError("Cannot open clipboard"); }
            void SetText(const std::string&) override {
                throw EKelmoraError("Cannot open clipboard");
            }
        } broken;
        auto g = MakeGrid(2, 3, 0, 1, true);
        TOriginGrid::SetClipboardForTests(&broken);
        QVERIFY_THROWS_EXCEPTION(EKelmoraError, g->PasteFromClipboard());
        QVERIFY_THROWS_EXCEPTION(EKelmoraError, g->SelectAllAndCopy());
        TOriginGrid::SetClipboardForTests(nullptr);
        QCOMPARE(g->RowCount(), 3);
    }
};

QTEST_MAIN(TOriginGridTest)
#include "OriginGridTest.moc"
