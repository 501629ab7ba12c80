#pragma once

#include <QImage>
#include <QTabWidget>
#include <optional>

#include "analysis/Spectra.h"
#include "analysisview/Figure.h"

class QChartView;
class QLineEdit;

namespace kelmora {

// The residuals of every point at every wavelength as colours: wavelength across, point down,
// white at zero, blue and red for the signs, on a scale that the bar beside it states.
class TResidualMap : public QWidget {
    Q_OBJECT
  public:
    explicit TResidualMap(QWidget* parent = nullptr);
    void Show(const std::vector<double>& wavelengths,
              const std::vector<std::vector<double>>& residuals, const QString& title);
    void Clear();
    // One pixel per point and wavelength; null when there is nothing to show.
    const QImage& Map() const { return map_; }
    double Scale() const { return scale_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    static QString FormatNumber(double x);

    QImage map_;
    double scale_ = 0.0;
    double first_ = 0.0;  // wavelengths at the map's left and right edges
    double last_ = 0.0;
    QString title_;
};

// The charts of the Spectra window, one per tab: the measured spectra with the model's over
// them, the residual map, the species spectra with their ±2 SE bands, the singular values, the
// species distribution, and the isotherms at the wavelengths typed above them.
class TSpectraCharts : public QTabWidget {
    Q_OBJECT
  public:
    explicit TSpectraCharts(QWidget* parent = nullptr);

    // The data before any fit: the measured spectra.
    void ShowData(const analysis::TSpectraTitration& titration, analysis::TObservable observable);
    // A model's fit: every chart from it.
    void Show(const analysis::TSpectraResult& result, const analysis::TSpectraTitration& titration,
              const analysis::TSpectraModelResult& model);
    void Clear();

    // The chart of the tab shown as a figure to print; nothing for the residual map, which is
    // a picture (ResidualImage).
    std::optional<TFigure> CurrentFigure() const;
    QImage ResidualImage() const;

    QChartView* SpectraChart = nullptr;
    TResidualMap* ResidualMap = nullptr;
    QChartView* SpeciesChart = nullptr;
    QChartView* FactorChart = nullptr;
    QChartView* DistributionChart = nullptr;
    QLineEdit* IsothermEdit = nullptr;  // wavelengths, nm, by blanks or semicolons
    QChartView* IsothermChart = nullptr;

  private:
    void ShowIsotherms();

    TFigure spectra_, species_, factors_, distribution_, isotherms_;
    // What the isotherms are drawn from, kept to redraw them at other wavelengths.
    std::optional<analysis::TSpectraTitration> titration_;
    std::optional<analysis::TSpectraModelResult> model_;
    analysis::TObservable observable_ = analysis::TObservable::Absorbance;
};

}  // namespace kelmora
