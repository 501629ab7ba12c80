#include "ui/ImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qtutil/QtText.h"

namespace kelmora {

QString DataFileColumnName(const TDataFile& file, int k) {
    const QString number = QStringLiteral("Column %1").arg(k + 1);
    if (k < static_cast<int>(file.Header.size()) && !file.Header[k].empty()) {
        return number + QStringLiteral(": ") + ToQString(file.Header[k]);
    }
    return number;
}

QTableWidget* DataFilePreview(const TDataFile& file, QWidget* parent) {
    const int rows = std::min(static_cast<int>(file.Rows.size()), TImportDialog::PreviewRows);
    const int columns = std::min(file.ColumnCount, TImportDialog::PreviewColumns);
    auto* preview = new QTableWidget(rows, columns, parent);
    preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview->setSelectionMode(QAbstractItemView::NoSelection);
    QStringList names;
    for (int k = 0; k < columns; ++k) {
        names << DataFileColumnName(file, k);
    }
    preview->setHorizontalHeaderLabels(names);
    QStringList lines;
    for (int r = 0; r < rows; ++r) {
        const TDataFile::TRow& row = file.Rows[static_cast<std::size_t>(r)];
        lines << QString::number(row.Line);
        for (int k = 0; k < std::min(static_cast<int>(row.Fields.size()), columns); ++k) {
            preview->setItem(r, k, new QTableWidgetItem(ToQString(row.Fields[k])));
        }
    }
    preview->setVerticalHeaderLabels(lines);  // the file's own line numbers
    preview->resizeColumnsToContents();
    preview->setMinimumSize(480, 280);
    return preview;
}

void MarkPreviewColumns(QTableWidget* preview, const std::vector<int>& columns) {
    QColor chosen = preview->palette().color(QPalette::Highlight);
    chosen.setAlpha(60);
    for (int r = 0; r < preview->rowCount(); ++r) {
        for (int k = 0; k < preview->columnCount(); ++k) {
            if (QTableWidgetItem* item = preview->item(r, k)) {
                const bool used = std::find(columns.begin(), columns.end(), k) != columns.end();
                item->setBackground(used ? QBrush(chosen) : QBrush());
            }
        }
    }
}

QString DataFileLayoutText(const TDataFile& file) {
    QString columns;
    switch (file.Separator) {
        case TColumnSeparator::Tab:
            columns = QStringLiteral("separated by TABs");
            break;
        case TColumnSeparator::Semicolon:
            columns = QStringLiteral("separated by semicolons");
            break;
        case TColumnSeparator::Comma:
            columns = QStringLiteral("separated by commas");
            break;
        case TColumnSeparator::Blanks:
            columns = QStringLiteral("separated by blanks");
            break;
    }
    return QStringLiteral("%1 data lines%2, %3 columns %4, decimal %5")
        .arg(file.Rows.size())
        .arg(file.Header.empty() ? QString() : QStringLiteral(" below a header"))
        .arg(file.ColumnCount)
        .arg(columns, file.DecimalMark == ',' ? QStringLiteral("comma") : QStringLiteral("point"));
}

TImportDialog::TImportDialog(const TDataFile& file, const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import Data - %1").arg(fileName));
    auto* layout = new QVBoxLayout(this);

    const int columns = std::min(file.ColumnCount, PreviewColumns);
    QString layoutText = DataFileLayoutText(file);
    if (columns < file.ColumnCount) {
        layoutText += QStringLiteral("; the first %1 columns are offered").arg(columns);
    }
    LayoutLabel = new QLabel(layoutText, this);
    layout->addWidget(LayoutLabel);

    Preview = DataFilePreview(file, this);
    layout->addWidget(Preview);
    QStringList names;
    for (int k = 0; k < columns; ++k) {
        names << DataFileColumnName(file, k);
    }

    auto* choice = new QFormLayout();
    CColumnBox = new QComboBox(this);
    ShiftColumnBox = new QComboBox(this);
    CColumnBox->addItems(names);
    ShiftColumnBox->addItems(names);
    const std::array<int, 2> guess = GuessDataColumns(file);
    CColumnBox->setCurrentIndex(guess[0] < columns ? guess[0] : 0);
    ShiftColumnBox->setCurrentIndex(guess[1] < columns ? guess[1] : 1);
    choice->addRow(QStringLiteral("C, mol/l:"), CColumnBox);
    choice->addRow(QStringLiteral("Shift, ppm:"), ShiftColumnBox);
    layout->addLayout(choice);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
    layout->addWidget(Buttons);

    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(CColumnBox, &QComboBox::currentIndexChanged, this, &TImportDialog::MarkChosenColumns);
    connect(ShiftColumnBox, &QComboBox::currentIndexChanged, this,
            &TImportDialog::MarkChosenColumns);
    MarkChosenColumns();
}

int TImportDialog::CColumn() const {
    return CColumnBox->currentIndex();
}

int TImportDialog::ShiftColumn() const {
    return ShiftColumnBox->currentIndex();
}

// The chosen columns stand out in the preview, and one column cannot be both.
void TImportDialog::MarkChosenColumns() {
    MarkPreviewColumns(Preview, {CColumn(), ShiftColumn()});
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(CColumn() != ShiftColumn());
}

}  // namespace kelmora
