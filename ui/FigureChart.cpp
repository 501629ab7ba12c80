#include "ui/FigureChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>

#include "qtutil/ChartAxis.h"
#include "qtutil/QtText.h"
#include "util/AxisScale.h"

namespace kelmora {

namespace {

QColor Colour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
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

// The band's points run along one edge and back along the other.
void AddBand(QChart* chart, const TFigureSeries& s) {
    const std::size_t half = s.Points.size() / 2;
    auto* upper = new QLineSeries(chart);
    auto* lower = new QLineSeries(chart);
    for (std::size_t k = 0; k < half; ++k) {
        upper->append(s.Points[k].X, s.Points[k].Y);
        const TCurvePoint& back = s.Points[s.Points.size() - 1 - k];
        lower->append(back.X, back.Y);
    }
    auto* area = new QAreaSeries(upper, lower);
    QColor fill = Colour(s.Rgb);
    fill.setAlphaF(0.25);
    area->setBrush(fill);
    area->setPen(Qt::NoPen);
    area->setName(ToQString(s.Name));
    chart->addSeries(area);
    for (QAbstractAxis* axis : chart->axes()) {
        area->attachAxis(axis);
    }
    for (QLegendMarker* marker : chart->legend()->markers(area)) {
        marker->setVisible(s.InLegend);
    }
}

}  // namespace

QChartView* MakeChartView(QWidget* parent) {
    auto* chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignRight);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

void ShowFigurePanel(QChartView* view, const TFigure& figure, std::size_t panel) {
    QChart* chart = view->chart();
    chart->removeAllSeries();
    chart->setTitle(ToQString(figure.Title));
    if (panel >= figure.Panels.size()) {
        return;
    }
    const TFigurePanel& p = figure.Panels[panel];
    SetAxes(chart, figure, p);
    for (const TFigureSeries& s : p.Series) {
        if (s.Style == TFigureSeries::TStyle::Band) {
            AddBand(chart, s);
        } else {
            AddSeries(chart, MakeSeries(chart, s), s.Points, s.Name,
                      s.InLegend || s.Style == TFigureSeries::TStyle::Markers);
        }
    }
    const std::optional<TFigureRange> xr = XExtent(figure);
    if (p.SymmetricY && xr) {
        // The zero line explains itself: no legend entry.
        const TFigureSeries zero{
            "zero", {{xr->Lo, 0.0}, {xr->Hi, 0.0}}, TFigureSeries::TStyle::DashedLine, 0, false};
        AddSeries(chart, MakeSeries(chart, zero), zero.Points, zero.Name, false);
    }
}

}  // namespace kelmora
