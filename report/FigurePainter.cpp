#include "report/FigurePainter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "files/AtomicFile.h"
#include "util/AxisScale.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

constexpr double PtPerMm = 72.0 / 25.4;
constexpr int PointsPerInch = 72;

QColor Colour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

struct TAxis {
    double Lo = 0.0;
    double Hi = 1.0;
    bool Log = false;
    std::vector<TAxisTick> Ticks;

    // Where v falls between a (at Lo) and b (at Hi).
    double Map(double v, double a, double b) const {
        const double t = Log ? std::log10(v / Lo) / std::log10(Hi / Lo) : (v - Lo) / (Hi - Lo);
        return a + (b - a) * t;
    }
};

TAxis LinearAxis(double lo, double hi, int maxIntervals) {
    const TAxisScale nice = NiceAxisScale(lo, hi);
    const TAxisScale scale = CoarsenedScale(nice, lo, hi, std::max(1, maxIntervals));
    TAxis axis{scale.Min, scale.Max, false, AxisTicks(scale)};
    if (!(axis.Hi > axis.Lo)) {
        axis.Hi = axis.Lo + 1.0;
    }
    return axis;
}

TAxis LogAxis(double lo, double hi, bool decadesOnly) {
    TAxis axis{lo, hi, true, LogAxisTicks(lo, hi)};
    if (!axis.Ticks.empty()) {
        axis.Lo = axis.Ticks.front().Value;
        axis.Hi = axis.Ticks.back().Value;
    }
    if (decadesOnly) {
        std::erase_if(axis.Ticks, [](const TAxisTick& t) { return t.Label.front() != '1'; });
    }
    return axis;
}

double WidestLabel(const TAxis& axis, const QFontMetricsF& fm) {
    double w = 0.0;
    for (const TAxisTick& t : axis.Ticks) {
        w = std::max(w, fm.horizontalAdvance(Text(t.Label)));
    }
    return w;
}

struct TEntry {
    QString Name;
    std::uint32_t Rgb = 0;
    bool Marker = false;
    bool Line = false;
    bool Dashed = false;
};

std::vector<TEntry> LegendEntries(const TFigure& figure) {
    std::vector<TEntry> entries;
    const auto add = [&entries](const TFigureSeries& s) {
        const QString name = Text(s.Name);
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const TEntry& e) { return e.Name == name && e.Rgb == s.Rgb; });
        if (it == entries.end()) {
            entries.push_back({name, s.Rgb});
            it = entries.end() - 1;
        }
        it->Marker |= s.Style == TFigureSeries::TStyle::Markers;
        it->Line |= s.Style != TFigureSeries::TStyle::Markers;
        it->Dashed |= s.Style == TFigureSeries::TStyle::DashedLine;
    };
    for (const TFigurePanel& panel : figure.Panels) {
        for (const TFigureSeries& s : panel.Series) {
            if (s.InLegend) {
                add(s);
            }
        }
    }
    // A signal's line joins its marker in one entry.
    for (const TFigurePanel& panel : figure.Panels) {
        for (const TFigureSeries& s : panel.Series) {
            for (TEntry& e : entries) {
                if (!s.InLegend && e.Name == Text(s.Name) && e.Rgb == s.Rgb &&
                    s.Style != TFigureSeries::TStyle::Markers) {
                    e.Line = true;
                }
            }
        }
    }
    for (const TFigureSeries& s : figure.Key) {
        add(s);
    }
    return entries;
}

struct TPanelLayout {
    double Top = 0.0;
    double Bottom = 0.0;
    TAxis Y;
    QStringList TitleLines;
};

class TFigurePainter {
  public:
    TFigurePainter(QPainter& painter, const QRectF& area, const TFigure& figure, double fontPt)
        : p_(painter),
          area_(area),
          figure_(figure),
          f_(fontPt),
          font_(QStringLiteral("DejaVu Sans")),
          fm_(font_) {
        // The painter's units are points; a device of any resolution draws the font at fontPt.
        font_.setPointSizeF(fontPt * PointsPerInch / p_.device()->logicalDpiY());
        fm_ = QFontMetricsF(font_, p_.device());
        lineH_ = fm_.height();
        pad_ = 0.4 * f_;
        tick_ = 0.35 * f_;
        marker_ = 0.45 * f_;
    }

    void Paint() {
        p_.save();
        p_.setFont(font_);
        p_.setRenderHint(QPainter::Antialiasing);
        LayOutLegend();
        LayOutPlots();
        for (std::size_t k = 0; k < figure_.Panels.size(); ++k) {
            DrawPanel(k);
        }
        DrawXAxisLabels();
        DrawLegend();
        p_.restore();
    }

