#include "ui/FigureFormatDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>
#include <array>

namespace kelmora {

namespace {

struct TPreset {
    const char* Name;
    double WidthMm;
    double HeightMm;
};
constexpr std::array<TPreset, 2> Presets = {
    {{"Single column, 85 mm", 85.0, 60.0}, {"Double column, 175 mm", 175.0, 100.0}}};

QDoubleSpinBox* Spin(QWidget* parent, double lo, double hi, double value, const char* suffix) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setRange(lo, hi);
    spin->setDecimals(1);
    spin->setValue(value);
    spin->setSuffix(QString::fromUtf8(suffix));
    return spin;
}

}  // namespace

TFigureFormatDialog::TFigureFormatDialog(const TFigureFormat& format, bool png, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Figure size"));
    auto* form = new QFormLayout(this);
    PresetCombo = new QComboBox(this);
    for (const TPreset& p : Presets) {
        PresetCombo->addItem(QString::fromUtf8(p.Name));
    }
    PresetCombo->addItem(QStringLiteral("Custom"));
    WidthSpin = Spin(this, 20.0, 500.0, format.WidthMm, " mm");
    HeightSpin = Spin(this, 20.0, 500.0, format.HeightMm, " mm");
    FontSpin = Spin(this, 5.0, 24.0, format.FontPt, " pt");
    DpiSpin = new QSpinBox(this);
    DpiSpin->setRange(72, 2400);
    DpiSpin->setValue(format.Dpi);
    DpiSpin->setSuffix(QStringLiteral(" dpi"));
    DpiSpin->setEnabled(png);
    form->addRow(QStringLiteral("Preset:"), PresetCombo);
    form->addRow(QStringLiteral("Width:"), WidthSpin);
    form->addRow(QStringLiteral("Height:"), HeightSpin);
    form->addRow(QStringLiteral("Font size:"), FontSpin);
    form->addRow(QStringLiteral("PNG resolution:"), DpiSpin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    PresetCombo->setCurrentIndex(static_cast<int>(Presets.size()));
    for (std::size_t k = 0; k < Presets.size(); ++k) {
        if (Presets[k].WidthMm == format.WidthMm) {
            PresetCombo->setCurrentIndex(static_cast<int>(k));
        }
    }
    connect(PresetCombo, &QComboBox::currentIndexChanged, this,
            &TFigureFormatDialog::PresetChanged);
    // A size typed by hand is no longer the preset.
    connect(WidthSpin, &QDoubleSpinBox::valueChanged, this, [this](double w) {
        const int k = PresetCombo->currentIndex();
        if (k < static_cast<int>(Presets.size()) &&
            Presets[static_cast<std::size_t>(k)].WidthMm != w) {
            const QSignalBlocker block(PresetCombo);
            PresetCombo->setCurrentIndex(static_cast<int>(Presets.size()));
        }
    });
}

void TFigureFormatDialog::PresetChanged(int index) {
    if (index < 0 || index >= static_cast<int>(Presets.size())) {
        return;
    }
    const TPreset& p = Presets[static_cast<std::size_t>(index)];
    WidthSpin->setValue(p.WidthMm);
    HeightSpin->setValue(p.HeightMm);
}

TFigureFormat TFigureFormatDialog::Format() const {
    return {WidthSpin->value(), HeightSpin->value(), FontSpin->value(), DpiSpin->value()};
}

}  // namespace kelmora
