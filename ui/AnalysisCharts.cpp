#include "ui/AnalysisCharts.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "qtutil/ChartAxis.h"
#include "qtutil/QtText.h"
#include "util/AxisScale.h"

namespace kelmora {

namespace {

QColor Colour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

QChartView* MakeChart(QWidget* parent) {
    auto* chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignRight);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

// Fresh axes each time, so that one chart can switch between a linear and a log x axis.
void SetAxes(QChart* chart, const TFigure& figure, const TFigurePanel& panel) {
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    QAbstractAxis* x = nullptr;
    const std::optional<TFigureRange> xr = XExtent(figure);
    if (figure.LogX) {
        auto* log = new QLogValueAxis(chart);
        log->setBase(10.0);
        log->setLabelFormat(QStringLiteral("%g"));
        if (xr) {
            const std::vector<TAxisTick> ticks = LogAxisTicks(xr->Lo, xr->Hi);
            log->setRange(ticks.front().Value, ticks.back().Value);
        }
        x = log;
    } else {
        auto* linear = new QValueAxis(chart);
        linear->setLabelFormat(QStringLiteral("%g"));
        if (xr) {
            SetNiceRange(linear, xr->Lo, xr->Hi);
        }
        x = linear;
    }
    auto* y = new QValueAxis(chart);
    y->setLabelFormat(QStringLiteral("%g"));
    if (const std::optional<TFigureRange> yr = YExtent(panel)) {
        SetNiceRange(y, yr->Lo, yr->Hi);
    }
    x->setTitleText(ToQString(figure.XTitle));
    y->setTitleText(ToQString(panel.YTitle));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
}

void AddSeries(QChart* chart, QXYSeries* series, const TCurve& curve, const std::string& name,
               bool inLegend) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(curve.size()));
    for (const TCurvePoint& p : curve) {
        points.append(QPointF(p.X, p.Y));
    }
    series->replace(points);
    series->setName(ToQString(name));
    chart->addSeries(series);
    for (QAbstractAxis* axis : chart->axes()) {
        series->attachAxis(axis);
    }
    for (QLegendMarker* marker : chart->legend()->markers(series)) {
        marker->setVisible(inLegend);
    }
}

QXYSeries* MakeSeries(QChart* chart, const TFigureSeries& s) {
    const QColor colour = Colour(s.Rgb);
    if (s.Style == TFigureSeries::TStyle::Markers) {
        auto* markers = new QScatterSeries(chart);
        markers->setMarkerSize(8.0);
        markers->setColor(colour);
        markers->setBorderColor(colour.darker(130));
        return markers;
    }
    auto* line = new QLineSeries(chart);
    QPen pen(colour);
    pen.setWidthF(2.0);
    pen.setStyle(s.Style == TFigureSeries::TStyle::DashedLine ? Qt::DashLine : Qt::SolidLine);
    line->setPen(pen);
    return line;
}

void ShowPanel(QChartView* view, const TFigure& figure, std::size_t panel) {
    QChart* chart = view->chart();
    chart->removeAllSeries();
    chart->setTitle(ToQString(figure.Title));
    if (panel >= figure.Panels.size()) {
        return;
    }
    const TFigurePanel& p = figure.Panels[panel];
    SetAxes(chart, figure, p);
    for (const TFigureSeries& s : p.Series) {
        AddSeries(chart, MakeSeries(chart, s), s.Points, s.Name,
                  s.InLegend || s.Style == TFigureSeries::TStyle::Markers);
    }
    const std::optional<TFigureRange> xr = XExtent(figure);
    if (p.SymmetricY && xr) {
        // The zero line explains itself: no legend entry.
        const TFigureSeries zero{
            "zero", {{xr->Lo, 0.0}, {xr->Hi, 0.0}}, TFigureSeries::TStyle::DashedLine, 0, false};
        AddSeries(chart, MakeSeries(chart, zero), zero.Points, zero.Name, false);
    }
}

}  // namespace

TAnalysisCharts::TAnalysisCharts(QWidget* parent) : QTabWidget(parent) {
    ShiftChart = MakeChart(this);
    ResidualChart = MakeChart(this);
    SpeciesChart = MakeChart(this);
    auto* deltaTab = new QWidget(this);
    auto* deltaLayout = new QVBoxLayout(deltaTab);
    deltaLayout->setContentsMargins(0, 0, 0, 0);
    LogXCheck = new QCheckBox(QStringLiteral("Log x axis"), deltaTab);
    DeltaChart = MakeChart(deltaTab);
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
    ShowPanel(ShiftChart, fit_, 0);
    ShowPanel(ResidualChart, fit_, 1);
    ShowPanel(SpeciesChart, species_, 0);
    ShowDelta();
}

void TAnalysisCharts::ShowDelta() {
    if (titration_.Conc.empty()) {
        return;
    }
    delta_ = DeltaFigure(model_, titration_, signalNames_, LogXCheck->isChecked());
    ShowPanel(DeltaChart, delta_, 0);
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
