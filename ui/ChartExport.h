#pragma once

#include <QString>

class QChartView;

namespace kelmora {

// Writes what a chart view shows to a figure file, the extension picking the format: .png at
// twice the screen's resolution, .svg and .pdf as vector drawings, all the size the chart has on
// the screen. The file is replaced whole or not at all. Any other extension, or a file that
// cannot be written, raises EKelmoraError.
void WriteChartFile(QChartView* view, const QString& path);

// The file dialog's filter for the three formats.
QString ChartFileFilter();

}  // namespace kelmora
