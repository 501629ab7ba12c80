#include "ui/OutGrid_u.h"

#include <QPushButton>

#include "engine/ChartData.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/FormLayout.h"

namespace kelmora {

namespace {

constexpr int DesignedColWidth = 110;
constexpr int ShownColumns = 4;
constexpr int CellPadding = 10;

}  // namespace

TOutGridForm::TOutGridForm(QWidget* parent) : TDesignedDialog(parent, 492, 521) {
    setWindowTitle(QStringLiteral("OutGridForm"));
    OriginGrid1 = new TOriginGrid(this);
    // Four columns of 15-digit numbers under the chart's series titles, side by side: the
    // dialog grows by what the columns need beyond their designed width.
    const int colWidth = ColumnWidthFor(
        OriginGrid1, DesignedColWidth,
        {WidestNumberText(), QStringLiteral("Ligand concentr."),
         QString::fromUtf8(kShiftSeriesTitles[0]), QString::fromUtf8(kShiftSeriesTitles[1]),
         QString::fromUtf8(kShiftSeriesTitles[2]), QString::fromUtf8(kFractionSeriesTitles[2])},
        CellPadding);
    const int grow = ShownColumns * (colWidth - DesignedColWidth);
    setFixedSize(492 + grow, 521);
    OriginGrid1->setGeometry(8, 16, 473 + grow, 433);
    OriginGrid1->SetDefaultColWidth(colWidth);
    OriginGrid1->SetFixedCols(0);
    OriginGrid1->SetEditing(false);
    Button1 = MakeButton(this, QStringLiteral("Copy"), 406 + grow, 456, 75, 25);
    Button2 = MakeButton(this, QStringLiteral("Ok"), 160 + grow / 2, 488, 121, 25);
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
