#include "ui/ChartExport.h"

#include <QBuffer>
#include <QChartView>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "files/AtomicFile.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

constexpr qreal PngScale = 2.0;
constexpr int ScreenDpi = 96;  // the logical resolution Qt draws widgets at

void Paint(QChartView* view, QPaintDevice& device, QSize size) {
    // A redraw just before (a mode switch, say) leaves the legend and the title to be laid out
    // when events are next processed; the figure must show them as they now are.
    QCoreApplication::sendPostedEvents();
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    view->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), view->viewport()->rect());
}

QByteArray PngBytes(QChartView* view, QSize size) {
    QImage image(size * PngScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(PngScale);
    image.fill(Qt::white);
    Paint(view, image, size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray SvgBytes(QChartView* view, QSize size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(ScreenDpi);
    svg.setTitle(QStringLiteral("Kelmora chart"));
    Paint(view, svg, size);
    return bytes;
}

QByteArray PdfBytes(QChartView* view, QSize size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(ScreenDpi);
        // One page exactly the chart's size: a figure, not a sheet with a chart on it.
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / ScreenDpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QStringLiteral("Kelmora chart"));
        pdf.setCreator(QStringLiteral("Kelmora"));
        Paint(view, pdf, size);
    }  // the writer finishes the document when it goes
    return bytes;
}

}  // namespace

QString ChartFileFilter() {
    return QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
}

void WriteChartFile(QChartView* view, const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QSize size = view->viewport()->size();
    QByteArray bytes;
    if (suffix == QLatin1String("png")) {
        bytes = PngBytes(view, size);
    } else if (suffix == QLatin1String("svg")) {
        bytes = SvgBytes(view, size);
    } else if (suffix == QLatin1String("pdf")) {
        bytes = PdfBytes(view, size);
    } else {
        throw EKelmoraError("Cannot export the chart to '" + path.toStdString() +
                            "': the name must end in .png, .svg or .pdf");
    }
    WriteFileAtomically(path.toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace kelmora
