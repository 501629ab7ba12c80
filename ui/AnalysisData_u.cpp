// The Analysis window's data side: the sheet with its paste rules, the P0, and the commands
// that fill or empty the sheet.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "analysisview/AnalysisSheet.h"
#include "analysisview/SheetImport.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/QtText.h"
#include "ui/AnalysisWidgets.h"
#include "ui/Analysis_u.h"
#include "ui/FileMenu.h"
#include "ui/TitrationImportDialog.h"
#include "ui/VolumesDialog.h"
#include "ui/main_u.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

QWidget* TAnalysisForm::CreateDataPanel() {
    auto* box = new QGroupBox(QStringLiteral("Data"), this);
    DataGrid = EditableGrid(box, SheetColCount, AnalysisSheetRows, 84);
    ResetSheetHeader(*DataGrid);
    DataGrid->installEventFilter(this);
    connect(DataGrid->model(), &QAbstractItemModel::dataChanged, this, &TAnalysisForm::UpdateCount);
    connect(DataGrid->model(), &QAbstractItemModel::rowsInserted, this,
            &TAnalysisForm::UpdateCount);
    connect(DataGrid->model(), &QAbstractItemModel::modelReset, this, &TAnalysisForm::UpdateCount);

    P0Edit = new QLineEdit(box);
    auto* p0Label = new QLabel(QStringLiteral("P0, M (when the P0 column is empty)"), box);
    p0Label->setBuddy(P0Edit);
    FromMainButton = PlainButton(QStringLiteral("From main window"), box);
    connect(FromMainButton, &QPushButton::clicked, this, &TAnalysisForm::FromMainButtonClick);
    FromVolumesButton = PlainButton(QStringLiteral("From volumes…"), box);
    connect(FromVolumesButton, &QPushButton::clicked, this, &TAnalysisForm::FromVolumesButtonClick);
    VolumesDialog = new TVolumesDialog(this);
    ImportButton = PlainButton(QStringLiteral("Import titration…"), box);
    connect(ImportButton, &QPushButton::clicked, this, &TAnalysisForm::ImportButtonClick);
    ClearSheetButton = PlainButton(QStringLiteral("Clear sheet"), box);
    connect(ClearSheetButton, &QPushButton::clicked, this, &TAnalysisForm::ClearSheetButtonClick);
    CountLabel = new QLabel(box);
    CountLabel->setWordWrap(true);
    ClearOutsideButton = PlainButton(QStringLiteral("Clear them"), box);
    ClearOutsideButton->hide();
    connect(ClearOutsideButton, &QPushButton::clicked, this,
            &TAnalysisForm::ClearOutsideButtonClick);

    auto* p0Row = new QHBoxLayout();
    p0Row->addWidget(p0Label);
    p0Row->addWidget(P0Edit, 1);
    auto* countRow = new QHBoxLayout();
    countRow->addWidget(CountLabel, 1);
    countRow->addWidget(ClearOutsideButton);
    auto* commandRow = new QHBoxLayout();
    commandRow->addWidget(ImportButton);
    commandRow->addStretch(1);
    commandRow->addWidget(ClearSheetButton);
    commandRow->addWidget(FromVolumesButton);
    commandRow->addWidget(FromMainButton);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(DataGrid, 1);
    layout->addLayout(p0Row);
    layout->addLayout(countRow);
    layout->addLayout(commandRow);
    return box;
}

void TAnalysisForm::UpdateCount() {
    const bool outside = pasted_ && DataOutside(*DataGrid, *pasted_);
    CountLabel->setText(ToQString(CountText(*DataGrid, pasted_)));
    CountLabel->setStyleSheet(outside ? QStringLiteral("color: #b00000") : QString());
    ClearOutsideButton->setVisible(outside);
}

void TAnalysisForm::SheetReplaced() {
    pasted_.reset();
    UpdateCount();
}

void TAnalysisForm::ClearSheetButtonClick() {
    ClearSheet(DataGrid->Core());
    volumes_.reset();
    SheetReplaced();
}

