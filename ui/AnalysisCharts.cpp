#include "ui/AnalysisCharts.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QVBoxLayout>

#include "ui/FigureChart.h"

namespace kelmora {

TAnalysisCharts::TAnalysisCharts(QWidget* parent) : QTabWidget(parent) {
    ShiftChart = MakeChartView(this);
    ResidualChart = MakeChartView(this);
    SpeciesChart = MakeChartView(this);
    auto* deltaTab = new QWidget(this);
    auto* deltaLayout = new QVBoxLayout(deltaTab);
    deltaLayout->setContentsMargins(0, 0, 0, 0);
    LogXCheck = new QCheckBox(QStringLiteral("Log x axis"), deltaTab);
    DeltaChart = MakeChartView(deltaTab);
    deltaLayout->addWidget(LogXCheck);
    deltaLayout->addWidget(DeltaChart, 1);
    connect(LogXCheck, &QCheckBox::toggled, this, &TAnalysisCharts::ShowDelta);
    addTab(ShiftChart, QStringLiteral("Shifts"));
    addTab(ResidualChart, QStringLiteral("Residuals"));
    addTab(SpeciesChart, QStringLiteral("Species"));
    addTab(deltaTab, QStringLiteral("Δδ"));
    Clear();
}

void TAnalysisCharts::Clear() {
    model_ = {};
    titration_ = {};
    fit_ = species_ = delta_ = TFigure{};
    for (QChartView* view : {ShiftChart, ResidualChart, SpeciesChart, DeltaChart}) {
        view->chart()->removeAllSeries();
        view->chart()->setTitle(QString());
    }
}

void TAnalysisCharts::Show(const analysis::TModelResult& model,
                           const analysis::TTitration& titration,
                           const std::vector<std::string>& signalNames) {
    model_ = model;
    titration_ = titration;
    signalNames_ = signalNames;
    const TAnalysisCurves curves = MakeCurves(model, titration);
    const std::string& name = model.Model.Name;
    fit_ = FitFigure(curves, signalNames, name);
    species_ = SpeciesFigure(curves, name);
    ShowFigurePanel(ShiftChart, fit_, 0);
    ShowFigurePanel(ResidualChart, fit_, 1);
    ShowFigurePanel(SpeciesChart, species_, 0);
    ShowDelta();
}

void TAnalysisCharts::ShowDelta() {
    if (titration_.Conc.empty()) {
        return;
    }
    delta_ = DeltaFigure(model_, titration_, signalNames_, LogXCheck->isChecked());
    ShowFigurePanel(DeltaChart, delta_, 0);
}

TFigure TAnalysisCharts::CurrentFigure() const {
    switch (currentIndex()) {
        case 1: {
            TFigure residuals = fit_;
            if (residuals.Panels.size() > 1) {
                residuals.Panels.erase(residuals.Panels.begin());
                for (TFigureSeries& s : residuals.Panels.front().Series) {
                    s.InLegend = true;  // the signals' entries came from the panel above
                }
                residuals.Key.clear();
            }
            return residuals;
        }
        case 2:
            return species_;
        case 3:
            return delta_;
        default:
            return fit_;
    }
}

}  // namespace kelmora
