#include "ui/TitrationImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/ImportDialog.h"

namespace kelmora {

TTitrationImportDialog::TTitrationImportDialog(const TDataFile& file, const QString& fileName,
                                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import titration - %1").arg(fileName));
    LayoutLabel = new QLabel(DataFileLayoutText(file), this);
    Preview = DataFilePreview(file, this);
    CColumnBox = new QComboBox(this);
    HostColumnBox = new QComboBox(this);
    HostColumnBox->addItem(QStringLiteral("none: one P0 for all points"));
    P0Edit = new QLineEdit(this);
    SignalList = new QListWidget(this);
    const TTitrationColumns guess = GuessTitrationColumns(file);
    for (int k = 0; k < file.ColumnCount; ++k) {
        const QString name = DataFileColumnName(file, k);
        CColumnBox->addItem(name);
        HostColumnBox->addItem(name);
        auto* item = new QListWidgetItem(name, SignalList);
        const bool signal =
            std::find(guess.Signals.begin(), guess.Signals.end(), k) != guess.Signals.end();
        item->setCheckState(signal ? Qt::Checked : Qt::Unchecked);
    }
    CColumnBox->setCurrentIndex(std::max(guess.C, 0));
    HostColumnBox->setCurrentIndex(guess.Host + 1);
    SignalList->setMaximumHeight(120);

    auto* choice = new QFormLayout();
    choice->addRow(QStringLiteral("C, M"), CColumnBox);
    choice->addRow(QStringLiteral("Host, M"), HostColumnBox);
    choice->addRow(QStringLiteral("P0, M (without a host column)"), P0Edit);
    choice->addRow(QStringLiteral("Signals"), SignalList);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(CColumnBox, &QComboBox::currentIndexChanged, this,
            &TTitrationImportDialog::ChoiceChanged);
    connect(HostColumnBox, &QComboBox::currentIndexChanged, this,
            &TTitrationImportDialog::ChoiceChanged);
    connect(SignalList, &QListWidget::itemChanged, this, &TTitrationImportDialog::ChoiceChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LayoutLabel);
    layout->addWidget(Preview, 1);
    layout->addLayout(choice);
    layout->addWidget(Buttons);
    ChoiceChanged();
}

TTitrationColumns TTitrationImportDialog::Columns() const {
    TTitrationColumns columns;
    columns.C = CColumnBox->currentIndex();
    columns.Host = HostColumnBox->currentIndex() - 1;
    for (int k = 0; k < SignalList->count(); ++k) {
        if (SignalList->item(k)->checkState() == Qt::Checked) {
            columns.Signals.push_back(k);
        }
    }
    return columns;
}

std::string TTitrationImportDialog::P0Text() const {
    return P0Edit->text().toStdString();
}

void TTitrationImportDialog::ChoiceChanged() {
    const TTitrationColumns columns = Columns();
    std::vector<int> used = columns.Signals;
    used.push_back(columns.C);
    used.push_back(columns.Host);
    MarkPreviewColumns(Preview, used);
    P0Edit->setEnabled(columns.Host < 0);
}

}  // namespace kelmora
