#include "ui/AnalysisCharts.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "qtutil/ChartAxis.h"
#include "qtutil/QtText.h"

namespace kelmora {

namespace {

// Distinct in print and for the common colour blindnesses (Okabe and Ito).
QColor SignalColour(std::size_t k) {
    static const QColor colours[] = {
        QColor(0, 114, 178), QColor(213, 94, 0),   QColor(0, 158, 115),   QColor(204, 121, 167),
        QColor(230, 159, 0), QColor(86, 180, 233), QColor(120, 120, 120), QColor(0, 0, 0)};
    return colours[k % std::size(colours)];
}

struct TRange {
    double Lo = std::numeric_limits<double>::infinity();
    double Hi = -std::numeric_limits<double>::infinity();
    void Take(const TCurve& curve, bool x) {
        for (const TCurvePoint& p : curve) {
            const double v = x ? p.X : p.Y;
            if (std::isfinite(v)) {
                Lo = std::min(Lo, v);
                Hi = std::max(Hi, v);
            }
        }
    }
    bool Empty() const { return Lo > Hi; }
};

QChartView* MakeChart(QWidget* parent, const QString& xTitle, const QString& yTitle) {
    auto* chart = new QChart();
    auto* x = new QValueAxis(chart);
    auto* y = new QValueAxis(chart);
    x->setTitleText(xTitle);
    y->setTitleText(yTitle);
    x->setLabelFormat(QStringLiteral("%g"));
    y->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignRight);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QValueAxis* Axis(QChart* chart, Qt::Orientation o) {
    return qobject_cast<QValueAxis*>(chart->axes(o).value(0));
}

void AddSeries(QChart* chart, QXYSeries* series, const TCurve& curve, const QString& name) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(curve.size()));
    for (const TCurvePoint& p : curve) {
        points.append(QPointF(p.X, p.Y));
    }
    series->replace(points);
    series->setName(name);
    chart->addSeries(series);
    series->attachAxis(Axis(chart, Qt::Horizontal));
    series->attachAxis(Axis(chart, Qt::Vertical));
}

QLineSeries* Line(QChart* chart, const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
    auto* s = new QLineSeries(chart);
    QPen pen(colour);
    pen.setWidthF(2.0);
    pen.setStyle(style);
    s->setPen(pen);
    return s;
}

QScatterSeries* Markers(QChart* chart, const QColor& colour) {
    auto* s = new QScatterSeries(chart);
    s->setMarkerSize(8.0);
    s->setColor(colour);
    s->setBorderColor(colour.darker(130));
    return s;
}

void Scale(QChart* chart, const TRange& x, const TRange& y) {
    if (!x.Empty()) {
        SetNiceRange(Axis(chart, Qt::Horizontal), x.Lo, x.Hi);
    }
    if (!y.Empty()) {
        SetNiceRange(Axis(chart, Qt::Vertical), y.Lo, y.Hi);
    }
}

}  // namespace

TAnalysisCharts::TAnalysisCharts(QWidget* parent) : QTabWidget(parent) {
    const QString conc = QStringLiteral("C, M");
    ShiftChart = MakeChart(this, conc, QStringLiteral("Shift, ppm"));
    ResidualChart = MakeChart(this, conc, QStringLiteral("Residual, ppm"));
    SpeciesChart = MakeChart(this, conc, QStringLiteral("Fraction of P0"));
    addTab(ShiftChart, QStringLiteral("Shifts"));
    addTab(ResidualChart, QStringLiteral("Residuals"));
    addTab(SpeciesChart, QStringLiteral("Species"));
}

void TAnalysisCharts::Clear() {
    for (QChartView* view : {ShiftChart, ResidualChart, SpeciesChart}) {
        view->chart()->removeAllSeries();
        view->chart()->setTitle(QString());
    }
}

void TAnalysisCharts::Show(const TAnalysisCurves& curves,
                           const std::vector<std::string>& signalNames,
                           const std::string& modelName) {
    Clear();
    QChart* shifts = ShiftChart->chart();
    QChart* residuals = ResidualChart->chart();
    QChart* species = SpeciesChart->chart();
    const QString title = QStringLiteral("Model ") + ToQString(modelName);
    for (QChart* chart : {shifts, residuals, species}) {
        chart->setTitle(title);
    }
    TRange x, shiftY, residualY;
    for (std::size_t s = 0; s < curves.Observed.size(); ++s) {
        const QColor colour = SignalColour(s);
        const QString name = s < signalNames.size() ? ToQString(signalNames[s]) : QString();
        AddSeries(shifts, Markers(shifts, colour), curves.Observed[s], name);
        x.Take(curves.Observed[s], true);
        shiftY.Take(curves.Observed[s], false);
        if (s < curves.Fitted.size()) {
            AddSeries(shifts, Line(shifts, colour), curves.Fitted[s],
                      name + QStringLiteral(" model"));
            shiftY.Take(curves.Fitted[s], false);
        }
        if (s < curves.Residuals.size()) {
            AddSeries(residuals, Markers(residuals, colour), curves.Residuals[s], name);
            residualY.Take(curves.Residuals[s], false);
        }
    }
    Scale(shifts, x, shiftY);
    if (!x.Empty()) {
        // Symmetric about the zero line, so the eye judges the scatter against it.
        const double half = residualY.Empty() ? 0.0 : std::max(-residualY.Lo, residualY.Hi);
        residualY.Lo = -half;
        residualY.Hi = half;
        const TCurve zero = {{x.Lo, 0.0}, {x.Hi, 0.0}};
        QLineSeries* zeroLine = Line(residuals, Qt::black, Qt::DashLine);
        AddSeries(residuals, zeroLine, zero, QStringLiteral("zero"));
        for (QLegendMarker* marker : residuals->legend()->markers(zeroLine)) {
            marker->setVisible(false);  // the line explains itself
        }
    }
    Scale(residuals, x, residualY);
    static const char* const speciesNames[3] = {"P", "PL", "PL2"};
    static const QColor speciesColours[3] = {QColor(0, 114, 178), QColor(213, 94, 0),
                                             QColor(0, 158, 115)};
    for (std::size_t k = 0; k < 3; ++k) {
        AddSeries(species, Line(species, speciesColours[k]), curves.Species[k],
                  QString::fromLatin1(speciesNames[k]));
    }
    TRange fraction;
    fraction.Lo = 0.0;
    fraction.Hi = 1.0;
    Scale(species, x, fraction);
}

}  // namespace kelmora
