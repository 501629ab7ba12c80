#include "ui/SpectraCharts.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>

#include "analysisview/AnalysisReport.h"
#include "analysisview/SpectraView.h"
#include "qtutil/QtText.h"
#include "ui/FigureChart.h"
#include "util/NumberText.h"

namespace kelmora {

namespace {

constexpr int kBarWidth = 16;

QColor Colour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

}  // namespace

TResidualMap::TResidualMap(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 160);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TResidualMap::Show(const std::vector<double>& wavelengths,
                        const std::vector<std::vector<double>>& residuals, const QString& title) {
    scale_ = ResidualScale(residuals);
    title_ = title;
    const auto w = static_cast<int>(wavelengths.size());
    const auto n = static_cast<int>(residuals.size());
    map_ = QImage(w, n, QImage::Format_RGB32);
    for (int i = 0; i < n; ++i) {
        for (int l = 0; l < w; ++l) {
            const std::vector<double>& row = residuals[std::size_t(i)];
            const double r = std::size_t(l) < row.size() ? row[std::size_t(l)] : 0.0;
            map_.setPixel(l, i, Colour(ResidualRgb(r, scale_)).rgb());
        }
    }
    first_ = wavelengths.empty() ? 0.0 : wavelengths.front();
    last_ = wavelengths.empty() ? 0.0 : wavelengths.back();
    update();
}

void TResidualMap::Clear() {
    map_ = QImage();
    scale_ = 0.0;
    title_.clear();
    update();
}

void TResidualMap::paintEvent(QPaintEvent* /*event*/) {
    if (map_.isNull()) {
        return;
    }
    QPainter p(this);
    const QFontMetrics fm = p.fontMetrics();
    const int line = fm.height();
    const int left = fm.horizontalAdvance(QStringLiteral("point 000")) + 8;
    const QString top = ToQString(ResultNumber(scale_));
    const QString bottom = ToQString(ResultNumber(-scale_));
    const int right = kBarWidth + fm.horizontalAdvance(bottom) + 16;
    const QRect plot(left, 2 * line, std::max(1, width() - left - right),
                     std::max(1, height() - 4 * line - 8));
    p.drawText(QRect(0, 0, width(), 2 * line), Qt::AlignCenter, title_);
    p.drawImage(plot, map_);
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    // The axes name their ends only: wavelengths across, the first and last point down.
    const int below = plot.bottom() + line + 2;
    p.drawText(plot.left(), below, FormatNumber(first_) + QStringLiteral(" nm"));
    const QString lastText = FormatNumber(last_) + QStringLiteral(" nm");
    p.drawText(plot.right() - fm.horizontalAdvance(lastText), below, lastText);
    p.drawText(QRect(plot.left(), below, plot.width(), line + 4), Qt::AlignHCenter,
               QStringLiteral("λ"));
    p.drawText(4, plot.top() + line, QStringLiteral("point 1"));
    p.drawText(4, plot.bottom(), QStringLiteral("point ") + QString::number(map_.height()));
    // The colour bar: +scale at the top, 0 in the middle, −scale at the bottom.
    const QRect bar(plot.right() + 8, plot.top(), kBarWidth, plot.height());
    for (int y = 0; y < bar.height(); ++y) {
        const double r = scale_ * (1.0 - 2.0 * y / std::max(1, bar.height() - 1));
        p.setPen(Colour(ResidualRgb(r, scale_)));
        p.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(bar);
    const int textX = bar.right() + 4;
    p.drawText(textX, bar.top() + fm.ascent(), top);
    p.drawText(textX, bar.center().y() + fm.ascent() / 2, QStringLiteral("0"));
    p.drawText(textX, bar.bottom(), bottom);
}

QString TResidualMap::FormatNumber(double x) {
    return ToQString(ResultNumber(x));
}

TSpectraCharts::TSpectraCharts(QWidget* parent) : QTabWidget(parent) {
    SpectraChart = MakeChartView(this);
    ResidualMap = new TResidualMap(this);
    SpeciesChart = MakeChartView(this);
    FactorChart = MakeChartView(this);
    DistributionChart = MakeChartView(this);
    auto* isotherms = new QWidget(this);
    auto* isothermLayout = new QVBoxLayout(isotherms);
    auto* isothermRow = new QHBoxLayout;
    IsothermEdit = new QLineEdit(isotherms);
    IsothermEdit->setPlaceholderText(QStringLiteral("where the spectra change most"));
    isothermRow->addWidget(new QLabel(QStringLiteral("At λ, nm:"), isotherms));
    isothermRow->addWidget(IsothermEdit, 1);
    isothermLayout->addLayout(isothermRow);
    IsothermChart = MakeChartView(isotherms);
    isothermLayout->addWidget(IsothermChart, 1);
    addTab(SpectraChart, QStringLiteral("Spectra"));
    addTab(ResidualMap, QStringLiteral("Residual map"));
    addTab(SpeciesChart, QStringLiteral("Species spectra"));
    addTab(FactorChart, QStringLiteral("Singular values"));
    addTab(DistributionChart, QStringLiteral("Distribution"));
    addTab(isotherms, QStringLiteral("Isotherms"));
    connect(IsothermEdit, &QLineEdit::editingFinished, this, &TSpectraCharts::ShowIsotherms);
    Clear();
}

void TSpectraCharts::Clear() {
    spectra_ = species_ = factors_ = distribution_ = isotherms_ = TFigure{};
    titration_.reset();
    model_.reset();
    for (QChartView* view :
         {SpectraChart, SpeciesChart, FactorChart, DistributionChart, IsothermChart}) {
        view->chart()->removeAllSeries();
        view->chart()->setTitle(QString());
    }
    ResidualMap->Clear();
}

void TSpectraCharts::ShowData(const analysis::TSpectraTitration& titration,
                              analysis::TObservable observable) {
    Clear();
    spectra_ = SpectraFigure(titration, observable, nullptr);
    ShowFigurePanel(SpectraChart, spectra_, 0);
}

void TSpectraCharts::Show(const analysis::TSpectraResult& result,
                          const analysis::TSpectraTitration& titration,
                          const analysis::TSpectraModelResult& model) {
    spectra_ = SpectraFigure(titration, result.Observable, &model);
    species_ = SpeciesSpectraFigure(result.Wavelengths, result.Observable, model);
    factors_ = SingularValueFigure(result.Factors);
    distribution_ = DistributionFigure(titration, model);
    ShowFigurePanel(SpectraChart, spectra_, 0);
    ShowFigurePanel(SpeciesChart, species_, 0);
    ShowFigurePanel(FactorChart, factors_, 0);
    ShowFigurePanel(DistributionChart, distribution_, 0);
    ResidualMap->Show(result.Wavelengths, model.Residuals,
                      QStringLiteral("Residuals, model ") + ToQString(model.Model));
    titration_ = titration;
    model_ = model;
    observable_ = result.Observable;
    ShowIsotherms();
}

void TSpectraCharts::ShowIsotherms() {
    if (!titration_ || !model_) {
        return;
    }
    // Numbers as typed in the separator in force; what does not read as one is passed over.
    std::vector<double> asked;
    const QStringList words = IsothermEdit->text().split(
        QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        if (const std::optional<double> nm = TryParseFloat(word.toStdString())) {
            asked.push_back(*nm);
        }
    }
    isotherms_ =
        IsothermFigure(*titration_, observable_, *model_, IsothermWavelengths(*titration_, asked));
    ShowFigurePanel(IsothermChart, isotherms_, 0);
}

std::optional<TFigure> TSpectraCharts::CurrentFigure() const {
    switch (currentIndex()) {
        case 0:
            return spectra_;
        case 2:
            return species_;
        case 3:
            return factors_;
        case 4:
            return distribution_;
        case 5:
            return isotherms_;
        default:
            return std::nullopt;
    }
}

QImage TSpectraCharts::ResidualImage() const {
    return ResidualMap->grab().toImage();
}

}  // namespace kelmora
