#include "minima/RemParams_u.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <utility>

#include "qtutil/FormLayout.h"
#include "qtutil/QtText.h"
#include "util/NumberText.h"

namespace kelmora {

TRememberParamsForm::TRememberParamsForm(QWidget* parent)
    : TRememberParamsForm(TSetParamVector{}, parent) {}

TRememberParamsForm::TRememberParamsForm(TSetParamVector setParamVector, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      SetParamVector_(std::move(setParamVector)) {
    setObjectName(QStringLiteral("RememberParamsForm"));
    setWindowTitle(QStringLiteral("List of found minima"));
    setModal(false);
    QFont smallFont = font();
    smallFont.setPointSize(8);
    setFont(smallFont);
    setFixedSize(235, 576);
    move(738, 102);
    CreateControls();
    AttachLineClicks();
}

void TRememberParamsForm::CreateControls() {
    constexpr int Left = 8;
    constexpr int Width = 217;

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setGeometry(Left, 8, Width, 377);

    BestMinLabel = new QLabel(QStringLiteral("Best minimum:"), this);
    BestMinLabel->setObjectName(QStringLiteral("BestMinLabel"));
    BestMinLabel->move(Left, 392);
    BestMinLabel->adjustSize();

    Button2 = new QPushButton(QStringLiteral("Remove all minima above this value:"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(Left, 415, Width, 25);

    ThresholdEdit = new QLineEdit(QStringLiteral("10.0"), this);
    ThresholdEdit->setObjectName(QStringLiteral("ThresholdEdit"));
    ThresholdEdit->setGeometry(Left, 443, Width, 21);

    Button3 = new QPushButton(QStringLiteral("Remove minima concuring within this value:"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(Left, 480, Width, 25);

    ConvCritEdit = new QLineEdit(QStringLiteral("0.01"), this);
    ConvCritEdit->setObjectName(QStringLiteral("ConvCritEdit"));
    ConvCritEdit->setGeometry(Left, 507, Width, 21);

    // The only free strip between the designed controls that fits a line of text, just above
    // "Close"; empty and hidden until a full list has turned a minimum away.
    DroppedLabel = new QLabel(this);
    DroppedLabel->setObjectName(QStringLiteral("DroppedLabel"));
    DroppedLabel->setGeometry(Left, 529, Width, 14);
    DroppedLabel->hide();

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(Left, 544, Width, 25);

    // Enter in an edit must not trigger a button as a dialog's default.
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setAutoDefault(false);
        ShrinkFontToFit(button);
    }

    connect(Button1, &QPushButton::clicked, this, &TRememberParamsForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TRememberParamsForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TRememberParamsForm::Button3Click);
}

void TRememberParamsForm::SetParamVectorHandler(TSetParamVector setParamVector) {
    SetParamVector_ = std::move(setParamVector);
}

void TRememberParamsForm::AttachLineClicks() {
    if (!ClickConnection_) {
        ClickConnection_ =
            connect(ListBox1, &QListWidget::itemClicked, this, &TRememberParamsForm::ListBox1Click);
    }
}

void TRememberParamsForm::DetachLineClicks() {
    disconnect(ClickConnection_);
    ClickConnection_ = {};
}

void TRememberParamsForm::ResetMinima() {
    ClearMinima();
    Store_.Reset();
    ShowDroppedCount();
    DetachLineClicks();
    Button1->setEnabled(false);
    show();
}

void TRememberParamsForm::EnableMinimaList() {
    AttachLineClicks();
    Button1->setEnabled(true);
}

void TRememberParamsForm::RestoreMinima(std::span<const TFoundMinimum> minima, double bestQ,
                                        int droppedCount) {
    Store_.Restore(minima, bestQ, droppedCount);
    ListBox1->clear();
    for (int k = 0; k < Store_.Count(); ++k) {
        ListBox1->addItem(ToQString(Store_.AddedLineText(k)));
    }
    BestMinLabel->setText(bestQ == TMinimaStore::NoBestQ ? QStringLiteral("Best minimum:")
                                                         : ToQString(Store_.BestMinLabelText()));
    BestMinLabel->adjustSize();
    ShowDroppedCount();
    EnableMinimaList();
    if (Store_.Count() > 0) {
        show();
    }
}

void TRememberParamsForm::ClearMinima() {
    Store_.Clear();
    ListBox1->clear();
}

void TRememberParamsForm::AddMinimum(const TParamVector& params, double q) {
    const TAddResult result = Store_.AddMinimum(params, q);
    if (!result) {
        ShowDroppedCount();
        return;
    }
    if (result.NewBest) {
        BestMinLabel->setText(ToQString(Store_.BestMinLabelText()));
        BestMinLabel->adjustSize();
    }
    const int index = Store_.Count() - 1;
    AddLine(Store_.AddedLineText(index), index);
}

void TRememberParamsForm::AddLine(const std::string& text, int index) {
    auto* item = new QListWidgetItem(ToQString(text), ListBox1);
    item->setToolTip(ToQString(Store_.ParamsText(index)));
}

void TRememberParamsForm::ShowDroppedCount() {
    const std::string text = Store_.DroppedLabelText();
    DroppedLabel->setText(ToQString(text));
    DroppedLabel->setVisible(!text.empty());
}

void TRememberParamsForm::RebuildList() {
    ListBox1->clear();
    const std::vector<std::string> lines = Store_.RebuildLineTexts();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        AddLine(lines[i], static_cast<int>(i));
    }
}

void TRememberParamsForm::ListBox1Click() {
    const int index = ListBox1->currentRow();
    if (index >= 0) {
        RestoreMinimum(index);
    }
}

void TRememberParamsForm::RestoreMinimum(int index) {
    const TParamVector params = Store_.Minimum(index).Params;
    if (SetParamVector_) {
        SetParamVector_(params);
    }
}

void TRememberParamsForm::Button1Click() {
    hide();
}

void TRememberParamsForm::Button2Click() {
    const double threshold = ParseFloat(ThresholdEdit->text().toStdString());
    Store_.RemoveAbove(threshold);
    RebuildList();
}

void TRememberParamsForm::Button3Click() {
    const double tolerance = ParseFloat(ConvCritEdit->text().toStdString());
    Store_.RemoveConcurring(tolerance);
    RebuildList();
}

}  // namespace kelmora