  private:
    void LayOutLegend() {
        entries_ = LegendEntries(figure_);
        if (entries_.empty()) {
            return;
        }
        double widest = 0.0;
        for (const TEntry& e : entries_) {
            widest = std::max(widest, fm_.horizontalAdvance(e.Name));
        }
        colW_ = 2.0 * f_ + 0.4 * f_ + widest + f_;
        const int n = static_cast<int>(entries_.size());
        const int fitRows = std::max(1, static_cast<int>((area_.height() - 2 * pad_) / lineH_));
        cols_ = (n + fitRows - 1) / fitRows;
        rows_ = (n + cols_ - 1) / cols_;
        // Beside the plot while that leaves the plot (after about six characters of y labels
        // and title) close to half the width; under it otherwise.
        legendBeside_ = area_.width() - cols_ * colW_ - 6.0 * f_ >= 0.45 * area_.width();
        if (!legendBeside_) {
            cols_ = std::max(1, static_cast<int>((area_.width() - 2 * pad_ + f_) / colW_));
            rows_ = (n + cols_ - 1) / cols_;
        }
    }

    double LegendWidth() const { return entries_.empty() ? 0.0 : cols_ * colW_ - f_; }
    double LegendHeight() const { return entries_.empty() ? 0.0 : rows_ * lineH_; }

    // A y title that is taller than its panel goes on two lines, split after its comma.
    QStringList YTitleLines(const TFigurePanel& panel, double height) const {
        const QString title = Text(panel.YTitle);
        const qsizetype comma = title.indexOf(QStringLiteral(", "));
        if (fm_.horizontalAdvance(title) <= height || comma < 0) {
            return {title};
        }
        return {title.left(comma + 1), title.mid(comma + 2)};
    }

    void LayOutPlots() {
        const double right = area_.right() - pad_ - (legendBeside_ ? LegendWidth() + f_ : 0.0);
        top_ = area_.top() + pad_ + lineH_ / 2;
        bottom_ = area_.bottom() - pad_ - (legendBeside_ ? 0.0 : LegendHeight() + pad_) -
                  2 * lineH_ - tick_;
        // Room for the half labels at the ends of two neighbouring y axes.
        const double gap = 1.2 * lineH_;
        double shares = 0.0;
        for (const TFigurePanel& panel : figure_.Panels) {
            shares += panel.Height;
        }
        const double plotH =
            std::max(1.0, bottom_ - top_ - gap * (static_cast<double>(figure_.Panels.size()) - 1));
        double y = top_;
        double leftNeeded = 0.0;
        for (const TFigurePanel& panel : figure_.Panels) {
            const double h = plotH * panel.Height / shares;
            TPanelLayout layout;
            layout.Top = y;
            layout.Bottom = y + h;
            const std::optional<TFigureRange> range = YExtent(panel);
            const TFigureRange r = range.value_or(TFigureRange{0.0, 1.0});
            layout.Y = LinearAxis(r.Lo, r.Hi, static_cast<int>(h / (1.8 * lineH_)));
            layout.TitleLines = YTitleLines(panel, h);
            leftNeeded =
                std::max(leftNeeded, static_cast<double>(layout.TitleLines.size()) * lineH_ +
                                         0.3 * f_ + WidestLabel(layout.Y, fm_) + tick_);
            panels_.push_back(layout);
            y += h + gap;
        }
        left_ = area_.left() + pad_ + leftNeeded;
        const std::optional<TFigureRange> xr = XExtent(figure_);
        const TFigureRange x = xr.value_or(TFigureRange{0.0, 1.0});
        // Tick labels are thinned until they do not crowd, then the plot keeps room for half of
        // the last one beyond its right end.
        right_ = right;
        for (int pass = 0; pass < 2; ++pass) {
            const double width = std::max(1.0, right_ - left_);
            if (figure_.LogX && x.Lo > 0.0) {
                x_ = LogAxis(x.Lo, x.Hi, false);
                if (static_cast<double>(x_.Ticks.size()) * (WidestLabel(x_, fm_) + f_) > width) {
                    x_ = LogAxis(x.Lo, x.Hi, true);
                }
            } else {
                x_ = LinearAxis(x.Lo, x.Hi, 10);
                const int fit = static_cast<int>(width / (WidestLabel(x_, fm_) + 1.2 * f_));
                x_ = LinearAxis(x.Lo, x.Hi, fit);
            }
            right_ = right - WidestLabel(x_, fm_) / 2;
        }
    }

    double XAt(double v) const { return x_.Map(v, left_, right_); }

