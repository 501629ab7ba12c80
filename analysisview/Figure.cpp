#include "analysisview/Figure.h"

#include <algorithm>
#include <cmath>

namespace kelmora {

using TStyle = TFigureSeries::TStyle;

namespace {

constexpr std::uint32_t Black = 0x000000;

std::string SignalName(const std::vector<std::string>& names, std::size_t s) {
    return s < names.size() ? names[s] : "s" + std::to_string(s + 1);
}

std::vector<TFigureSeries> StyleKey(const std::string& modelName, bool fitted) {
    std::vector<TFigureSeries> key = {{"observed", {}, TStyle::Markers, Black, true}};
    if (fitted) {
        key.push_back({"model " + modelName, {}, TStyle::Line, Black, true});
    }
    return key;
}

void Widen(std::optional<TFigureRange>& range, double v) {
    if (!std::isfinite(v)) {
        return;
    }
    if (!range) {
        range = TFigureRange{v, v};
    }
    range->Lo = std::min(range->Lo, v);
    range->Hi = std::max(range->Hi, v);
}

}  // namespace

std::uint32_t SignalRgb(std::size_t k) {
    static constexpr std::uint32_t colours[] = {0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7,
                                                0xE69F00, 0x56B4E9, 0x787878, 0x000000};
    return colours[k % std::size(colours)];
}

TFigure FitFigure(const TAnalysisCurves& curves, const std::vector<std::string>& signalNames,
                  const std::string& modelName) {
    TFigure figure;
    figure.Title = "Model " + modelName;
    figure.XTitle = "C, M";
    TFigurePanel shifts{"δ, ppm", {}, 3.0, false, std::nullopt};
    TFigurePanel residuals{"Residual, ppm", {}, 1.4, true, std::nullopt};
    const bool fitted = !curves.Fitted.empty();
    for (std::size_t s = 0; s < curves.Observed.size(); ++s) {
        const std::uint32_t colour = SignalRgb(s);
        const std::string name = SignalName(signalNames, s);
        shifts.Series.push_back({name, curves.Observed[s], TStyle::Markers, colour, true});
        if (s < curves.Fitted.size()) {
            shifts.Series.push_back({name, curves.Fitted[s], TStyle::Line, colour, false});
        }
        if (s < curves.Residuals.size() && !curves.Residuals[s].empty()) {
            residuals.Series.push_back({name, curves.Residuals[s], TStyle::Markers, colour, false});
        }
    }
    figure.Panels.push_back(std::move(shifts));
    if (fitted) {
        figure.Panels.push_back(std::move(residuals));
    }
    figure.Key = StyleKey(modelName, fitted);
    return figure;
}

TFigure SpeciesFigure(const TAnalysisCurves& curves, const std::string& modelName) {
    TFigure figure;
    figure.Title = "Model " + modelName;
    figure.XTitle = "C, M";
    TFigurePanel panel{"Fraction of P0", {}, 1.0, false, TFigureRange{0.0, 1.0}};
    for (std::size_t k = 0; k < curves.Species.size(); ++k) {
        if (!curves.Species[k].empty()) {
            panel.Series.push_back(
                {curves.SpeciesNames[k], curves.Species[k], TStyle::Line, SignalRgb(k), true});
        }
    }
    figure.Panels.push_back(std::move(panel));
    return figure;
}

TFigure DeltaFigure(const analysis::TModelResult& model, const analysis::TTitration& titration,
                    const std::vector<std::string>& signalNames, bool logX, int samples) {
    TFigure figure;
    figure.Title = "Model " + model.Model.Name;
    figure.XTitle = "Equivalents C/P0";
    figure.LogX = logX;
    TFigurePanel panel{"Δδ, ppm", {}, 1.0, false, std::nullopt};
    const std::size_t n = titration.Conc.size();
    const std::size_t signals = n == 0 ? 0 : titration.Shifts.front().size();
    const bool fitted = !model.Params.empty() && model.Best.Signals.size() == signals;
    std::size_t lowest = 0;
    for (std::size_t i = 1; i < n; ++i) {
        lowest = titration.Conc[i] < titration.Conc[lowest] ? i : lowest;
    }
    const auto usable = [logX](double x) { return std::isfinite(x) && (!logX || x > 0.0); };
    double eqLo = INFINITY, eqHi = -INFINITY, cHi = 0.0;
    for (std::size_t s = 0; s < signals; ++s) {
        const double reference =
            fitted ? model.Best.Signals[s].Species[0] : titration.Shifts[lowest][s];
        TFigureSeries observed{SignalName(signalNames, s), {}, TStyle::Markers, SignalRgb(s), true};
        for (std::size_t i = 0; i < n; ++i) {
            const double eq = titration.Conc[i] / titration.HostAt(i);
            if (usable(eq)) {
                observed.Points.push_back({eq, titration.Shifts[i][s] - reference});
                eqLo = std::min(eqLo, eq);
                eqHi = std::max(eqHi, eq);
                cHi = std::max(cHi, titration.Conc[i]);
            }
        }
        panel.Series.push_back(std::move(observed));
    }
    if (fitted && eqHi > eqLo) {
        // Sampled evenly along the axis as drawn, so a log axis gets its low end too.
        const auto along = [&](int k) {
            const double t = static_cast<double>(k) / samples;
            return logX ? eqLo * std::pow(eqHi / eqLo, t) : eqLo + (eqHi - eqLo) * t;
        };
        std::vector<TCurve> lines(signals);
        for (int k = 0; k <= samples; ++k) {
            const double eq = along(k);
            // C from equivalents through the host along the titration: C / H(C) = eq, by
            // bisection, as C / H(C) grows with C along any titration that adds ligand.
            double lo = 0.0, hi = cHi;
            for (int it = 0; it < 100 && hi > lo; ++it) {
                const double mid = (lo + hi) / 2;
                (mid / HostAlong(titration, mid) < eq ? lo : hi) = mid;
            }
            const double c = (lo + hi) / 2;
            const double host = HostAlong(titration, c);
            const analysis::TModelPoint p = analysis::EvaluateModel(model.Best, c, host);
            for (std::size_t s = 0; s < signals && s < p.Shifts.size(); ++s) {
                lines[s].push_back({eq, p.Shifts[s] - model.Best.Signals[s].Species[0]});
            }
        }
        for (std::size_t s = 0; s < signals; ++s) {
            panel.Series.push_back({SignalName(signalNames, s), std::move(lines[s]), TStyle::Line,
                                    SignalRgb(s), false});
        }
    }
    figure.Panels.push_back(std::move(panel));
    figure.Key = StyleKey(model.Model.Name, fitted);
    return figure;
}

std::optional<TFigureRange> XExtent(const TFigure& figure) {
    std::optional<TFigureRange> range;
    for (const TFigurePanel& panel : figure.Panels) {
        for (const TFigureSeries& series : panel.Series) {
            for (const TCurvePoint& p : series.Points) {
                if (!figure.LogX || p.X > 0.0) {
                    Widen(range, p.X);
                }
            }
        }
    }
    return range;
}

std::optional<TFigureRange> YExtent(const TFigurePanel& panel) {
    if (panel.FixedY) {
        return panel.FixedY;
    }
    std::optional<TFigureRange> range;
    for (const TFigureSeries& series : panel.Series) {
        for (const TCurvePoint& p : series.Points) {
            Widen(range, p.Y);
        }
    }
    if (range && panel.SymmetricY) {
        const double half = std::max(-range->Lo, range->Hi);
        range = TFigureRange{-half, half};
    }
    return range;
}

}  // namespace kelmora
