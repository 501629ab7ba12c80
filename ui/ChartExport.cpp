#include "ui/ChartExport.h"

#include <QAbstractAxis>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QScatterSeries>
#include <QXYSeries>

namespace kelmora {

namespace {

std::string Utf8(const QString& s) {
    return s.toStdString();
}

QString AxisTitle(const QChart* chart, Qt::Orientation o) {
    const QList<QAbstractAxis*> axes = chart->axes(o);
    return axes.isEmpty() ? QString() : axes.front()->titleText();
}

bool InLegend(const QChart* chart, QAbstractSeries* series) {
    const QList<QLegendMarker*> markers = chart->legend()->markers(series);
    return chart->legend()->isVisible() && !markers.isEmpty() && markers.front()->isVisible();
}

}  // namespace

TFigure FigureFromChart(const QChart* chart) {
    TFigure figure;
    figure.Title = Utf8(chart->title());
    figure.XTitle = Utf8(AxisTitle(chart, Qt::Horizontal));
    TFigurePanel panel;
    panel.YTitle = Utf8(AxisTitle(chart, Qt::Vertical));
    for (QAbstractSeries* s : chart->series()) {
        auto* xy = qobject_cast<QXYSeries*>(s);
        if (xy == nullptr || !xy->isVisible()) {
            continue;
        }
        TFigureSeries series;
        series.Name = Utf8(xy->name());
        for (const QPointF& p : xy->points()) {
            series.Points.push_back({p.x(), p.y()});
        }
        const bool markers = qobject_cast<QScatterSeries*>(xy) != nullptr || xy->pointsVisible() ||
                             xy->property(MeasuredSeriesProperty).toBool();
        series.Style = markers                              ? TFigureSeries::TStyle::Markers
                       : xy->pen().style() == Qt::SolidLine ? TFigureSeries::TStyle::Line
                                                            : TFigureSeries::TStyle::DashedLine;
        series.Rgb = xy->color().rgb() & 0xFFFFFFu;
        series.InLegend = InLegend(chart, xy);
        panel.Series.push_back(std::move(series));
    }
    figure.Panels.push_back(std::move(panel));
    return figure;
}

QString ChartFileFilter() {
    return QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
}

}  // namespace kelmora
