#pragma once

#include <QString>

#include "analysisview/Figure.h"

class QChart;

namespace kelmora {

// A series with this property true holds measured values: it prints as markers.
inline constexpr const char* MeasuredSeriesProperty = "kelmoraMeasured";

// What a chart on the screen shows, as a figure to print: its axis titles and its visible
// series, scatter series, line series whose points are shown and measured series (above)
// becoming markers.
TFigure FigureFromChart(const QChart* chart);

// The file dialog's filter for the three formats.
QString ChartFileFilter();

}  // namespace kelmora