    void DrawPanel(std::size_t k) {
        const TFigurePanel& panel = figure_.Panels[k];
        const TPanelLayout& layout = panels_[k];
        const auto yAt = [&](double v) { return layout.Y.Map(v, layout.Bottom, layout.Top); };
        const QRectF frame(QPointF(left_, layout.Top), QPointF(right_, layout.Bottom));
        QPen axisPen(Qt::black, 0.6);
        p_.setPen(axisPen);
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(frame);
        for (const TAxisTick& t : layout.Y.Ticks) {
            const double y = yAt(t.Value);
            p_.drawLine(QPointF(left_ - tick_, y), QPointF(left_, y));
            const QString label = Text(t.Label);
            const double w = fm_.horizontalAdvance(label);
            p_.drawText(
                QPointF(left_ - tick_ - 0.2 * f_ - w, y + (fm_.ascent() - fm_.descent()) / 2),
                label);
        }
        for (const TAxisTick& t : x_.Ticks) {
            const double x = XAt(t.Value);
            p_.drawLine(QPointF(x, layout.Bottom), QPointF(x, layout.Bottom + tick_));
        }
        if (panel.SymmetricY) {
            QPen zero(QColor(110, 110, 110), 0.6, Qt::DashLine);
            p_.setPen(zero);
            p_.drawLine(QPointF(left_, yAt(0.0)), QPointF(right_, yAt(0.0)));
        }
        DrawYTitle(layout);
        for (const TFigureSeries& s : panel.Series) {
            DrawSeries(s, yAt);
        }
    }

    void DrawYTitle(const TPanelLayout& layout) {
        p_.save();
        p_.setPen(Qt::black);
        const double mid = (layout.Top + layout.Bottom) / 2;
        p_.translate(area_.left() + pad_, mid);
        p_.rotate(-90);
        for (qsizetype i = 0; i < layout.TitleLines.size(); ++i) {
            const QString& line = layout.TitleLines[i];
            p_.drawText(QPointF(-fm_.horizontalAdvance(line) / 2,
                                fm_.ascent() + static_cast<double>(i) * lineH_),
                        line);
        }
        p_.restore();
    }

    template <class YAt>
    void DrawSeries(const TFigureSeries& s, const YAt& yAt) {
        const QColor colour = Colour(s.Rgb);
        QPolygonF points;
        for (const TCurvePoint& pt : s.Points) {
            if (std::isfinite(pt.X) && std::isfinite(pt.Y) && (!x_.Log || pt.X > 0.0)) {
                points.append(QPointF(XAt(pt.X), yAt(pt.Y)));
            }
        }
        if (s.Style == TFigureSeries::TStyle::Markers) {
            for (const QPointF& pt : points) {
                DrawMarker(pt, colour);
            }
        } else if (s.Style == TFigureSeries::TStyle::Band) {
            QColor fill = colour;
            fill.setAlphaF(0.25);
            p_.setPen(Qt::NoPen);
            p_.setBrush(fill);
            p_.drawPolygon(points);
        } else {
            p_.setPen(LinePen(colour, s.Style == TFigureSeries::TStyle::DashedLine));
            p_.setBrush(Qt::NoBrush);
            p_.drawPolyline(points);
        }
    }

    QPen LinePen(const QColor& colour, bool dashed) const {
        QPen pen(colour, 0.12 * f_);
        pen.setStyle(dashed ? Qt::DashLine : Qt::SolidLine);
        pen.setCapStyle(Qt::FlatCap);
        return pen;
    }

    void DrawMarker(const QPointF& at, const QColor& colour) {
        p_.setPen(QPen(colour.darker(140), 0.05 * f_));
        p_.setBrush(colour);
        p_.drawEllipse(at, marker_ / 2, marker_ / 2);
    }

    void DrawXAxisLabels() {
        p_.setPen(Qt::black);
        const double baseline = bottom_ + tick_ + 0.1 * f_ + fm_.ascent();
        for (const TAxisTick& t : x_.Ticks) {
            const QString label = Text(t.Label);
            p_.drawText(QPointF(XAt(t.Value) - fm_.horizontalAdvance(label) / 2, baseline), label);
        }
        const QString title = Text(figure_.XTitle);
        p_.drawText(QPointF((left_ + right_ - fm_.horizontalAdvance(title)) / 2, baseline + lineH_),
                    title);
    }

