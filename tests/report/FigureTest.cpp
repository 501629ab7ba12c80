#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QRegularExpression>
#include <QTransform>
#include <QXmlStreamReader>
#include <cmath>
#include <vector>

#include "analysis/Analysis.h"
#include "report/FigurePainter.h"
#include "tests/report/ReportFixtures.h"

using namespace kelmora;

namespace {

struct TSvgText {
    QString Text;
    double SizePt = 0.0;
    QRectF Box;  // in the view box's units, points
};

QTransform ParseTransform(const QString& attr) {
    static const QRegularExpression matrix(QStringLiteral("matrix\\(([^)]*)\\)"));
    const QRegularExpressionMatch m = matrix.match(attr);
    if (!m.hasMatch()) {
        return {};
    }
    const QStringList v = m.captured(1).split(QLatin1Char(','));
    return QTransform(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble(),
                      v[4].toDouble(), v[5].toDouble());
}

// Every text of the drawing with its size and the box its glyphs take, measured with the font
// the file names.
std::vector<TSvgText> SvgTexts(const QByteArray& svg, QRectF& viewBox) {
    std::vector<TSvgText> texts;
    QXmlStreamReader xml(svg);
    std::vector<QTransform> transforms = {QTransform()};
    std::vector<double> sizes = {0.0};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            QTransform t = transforms.back();
            if (a.hasAttribute(QStringLiteral("transform"))) {
                t = ParseTransform(a.value(QStringLiteral("transform")).toString()) * t;
            }
            double size = sizes.back();
            if (a.hasAttribute(QStringLiteral("font-size"))) {
                size = a.value(QStringLiteral("font-size"))
                           .toString()
                           .remove(QStringLiteral("pt"))
                           .toDouble();
            }
            if (xml.name() == QLatin1String("svg")) {
                const QStringList v =
                    a.value(QStringLiteral("viewBox")).toString().split(QLatin1Char(' '));
                viewBox =
                    QRectF(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble());
            }
            if (xml.name() == QLatin1String("text")) {
                const QPointF at(a.value(QStringLiteral("x")).toDouble(),
                                 a.value(QStringLiteral("y")).toDouble());
                const QString text = xml.readElementText();
                QFont font(QStringLiteral("DejaVu Sans"));
                font.setPixelSize(100);  // measured large, then scaled: no hinting in the way
                const QFontMetricsF fm(font);
                const double k = size / 100.0;
                const QRectF local(at.x(), at.y() - fm.ascent() * k, fm.horizontalAdvance(text) * k,
                                   (fm.ascent() + fm.descent()) * k);
                texts.push_back({text, size, t.mapRect(local)});
                continue;
            }
            transforms.push_back(t);
            sizes.push_back(size);
        } else if (xml.isEndElement()) {
            transforms.pop_back();
            sizes.pop_back();
        }
    }
    return texts;
}

struct TCase {
    const char* Name;
    double WidthMm, HeightMm, FontPt;
    int Signals;
};

}  // namespace

TEST(Figure, TextsAreLegibleAndWholeAtPrintSizes) {
    const TCase cases[] = {{"single column", 85, 60, 8, 2},
                           {"single column, eight signals", 85, 60, 8, 8},
                           {"double column", 175, 80, 9, 3},
                           {"small and tall", 60, 90, 7, 5}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFitted fitted = FittedExample(c.Signals, "1:2");
        const TFigure figure = FitFigure(MakeCurves(fitted.Model, fitted.Titration),
                                         fitted.Titration.SignalNames, "1:2");
        const QByteArray svg =
            FigureBytes(figure, {c.WidthMm, c.HeightMm, c.FontPt, 300}, QStringLiteral("svg"));
        QRectF viewBox;
        const std::vector<TSvgText> texts = SvgTexts(svg, viewBox);
        EXPECT_NEAR(viewBox.width(), c.WidthMm * 72 / 25.4, 1.0);
        EXPECT_NEAR(viewBox.height(), c.HeightMm * 72 / 25.4, 1.0);
        ASSERT_GT(texts.size(), 10u);
        QStringList shown;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const TSvgText& t = texts[i];
            shown << t.Text;
            EXPECT_GE(t.SizePt, std::min(7.0, c.FontPt) - 1e-9) << t.Text.toStdString();
            EXPECT_TRUE(viewBox.contains(t.Box)) << t.Text.toStdString();
            // Pieces of one text in two fonts meet with a hair of overlap.
            const QRectF core = t.Box.adjusted(0.3, 0.3, -0.3, -0.3);
            for (std::size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(core.intersects(texts[j].Box))
                    << t.Text.toStdString() << " over " << texts[j].Text.toStdString();
            }
        }
        for (const std::string& name : fitted.Titration.SignalNames) {
            EXPECT_TRUE(shown.contains(QString::fromStdString(name))) << name;
        }
        EXPECT_TRUE(shown.contains(QStringLiteral("0")));
        EXPECT_TRUE(shown.contains(QStringLiteral("model 1:2")));
        for (const QString& s : shown) {
            EXPECT_FALSE(s.contains(QStringLiteral("e-1"))) << s.toStdString();
        }
    }
}
