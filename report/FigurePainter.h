#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>

#include "analysisview/Figure.h"

class QPainter;

namespace kelmora {

// A figure's size on paper and the text size in it.
struct TFigureFormat {
    double WidthMm = 85.0;
    double HeightMm = 60.0;
    double FontPt = 8.0;
    int Dpi = 300;  // PNG only
};

// Draws the figure into `area`, whose units must be points (1/72 inch) on the painter's device,
// with every text at fontPt. The legend goes beside the plot, or under it when beside would
// leave the plot too narrow, in as many columns as it needs to be whole; tick labels are thinned
// to round steps that do not crowd.
void PaintFigure(QPainter& painter, const QRectF& area, const TFigure& figure, double fontPt);

// The figure as a .png, .svg or .pdf file's bytes, the suffix (lower case) picking the format.
QByteArray FigureBytes(const TFigure& figure, const TFigureFormat& format, const QString& suffix);

// Writes the figure to `path`, the extension picking the format; the file is replaced whole or
// not at all. Any other extension, or a file that cannot be written, raises EKelmoraError.
void WriteFigureFile(const TFigure& figure, const TFigureFormat& format, const QString& path);

}  // namespace kelmora
