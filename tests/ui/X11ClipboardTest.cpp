// Data pasted into the source-data grid from another program through the real X11 clipboard,
// and "Copy into table" read back by another program the same way.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "UiFixture.h"
#include "analysisview/AnalysisSheet.h"
#include "grid/OriginGrid_u.h"
#include "ui/Analysis_u.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora::uitest {
namespace {

using X11Clipboard = StartedProgram;

// xclip puts the text on the clipboard and stays in the background to serve it; Qt hears of
// the new owner through the clipboard's change signal.
void PutOnClipboardWithXclip(const QByteArray& text) {
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    QProcess xclip;
    xclip.setStandardOutputFile(QProcess::nullDevice());
    xclip.setStandardErrorFile(QProcess::nullDevice());
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write(text);
    xclip.closeWriteChannel();
    ASSERT_TRUE(xclip.waitForFinished());
    ASSERT_EQ(xclip.exitCode(), 0);
    ASSERT_TRUE(changed.count() > 0 || changed.wait());
}

// Our event loop keeps running while xclip asks, so the program can answer as the owner.
QByteArray ReadClipboardWithXclip() {
    QProcess xclip;
    QSignalSpy finished(&xclip, &QProcess::finished);
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    EXPECT_TRUE(finished.wait(20000));
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    return xclip.readAllStandardOutput();
}

TEST_F(X11Clipboard, PasteFromAnotherProgramAndReadCopyIntoTableBackWithDecimalCommas) {
    TypeInto(Main.SepLabEdit, QStringLiteral(","));
    Click(Main.UpdateDecSepButton);
    // Two different titrations, so that the second paste cannot pass on what the first left.
    const struct {
        const char* Name;
        const char* LineEnd;
        const char* Example;
    } cases[] = {
        {"CR LF", "\r\n", "titration-1to1.txt"},
        {"LF", "\n", "titration-1to2.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const char* lineEnd = c.LineEnd;
        const std::vector<TExampleLine> example = ReadExample(c.Example);
        ASSERT_EQ(example.size(), 30u);
        Messages().clear();
        std::string text;
        for (const TExampleLine& l : example) {
            text += ReplaceChar(l.C, ".", ",") + "\t" + ReplaceChar(l.Shift, ".", ",") + lineEnd;
        }
        PutOnClipboardWithXclip(QByteArray::fromStdString(text));

        WithDataDialog([&] {
            SelectDataColumnsByHeader();
            QTest::keyClick(GetData.OriginGrid1, Qt::Key_V, Qt::ControlModifier);
            for (std::size_t i = 0; i < example.size(); ++i) {
                const int row = static_cast<int>(i) + 1;
                EXPECT_EQ(GetData.OriginGrid1->Cell(0, row), ReplaceChar(example[i].C, ".", ","));
                EXPECT_EQ(GetData.OriginGrid1->Cell(1, row),
                          ReplaceChar(example[i].Shift, ".", ","));
            }
            Click(GetData.Button1);
        });
        ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
        ASSERT_EQ(Main.State().PointCount, 30);
        EXPECT_EQ(Main.State().Points[29].ExpShift,
                  ParseFloat(ReplaceChar(example[29].Shift, ".", ",")));

        Click(Main.Button1);
        TDialogDriver copier(&OutGrid, [this] {
            Click(OutGrid.Button1);
            Click(OutGrid.Button2);
        });
        Click(Main.Button4);
        ASSERT_TRUE(copier.Ran());

        const std::string copied = ReadClipboardWithXclip().toStdString();
        EXPECT_EQ(copied, OutGrid.OriginGrid1->Core().CopyText());
        EXPECT_EQ(copied.find('.'), std::string::npos) << copied;
        const std::vector<std::string> lines = SplitLines(copied);
        ASSERT_EQ(lines.size(), 30u);
        std::size_t at = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            at += lines[i].size();
            ASSERT_EQ(copied.substr(at, 2), "\r\n") << "line " << i;
            at += 2;
            const std::vector<std::string> cells = SplitCells(lines[i]);
            ASSERT_EQ(cells.size(), 4u) << lines[i];
            EXPECT_EQ(ParseFloat(cells[0]), Main.ChartData().Series[0].X(static_cast<int>(i)));
            EXPECT_EQ(cells[1], FormatGeneral(Main.ChartData().Series[0].Y(static_cast<int>(i))));
        }
    }
}

// A spreadsheet's copy with the P0 column left empty, as for a constant host: its TABs keep every
// shift in its own column, and the names on top name the signals.
TEST_F(X11Clipboard, AnEmptyColumnFromASpreadsheetKeepsItsPlaceInTheAnalysisSheet) {
    PutOnClipboardWithXclip("C\tP0\tHa\tHb\r\n0.001\t\t7.1\t8.1\r\n0.002\t\t7.2\t8.2\r\n");
    Click(Main.AnalysisButton);
    TAnalysisForm& form = *Main.AnalysisForm();
    form.DataGrid->SetSelection({SheetColC, 1, SheetColC, 1});
    QTest::keyClick(form.DataGrid, Qt::Key_V, Qt::ControlModifier);
    const analysis::TTitration t = ReadSheet(*form.DataGrid, "0.01");
    EXPECT_EQ(t.Conc, (std::vector<double>{0.001, 0.002}));
    EXPECT_EQ(t.Host, (std::vector<double>{0.01}));
    EXPECT_EQ(t.Shifts, (std::vector<std::vector<double>>{{7.1, 8.1}, {7.2, 8.2}}));
    EXPECT_EQ(t.SignalNames, (std::vector<std::string>{"Ha", "Hb"}));
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("2 points, 2 signals"));
}

}  // namespace
}  // namespace kelmora::uitest
