#include "ui/VolumesDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "grid/OriginGrid_u.h"
#include "qtutil/QtText.h"
#include "ui/AnalysisWidgets.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

double Read(const QLineEdit* edit) {
    return ParseFloat(edit->text().toStdString());
}

}  // namespace

TVolumesDialog::TVolumesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Concentrations from volumes"));
    HostStockEdit = new QLineEdit(this);
    LigandStockEdit = new QLineEdit(this);
    HostInLigandCheck = new QCheckBox(
        QStringLiteral("The ligand stock also holds host at the host stock's concentration"), this);
    StartVolumeEdit = new QLineEdit(this);
    EachAdditionRadio = new QRadioButton(QStringLiteral("each addition"), this);
    RunningTotalRadio = new QRadioButton(QStringLiteral("running total"), this);
    EachAdditionRadio->setChecked(true);
    AddedGrid = EditableGrid(this, 1, AnalysisSheetRows, 160);
    AddedGrid->SetCell(0, 0, "Added, µL");
    AddedGrid->setMinimumHeight(220);

    auto* kind = new QHBoxLayout();
    kind->addWidget(EachAdditionRadio);
    kind->addWidget(RunningTotalRadio);
    kind->addStretch(1);
    auto* form = new QFormLayout();
    form->addRow(QStringLiteral("Host stock, M"), HostStockEdit);
    form->addRow(QStringLiteral("Ligand stock, M"), LigandStockEdit);
    form->addRow(QString(), HostInLigandCheck);
    form->addRow(QStringLiteral("Starting volume, µL"), StartVolumeEdit);
    form->addRow(QStringLiteral("Added volumes are"), kind);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &TVolumesDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(AddedGrid, 1);
    layout->addWidget(Buttons);
}

void TVolumesDialog::SetTexts(const TVolumeTexts& texts) {
    HostStockEdit->setText(ToQString(texts.HostStock));
    LigandStockEdit->setText(ToQString(texts.LigandStock));
    HostInLigandCheck->setChecked(texts.HostInLigand);
    StartVolumeEdit->setText(ToQString(texts.StartVolume));
    (texts.RunningTotal ? RunningTotalRadio : EachAdditionRadio)->setChecked(true);
    AddedGrid->SetRowCount(std::max(AnalysisSheetRows, static_cast<int>(texts.Added.size()) + 1));
    for (int row = 1; row < AddedGrid->RowCount(); ++row) {
        const auto k = static_cast<std::size_t>(row - 1);
        AddedGrid->SetCell(0, row, k < texts.Added.size() ? texts.Added[k] : std::string());
    }
}

// The added volumes run down to the first blank cell, as the sheet's points do.
TVolumeTexts TVolumesDialog::Texts() const {
    TVolumeTexts texts;
    texts.HostStock = HostStockEdit->text().toStdString();
    texts.LigandStock = LigandStockEdit->text().toStdString();
    texts.HostInLigand = HostInLigandCheck->isChecked();
    texts.StartVolume = StartVolumeEdit->text().toStdString();
    texts.RunningTotal = RunningTotalRadio->isChecked();
    for (int row = 1; row < AddedGrid->RowCount() && HasNonBlank(AddedGrid->Cell(0, row)); ++row) {
        texts.Added.push_back(AddedGrid->Cell(0, row));
    }
    return texts;
}

void TVolumesDialog::accept() {
    TVolumeRecipe recipe;
    recipe.HostStock = Read(HostStockEdit);
    recipe.LigandStock = Read(LigandStockEdit);
    recipe.HostInLigand = HostInLigandCheck->isChecked();
    recipe.StartVolume = Read(StartVolumeEdit);
    recipe.RunningTotal = RunningTotalRadio->isChecked();
    for (const std::string& text : Texts().Added) {
        recipe.Added.push_back(ParseFloat(text));
    }
    points_ = ConcentrationsFromVolumes(recipe);
    QDialog::accept();
}

}  // namespace kelmora
