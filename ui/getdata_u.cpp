#include "ui/getdata_u.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "grid/OriginGrid_u.h"
#include "qtutil/FormLayout.h"

namespace kelmora {

TGetDataForm::TGetDataForm(QWidget* parent) : TDesignedDialog(parent, 280, 461) {
    setWindowTitle(QStringLiteral("GetDataForm"));

    OriginGrid1 = new TOriginGrid(this);
    OriginGrid1->setGeometry(8, 8, 264, 361);
    OriginGrid1->SetColCount(2);
    OriginGrid1->SetRowCount(100);
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
    connect(Button1, &QPushButton::clicked, this, &TGetDataForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TGetDataForm::Button2Click);

    setTabOrder(OriginGrid1, Edit1);
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);
    FormCreate();
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
