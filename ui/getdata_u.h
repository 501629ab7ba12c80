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
    // Where the last data entry failed: a cell of the table, or the P0 edit for row -1. The
    // next showing opens with it selected.
    void MarkFaultyPlace(int col, int row);

    TOriginGrid* OriginGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    // How many points "Ок" takes, and the filled rows it leaves out, kept up to date.
    QLabel* PointCountLabel = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void UpdatePointCount();
    void FormCreate();
    void Button1Click();
    void Button2Click();
    bool Accepted = false;
    QWidget* faultyPlace_ = nullptr;  // focused at the next showing
};

}  // namespace kelmora
