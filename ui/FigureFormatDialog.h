#pragma once

#include <QDialog>

#include "report/FigurePainter.h"

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace kelmora {

// Export Chart's questions: the figure's width and height in mm (a journal's single or double
// column as presets), its font size in pt and, for PNG, its resolution.
class TFigureFormatDialog : public QDialog {
    Q_OBJECT
  public:
    TFigureFormatDialog(const TFigureFormat& format, bool png, QWidget* parent = nullptr);
    TFigureFormat Format() const;

    QComboBox* PresetCombo = nullptr;
    QDoubleSpinBox* WidthSpin = nullptr;
    QDoubleSpinBox* HeightSpin = nullptr;
    QDoubleSpinBox* FontSpin = nullptr;
    QSpinBox* DpiSpin = nullptr;

  private:
    void PresetChanged(int index);
};

}  // namespace kelmora
