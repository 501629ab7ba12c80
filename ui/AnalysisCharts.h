#pragma once

#include <QTabWidget>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysisview/Figure.h"

class QChart;
class QChartView;
class QCheckBox;

namespace kelmora {

// The charts of the Analysis window, one per tab: observed shifts with the model curves,
// residuals around zero and the species fractions against C, and Δδ against equivalents.
class TAnalysisCharts : public QTabWidget {
    Q_OBJECT
  public:
    explicit TAnalysisCharts(QWidget* parent = nullptr);

    // Replaces whatever the charts showed; signal k takes the k-th colour in every chart.
    void Show(const analysis::TModelResult& model, const analysis::TTitration& titration,
              const std::vector<std::string>& signalNames);
    void Clear();

    // The chart of the tab shown as a figure to print; the shifts come with their residuals
    // in a panel under them.
    TFigure CurrentFigure() const;

    QChartView* ShiftChart = nullptr;
    QChartView* ResidualChart = nullptr;
    QChartView* SpeciesChart = nullptr;
    QChartView* DeltaChart = nullptr;
    QCheckBox* LogXCheck = nullptr;  // the Δδ chart's equivalents on a log axis

  private:
    void ShowDelta();

    analysis::TModelResult model_;
    analysis::TTitration titration_;
    std::vector<std::string> signalNames_;
    TFigure fit_, species_, delta_;
};

}  // namespace kelmora
