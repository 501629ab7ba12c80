#include "report/Report.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include "analysisview/ReportHtml.h"
#include "files/AtomicFile.h"
#include "report/FigurePainter.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

constexpr double FigureFontPt = 8.0;
constexpr int PointsPerInch = 72;

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string HtmlFigure(const TFigure& figure, const std::string& caption) {
    const TFigureFormat format{160.0, figure.Panels.size() > 1 ? 110.0 : 80.0, FigureFontPt, 300};
    QByteArray svg = FigureBytes(figure, format, QStringLiteral("svg"));
    svg.remove(0, svg.indexOf("<svg"));  // the XML declaration belongs to a file, not a page
    return "<figure>" + svg.toStdString() + "<figcaption>" + caption + "</figcaption></figure>\n";
}

QByteArray PdfBytes(const analysis::TAnalysisResult& result, const analysis::TTitration& titration,
                    const TRunRecord& record) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(PointsPerInch);  // painter units are points
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    pdf.setTitle(QStringLiteral("Kelmora binding analysis"));
    pdf.setCreator(QStringLiteral("Kelmora"));
    const QSizeF page = pdf.pageLayout().paintRectPixels(PointsPerInch).size();

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&pdf);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.0);
    doc.setDefaultFont(font);
    doc.setPageSize(page);
    const auto figureNote = [](const TFigure&, const std::string& caption) {
        return "<p><i>Figure (after the text): " + caption + "</i></p>\n";
    };
    doc.setHtml(Text(ReportHtml(result, titration, record, figureNote)));

    QPainter painter(&pdf);
    for (int p = 0; p < doc.pageCount(); ++p) {
        if (p > 0) {
            pdf.newPage();
        }
        painter.save();
        painter.translate(0, -p * page.height());
        doc.drawContents(&painter, QRectF(QPointF(0, p * page.height()), page));
        painter.restore();
    }
    // Two figures to a page, each with its caption under it.
    QFont captionFont = font;
    painter.setFont(captionFont);
    const QFontMetricsF fm(captionFont, &pdf);
    const double slot = page.height() / 2;
    int k = 0;
    for (const TReportFigure& f : ReportFigures(result, titration)) {
        if (k % 2 == 0) {
            pdf.newPage();
        }
        const double top = (k % 2) * slot;
        const QRectF captionBox(0, top + slot - 3 * fm.height(), page.width(), 3 * fm.height());
        PaintFigure(painter, QRectF(0, top, page.width(), slot - 3.5 * fm.height()), f.Figure,
                    FigureFontPt);
        painter.setPen(Qt::black);
        painter.drawText(captionBox, Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft,
                         QStringLiteral("Figure %1. ").arg(k + 1) + Text(f.Caption));
        ++k;
    }
    painter.end();
    return bytes;
}

}  // namespace

void WriteReportFile(const std::string& path, const analysis::TAnalysisResult& result,
                     const analysis::TTitration& titration, const TRunRecord& record) {
    std::string bytes;
    if (path.ends_with(".html")) {
        bytes = ReportHtml(result, titration, record, HtmlFigure);
    } else if (path.ends_with(".pdf")) {
        const QByteArray pdf = PdfBytes(result, titration, record);
        bytes.assign(pdf.constData(), static_cast<std::size_t>(pdf.size()));
    } else {
        throw EKelmoraError("Cannot write the report to '" + path +
                            "': the name must end in .pdf or .html");
    }
    WriteFileAtomically(path, bytes);
}

}  // namespace kelmora
