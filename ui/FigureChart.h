#pragma once

#include <cstddef>

#include "analysisview/Figure.h"

class QChartView;
class QWidget;

namespace kelmora {

// A chart view of the windows' style: antialiased, its legend on the right.
QChartView* MakeChartView(QWidget* parent);

// Draws one panel of a figure into a chart, replacing what it showed: the same figure prints
// through report/FigurePainter.h, so the screen and the exported file agree. A band becomes a
// shaded area between its two edges; a panel symmetric about zero gets a dashed zero line.
void ShowFigurePanel(QChartView* view, const TFigure& figure, std::size_t panel);

}  // namespace kelmora
