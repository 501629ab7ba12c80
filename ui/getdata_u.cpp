#include "ui/getdata_u.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "engine/DataEntry.h"
#include "engine/FitState.h"
#include "grid/DataCells.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/FormLayout.h"

namespace kelmora {

// The designed dialog, with two lines below it for the point count.
TGetDataForm::TGetDataForm(QWidget* parent) : TDesignedDialog(parent, 280, 501) {
    setWindowTitle(QStringLiteral("GetDataForm"));

    OriginGrid1 = new TOriginGrid(this);
    OriginGrid1->setGeometry(8, 8, 264, 361);
    OriginGrid1->SetColCount(2);
    OriginGrid1->SetRowCount(DataGridRows);
    OriginGrid1->SetFixedCols(0);
    OriginGrid1->SetFixedRows(1);
    OriginGrid1->SetDefaultColWidth(120);
    OriginGrid1->SetEditing(true);

    Label1 = new QLabel(QStringLiteral("Porphyrin concentration, gr-mol/liter"), this);
    Label1->move(10, 384);
    Label1->adjustSize();
    Edit1 = new QLineEdit(QStringLiteral("0.01"), this);
    Edit1->setGeometry(8, 401, 264, 21);
    Button1 = MakeButton(this, QStringLiteral("Ок"), 8, 432, 113, 25);
    Button2 = MakeButton(this, QStringLiteral("Отмена"), 159, 432, 113, 25);
    PointCountLabel = new QLabel(this);
    PointCountLabel->setGeometry(8, 462, 264, 34);
    PointCountLabel->setWordWrap(true);
    PointCountLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(Button1, &QPushButton::clicked, this, &TGetDataForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TGetDataForm::Button2Click);

    setTabOrder(OriginGrid1, Edit1);
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    FormCreate();

    // Every change of the table, typed, pasted or deleted, reaches the model's signals.
    const QAbstractItemModel* model = OriginGrid1->model();
    connect(model, &QAbstractItemModel::dataChanged, this, &TGetDataForm::UpdatePointCount);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TGetDataForm::UpdatePointCount);
    connect(model, &QAbstractItemModel::modelReset, this, &TGetDataForm::UpdatePointCount);
    UpdatePointCount();
}

void TGetDataForm::UpdatePointCount() {
    PointCountLabel->setText(QString::fromStdString(DataRowCountText(CountDataRows(*OriginGrid1))));
}

void TGetDataForm::MarkFaultyPlace(int col, int row) {
    if (row < 0) {
        faultyPlace_ = Edit1;
        return;
    }
    OriginGrid1->SetSelection({col, row, col, row});
    faultyPlace_ = OriginGrid1;
}

void TGetDataForm::showEvent(QShowEvent* event) {
    TDesignedDialog::showEvent(event);
    if (faultyPlace_ == OriginGrid1) {
        const TGridRect cell = OriginGrid1->Selection();
        OriginGrid1->scrollTo(OriginGrid1->model()->index(cell.Top - OriginGrid1->FixedRows(),
                                                          cell.Left - OriginGrid1->FixedCols()));
    } else if (faultyPlace_ == Edit1) {
        Edit1->selectAll();
    }
    if (faultyPlace_ != nullptr) {
        faultyPlace_->setFocus();
        faultyPlace_ = nullptr;
    }
}

void TGetDataForm::FormCreate() {
    OriginGrid1->SetCell(0, 0, "C");
    OriginGrid1->SetCell(1, 0, "Shift");
}

bool TGetDataForm::Execute() {
    Accepted = false;
    exec();  // the close box ends it like "Отмена"
    return Accepted;
}

void TGetDataForm::Button1Click() {
    Accepted = true;
    close();
}

void TGetDataForm::Button2Click() {
    close();
}

}  // namespace kelmora
