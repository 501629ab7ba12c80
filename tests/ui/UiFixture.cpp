#include "UiFixture.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "ui/FileMenu.h"
#include "util/NumberText.h"

namespace kelmora::uitest {

QStringList& Messages() {
    static QStringList messages;
    return messages;
}

std::vector<TExampleLine> ReadExample(const std::string& fileName) {
    std::ifstream in(std::string(KELMORA_EXAMPLES_DIR) + "/" + fileName);
    EXPECT_TRUE(in) << "missing example " << fileName;
    std::vector<TExampleLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        TExampleLine l;
        if (fields >> l.C >> l.Shift) {
            lines.push_back(l);
        }
    }
    return lines;
}

QString ClipboardText(const std::vector<TExampleLine>& lines) {
    QString text;
    for (const TExampleLine& l : lines) {
        text += QString::fromStdString(l.C) + QLatin1Char('\t') + QString::fromStdString(l.Shift) +
                QStringLiteral("\r\n");
    }
    return text;
}

TDialogDriver::TDialogDriver(QWidget* dialog, std::function<void()> action)
    : dialog_(dialog), action_(std::move(action)) {
    QTimer::singleShot(0, &context_, [this] { Poll(); });
}

void TDialogDriver::Poll() {
    if (!dialog_->isVisible()) {
        QTimer::singleShot(0, &context_, [this] { Poll(); });
        return;
    }
    ran_ = true;
    action_();
    if (dialog_->isVisible()) {
        ADD_FAILURE() << "the dialog is still open after the test's action";
        dialog_->close();
    }
}

TRunWhen::TRunWhen(std::function<bool()> ready, std::function<void()> action)
    : ready_(std::move(ready)), action_(std::move(action)) {
    QTimer::singleShot(0, &context_, [this] { Poll(); });
}

void TRunWhen::Poll() {
    if (!ready_()) {
        QTimer::singleShot(0, &context_, [this] { Poll(); });
        return;
    }
    ran_ = true;
    action_();
}

TUnsavedChoice TScriptedPrompts::AskUnsaved(QWidget*, const QString& documentName) {
    UnsavedAsked << documentName;
    return UnsavedAnswer;
}

QString TScriptedPrompts::NextFileName(const QString& caption) {
    FileCaptions << caption;
    return FileNames.isEmpty() ? QString() : FileNames.takeFirst();
}

QString TScriptedPrompts::OpenFileName(QWidget*, const QString& caption, const QString&) {
    return NextFileName(caption);
}

QString TScriptedPrompts::SaveFileName(QWidget*, const QString& caption, const QString&,
                                       const QString&) {
    return NextFileName(caption);
}

void TScriptedPrompts::ShowAbout(QWidget*, const QString& title, const QString& text) {
    AboutTitle = title;
    AboutText = text;
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void TypeIntoCell(TOriginGrid& grid, int col, int row, const QString& text) {
    const QModelIndex cell = grid.model()->index(row - grid.FixedRows(), col - grid.FixedCols());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
    ASSERT_EQ(grid.Selection(), (TGridRect{col, row, col, row}));
    QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
    if (text.isEmpty()) {
        QTest::keyClick(&grid, Qt::Key_Delete);
    } else {
        QTest::keyClicks(&grid, text.left(1));  // the first key opens the editor
        // Editors of earlier edits may still wait for their deferred deletion.
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid.findChildren<QLineEdit*>()) {
            if (e->isVisible()) {
                editor = e;
            }
        }
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
    }
    ASSERT_TRUE(changed.count() > 0 || changed.wait());
}

StartedProgram::StartedProgram() {
    Messages().clear();
    Main.Files->SetPrompts(&Prompts);
    Main.SetForms(&GetData, &OutGrid, &Minima);
    Main.UpdateDecSepButtonClick();
    Main.show();
}

void StartedProgram::TearDown() {
    QSettings().clear();
}

void StartedProgram::WithDataDialog(const std::function<void()>& inDialog) {
    TDialogDriver driver(&GetData, inDialog);
    Click(Main.Button5);
    EXPECT_TRUE(driver.Ran()) << "the data dialog was not shown";
}

void StartedProgram::PasteIntoDataGrid(const QString& clipboardText) {
    SelectDataColumnsByHeader();
    QGuiApplication::clipboard()->setText(clipboardText);
    QTest::keyClick(GetData.OriginGrid1, Qt::Key_V, Qt::ControlModifier);
}

void StartedProgram::SelectDataColumnsByHeader() {
    TOriginGrid& grid = *GetData.OriginGrid1;
    QWidget* header = grid.horizontalHeader()->viewport();
    const QPoint overC = grid.FromGridPoint(header, {10, 5});
    const QPoint overShift = grid.FromGridPoint(header, {130, 5});
    QTest::mousePress(header, Qt::LeftButton, {}, overC);
    QTest::mouseMove(header, overShift);
    QTest::mouseRelease(header, Qt::LeftButton, {}, overShift);
    EXPECT_EQ(grid.Selection(), (TGridRect{0, 0, 1, grid.RowCount() - 1}));
}

void StartedProgram::EnterData(const QString& clipboardText, bool ok) {
    WithDataDialog([&] {
        PasteIntoDataGrid(clipboardText);
        Click(ok ? GetData.Button1 : GetData.Button2);
    });
}

void StartedProgram::EnterExampleRepeated(const std::string& fileName, int copies) {
    std::vector<TExampleLine> lines;
    const std::vector<TExampleLine> example = ReadExample(fileName);
    for (int copy = 0; copy < copies; ++copy) {
        lines.insert(lines.end(), example.begin(), example.end());
    }
    EnterData(ClipboardText(lines));
}

double StartedProgram::TableValue(int i) const {
    return ParseFloat(ParamCell(1, i + 1));
}

std::string StartedProgram::TitleFor(double q) {
    return "Mean square exp.-theor.=" + FormatGeneral(q) +
           "×10⁻⁴ ppm², RMS=" + FormatGeneral(std::sqrt(q * 1e-4), 6) + " ppm";
}

QString StartedProgram::ChartTitle() const {
    return Main.Chart1->chart()->title();
}

double StartedProgram::FreshQ(const TParamVector& v) const {
    TFitState fresh;
    fresh.LoadDataSet(*GetData.OriginGrid1, GetData.Edit1->text().toStdString());
    fresh.ReadParamsTable(*Main.ParamsGrid, {DefaultIterCountText, false});
    fresh.SetParamValues(v);
    return fresh.ComputeQ();
}

void StartedProgram::ExpectTableShowsTheRecords() {
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = Main.State().FitParams[std::size_t(i)];
        EXPECT_EQ(ParamCell(1, i + 1), FormatGeneral(p.Value)) << "parameter " << i;
    }
}

}  // namespace kelmora::uitest
