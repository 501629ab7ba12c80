#pragma once

#include "qtutil/FormLayout.h"

class QPushButton;

namespace kelmora {

class TOriginGrid;

// The output table: what the chart shows, read-only, copied whole to the clipboard by "Copy".
class TOutGridForm : public TDesignedDialog {
    Q_OBJECT
  public:
    explicit TOutGridForm(QWidget* parent = nullptr);

    TOriginGrid* OriginGrid1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  private:
    void Button1Click();
    void Button2Click();
};

}  // namespace kelmora
