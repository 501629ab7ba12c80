#pragma once

#include <QString>

#include "analysisview/Figure.h"

class QChart;

namespace kelmora {

// What a chart on the screen shows, as a figure to print: its axis titles and its visible
// series, a line series whose points are shown becoming markers.
TFigure FigureFromChart(const QChart* chart);

// The file dialog's filter for the three formats.
QString ChartFileFilter();

}  // namespace kelmora
