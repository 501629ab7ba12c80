#include "ui/OutGrid_u.h"

#include <QPushButton>

#include "grid/OriginGrid_u.h"
#include "qtutil/FormLayout.h"

namespace kelmora {

TOutGridForm::TOutGridForm(QWidget* parent) : TDesignedDialog(parent, 492, 521) {
    setWindowTitle(QStringLiteral("OutGridForm"));
    OriginGrid1 = new TOriginGrid(this);
    OriginGrid1->setGeometry(8, 16, 473, 433);
    OriginGrid1->SetDefaultColWidth(110);
    OriginGrid1->SetFixedCols(0);
    OriginGrid1->SetEditing(false);
    Button1 = MakeButton(this, QStringLiteral("Copy"), 406, 456, 75, 25);
    Button2 = MakeButton(this, QStringLiteral("Ok"), 160, 488, 121, 25);
    connect(Button1, &QPushButton::clicked, this, &TOutGridForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TOutGridForm::Button2Click);
}

void TOutGridForm::Button1Click() {
    OriginGrid1->SelectAllAndCopy();
}

void TOutGridForm::Button2Click() {
    close();
}

}  // namespace kelmora