    void DrawLegend() {
        const double x0 = legendBeside_ ? area_.right() - pad_ - LegendWidth() : left_;
        const double y0 =
            legendBeside_ ? top_ - lineH_ / 2 : area_.bottom() - pad_ - LegendHeight();
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const TEntry& e = entries_[i];
            const double x = x0 + static_cast<double>(static_cast<int>(i) / rows_) * colW_;
            const double y = y0 + static_cast<double>(static_cast<int>(i) % rows_) * lineH_;
            const double mid = y + lineH_ / 2;
            const QColor colour = Colour(e.Rgb);
            if (e.Line) {
                p_.setPen(LinePen(colour, e.Dashed));
                p_.drawLine(QPointF(x, mid), QPointF(x + 2.0 * f_, mid));
            }
            if (e.Marker) {
                DrawMarker(QPointF(x + f_, mid), colour);
            }
            p_.setPen(Qt::black);
            p_.drawText(QPointF(x + 2.4 * f_, y + (lineH_ + fm_.ascent() - fm_.descent()) / 2),
                        e.Name);
        }
    }

    QPainter& p_;
    QRectF area_;
    const TFigure& figure_;
    double f_;
    QFont font_;
    QFontMetricsF fm_;
    double lineH_ = 0.0, pad_ = 0.0, tick_ = 0.0, marker_ = 0.0;
    std::vector<TEntry> entries_;
    double colW_ = 0.0;
    int cols_ = 1, rows_ = 1;
    bool legendBeside_ = true;
    double top_ = 0.0, bottom_ = 0.0, left_ = 0.0, right_ = 0.0;
    std::vector<TPanelLayout> panels_;
    TAxis x_;
};

QSizeF PagePoints(const TFigureFormat& format) {
    return QSizeF(format.WidthMm * PtPerMm, format.HeightMm * PtPerMm);
}

QByteArray PngBytes(const TFigure& figure, const TFigureFormat& format) {
    const QSizeF pt = PagePoints(format);
    const double scale = static_cast<double>(format.Dpi) / PointsPerInch;
    QImage image(QSize(static_cast<int>(std::lround(pt.width() * scale)),
                       static_cast<int>(std::lround(pt.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    const auto dotsPerMetre = [](double dpi) {
        return static_cast<int>(std::lround(dpi / 0.0254));
    };
    image.setDotsPerMeterX(dotsPerMetre(PointsPerInch));
    image.setDotsPerMeterY(dotsPerMetre(PointsPerInch));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        PaintFigure(painter, QRectF(QPointF(0, 0), pt), figure, format.FontPt);
    }
    // Drawn in points; the file says its true resolution so that it prints at its size.
    image.setDotsPerMeterX(dotsPerMetre(format.Dpi));
    image.setDotsPerMeterY(dotsPerMetre(format.Dpi));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray SvgBytes(const TFigure& figure, const TFigureFormat& format) {
    const QSizeF pt = PagePoints(format);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(PointsPerInch);
    svg.setSize(pt.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), pt));
    svg.setTitle(Text(figure.Title));
    {
        QPainter painter(&svg);
        PaintFigure(painter, QRectF(QPointF(0, 0), pt), figure, format.FontPt);
    }
    return bytes;
}

QByteArray PdfBytes(const TFigure& figure, const TFigureFormat& format) {
    const QSizeF pt = PagePoints(format);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(PointsPerInch);
        // One page exactly the figure's size: a figure, not a sheet with a figure on it.
        pdf.setPageSize(QPageSize(pt, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(Text(figure.Title));
        pdf.setCreator(QStringLiteral("Kelmora"));
        QPainter painter(&pdf);
        PaintFigure(painter, QRectF(QPointF(0, 0), pt), figure, format.FontPt);
    }  // the writer finishes the document when it goes
    return bytes;
}

}  // namespace

void PaintFigure(QPainter& painter, const QRectF& area, const TFigure& figure, double fontPt) {
    TFigurePainter(painter, area, figure, fontPt).Paint();
}

QByteArray FigureBytes(const TFigure& figure, const TFigureFormat& format, const QString& suffix) {
    if (suffix == QLatin1String("png")) {
        return PngBytes(figure, format);
    }
    if (suffix == QLatin1String("svg")) {
        return SvgBytes(figure, format);
    }
    if (suffix == QLatin1String("pdf")) {
        return PdfBytes(figure, format);
    }
    return {};
}

void WriteFigureFile(const TFigure& figure, const TFigureFormat& format, const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QByteArray bytes = FigureBytes(figure, format, suffix);
    if (bytes.isEmpty()) {
        throw EKelmoraError("Cannot export the chart to '" + path.toStdString() +
                            "': the name must end in .png, .svg or .pdf");
    }
    WriteFileAtomically(path.toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace kelmora