// C and P0 for every point from the volumes; the shifts stay as they are.
void TAnalysisForm::FromVolumesButtonClick() {
    VolumesDialog->SetTexts(volumes_.value_or(TVolumeTexts{}));
    if (VolumesDialog->exec() != QDialog::Accepted) {
        return;
    }
    const std::vector<TVolumePoint>& points = VolumesDialog->Points();
    TGridCore& sheet = DataGrid->Core();
    sheet.SetRowCount(std::max(sheet.RowCount(), static_cast<int>(points.size()) + 1));
    for (int row = 1; row < sheet.RowCount(); ++row) {
        const auto k = static_cast<std::size_t>(row - 1);
        sheet.SetCell(SheetColC, row, k < points.size() ? FormatGeneral(points[k].C) : "");
        sheet.SetCell(SheetColP0, row, k < points.size() ? FormatGeneral(points[k].P0) : "");
    }
    volumes_ = VolumesDialog->Texts();
    SheetReplaced();
}

void TAnalysisForm::ImportButtonClick() {
    QString name;
    if (const std::optional<TDataFile> file =
            mainForm_->Files->AskDataFile(this, QStringLiteral("Import titration"), &name)) {
        ImportTitration(*file, name);
    }
}

void TAnalysisForm::ImportTitration(const TDataFile& file, const QString& fileName) {
    TTitrationImportDialog dialog(file, fileName, this);
    QMetaObject::invokeMethod(
        this, [this, &dialog] { Q_EMIT ImportDialogShown(&dialog); }, Qt::QueuedConnection);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const TTitrationColumns columns = dialog.Columns();
    RestoreSheetCells(ImportedSheetCells(file, columns, fileName.toStdString()), DataGrid->Core(),
                      AnalysisSheetRows);
    if (columns.Host < 0 && !dialog.P0Text().empty()) {
        P0Edit->setText(ToQString(dialog.P0Text()));
    }
    volumes_.reset();
    SheetReplaced();
}

void TAnalysisForm::ClearOutsideButtonClick() {
    if (pasted_) {
        ClearOutside(DataGrid->Core(), *pasted_);
    }
    SheetReplaced();
}

void TAnalysisForm::FromMainButtonClick() {
    const TFitState& state = mainForm_->State();
    std::vector<std::vector<std::string>> cells(1);  // the default header
    for (int i = 0; i < state.PointCount; ++i) {
        const TDataPoint& p = state.Points[std::size_t(i)];
        std::vector<std::string>& row = cells.emplace_back(SheetFirstShiftCol + 1);
        row[SheetColC] = FormatGeneral(p.Conc);
        row[SheetFirstShiftCol] = FormatGeneral(p.ExpShift);
    }
    RestoreSheetCells(cells, DataGrid->Core(), AnalysisSheetRows);
    P0Edit->setText(ToQString(FormatGeneral(state.PorphyrinConc)));
    volumes_.reset();
    SheetReplaced();
}

void TAnalysisForm::DecimalSeparatorChanged() {
    const std::string& ch = NumberDecimalSeparator();
    const std::string other = OtherSeparator(ch);
    for (QLineEdit* edit : {P0Edit, ConcErrorEdit}) {
        edit->setText(ToQString(ReplaceChar(edit->text().toStdString(), other, ch)));
    }
    for (int row = 1; row < FixedGrid->RowCount(); ++row) {
        FixedGrid->SetCell(1, row, ReplaceChar(FixedGrid->Cell(1, row), other, ch));
    }
    for (int row = 1; row < DataGrid->RowCount(); ++row) {
        for (int col = 0; col < SheetColCount; ++col) {
            const std::string text = DataGrid->Cell(col, row);
            if (text.find(other) != std::string::npos) {
                DataGrid->SetCell(col, row, ReplaceChar(text, other, ch));
            }
        }
    }
}

}  // namespace kelmora
