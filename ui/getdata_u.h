#pragma once

#include "qtutil/FormLayout.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelmora {

class TOriginGrid;

// The source-data dialog: titration data (C and shift per row) and P0, typed or pasted.
// Created once; it keeps whatever was typed from one showing to the next.
class TGetDataForm : public TDesignedDialog {
    Q_OBJECT
  public:
    explicit TGetDataForm(QWidget* parent = nullptr);

    // Shows the dialog modally; true when it was closed by "Ок".
    bool Execute();

    TOriginGrid* OriginGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  private:
    void FormCreate();
    void Button1Click();
    void Button2Click();
    bool Accepted = false;
};

}  // namespace kelmora
