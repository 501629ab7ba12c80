#pragma once

#include <QTabWidget>
#include <string>
#include <vector>

#include "analysisview/AnalysisCurves.h"

class QChart;
class QChartView;

namespace kelmora {

// The three charts of the Analysis window, one per tab: observed shifts with the model curves,
// residuals around zero, and the species fractions, all against C.
class TAnalysisCharts : public QTabWidget {
    Q_OBJECT
  public:
    explicit TAnalysisCharts(QWidget* parent = nullptr);

    // Replaces whatever the charts showed; signal k takes the k-th colour in every chart.
    void Show(const TAnalysisCurves& curves, const std::vector<std::string>& signalNames,
              const std::string& modelName);
    void Clear();

    QChartView* ShiftChart = nullptr;
    QChartView* ResidualChart = nullptr;
    QChartView* SpeciesChart = nullptr;
};

}  // namespace kelmora
