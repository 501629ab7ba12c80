#include "analysisview/SpectraView.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysisview/AnalysisCurves.h"
#include "util/Errors.h"

namespace kelmora {

using analysis::TObservable;
using analysis::TSpectraModelResult;
using TStyle = TFigureSeries::TStyle;

namespace {

constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Grey = 0x999999;

std::uint32_t Rgb(double r, double g, double b) {
    const auto byte = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

std::string SignalTitle(TObservable observable) {
    return observable == TObservable::Absorbance ? "Absorbance" : "Fluorescence";
}

}  // namespace

std::vector<std::size_t> ChosenWavelengths(const std::vector<double>& wavelengths, double lo,
                                           double hi, int step) {
    const double from = std::min(lo, hi);
    const double to = std::max(lo, hi);
    const auto every = static_cast<std::size_t>(std::max(step, 1));
    std::vector<std::size_t> chosen;
    std::size_t inside = 0;
    for (std::size_t k = 0; k < wavelengths.size(); ++k) {
        if (wavelengths[k] >= from && wavelengths[k] <= to) {
            if (inside % every == 0) {
                chosen.push_back(k);
            }
            ++inside;
        }
    }
    return chosen;
}

analysis::TSpectraTitration ChosenSpectra(const TSpectraFile& file,
                                          const std::vector<std::size_t>& chosen,
                                          const analysis::TTitration& points) {
    if (file.Values.size() != points.Conc.size()) {
        throw EKelmoraError("There are " + std::to_string(file.Values.size()) + " spectra but " +
                            std::to_string(points.Conc.size()) + " points.");
    }
    if (chosen.empty()) {
        throw EKelmoraError("No wavelength lies in the range chosen.");
    }
    analysis::TSpectraTitration t;
    t.Conc = points.Conc;
    t.Host = points.Host;
    for (const std::size_t k : chosen) {
        t.Wavelengths.push_back(file.Wavelengths.at(k));
    }
    for (const std::vector<double>& spectrum : file.Values) {
        std::vector<double>& values = t.Values.emplace_back();
        for (const std::size_t k : chosen) {
            values.push_back(spectrum.at(k));
        }
    }
    return t;
}

std::uint32_t PointRgb(std::size_t i, std::size_t n) {
    const double t = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
    // Blue, green, red at 0, ½ and 1, each fading into the next.
    const double r = std::max(0.0, 2.0 * t - 1.0);
    const double b = std::max(0.0, 1.0 - 2.0 * t);
    const double g = 1.0 - r - b;
    return Rgb(0.9 * r, 0.7 * g, 0.9 * b);
}

std::uint32_t ResidualRgb(double residual, double scale) {
    const double t = scale > 0.0 ? std::clamp(residual / scale, -1.0, 1.0) : 0.0;
    // The other two channels fade as the residual grows, leaving blue or red.
    const double fade = 1.0 - std::abs(t);
    return t < 0.0 ? Rgb(fade, fade, 1.0) : Rgb(1.0, fade, fade);
}

double ResidualScale(const std::vector<std::vector<double>>& residuals) {
    double scale = 0.0;
    for (const std::vector<double>& row : residuals) {
        for (const double r : row) {
            if (std::isfinite(r)) {
                scale = std::max(scale, std::abs(r));
            }
        }
    }
    return scale;
}

TFigure SpectraFigure(const analysis::TSpectraTitration& titration, TObservable observable,
                      const TSpectraModelResult* model) {
    TFigure figure;
    figure.Title =
        model != nullptr ? "Spectra (solid), model " + model->Model + " (dashed)" : "Spectra";
    figure.XTitle = "λ, nm";
    TFigurePanel panel{SignalTitle(observable), {}, 1.0, false, std::nullopt};
    const std::size_t n = titration.Values.size();
    for (std::size_t i = 0; i < n; ++i) {
        TFigureSeries measured{"point " + std::to_string(i + 1),
                               {},
                               TStyle::Line,
                               PointRgb(i, n),
                               i == 0 || i + 1 == n};
        for (std::size_t l = 0; l < titration.Wavelengths.size(); ++l) {
            measured.Points.push_back({titration.Wavelengths[l], titration.Values[i][l]});
        }
        panel.Series.push_back(std::move(measured));
    }
    if (model != nullptr && model->Residuals.size() == n) {
        figure.Key = {{"measured", {}, TStyle::Line, Black, true},
                      {"model " + model->Model, {}, TStyle::DashedLine, Black, true}};
        for (std::size_t i = 0; i < n; ++i) {
            // In the point's colour: where the model meets the data the dashes vanish into the
            // measured line, and where it misses they stand apart.
            TFigureSeries fitted{"fit", {}, TStyle::DashedLine, PointRgb(i, n), false};
            for (std::size_t l = 0; l < titration.Wavelengths.size(); ++l) {
                fitted.Points.push_back(
                    {titration.Wavelengths[l], titration.Values[i][l] - model->Residuals[i][l]});
            }
            panel.Series.push_back(std::move(fitted));
        }
    }
    figure.Panels.push_back(std::move(panel));
    return figure;
}

std::vector<std::size_t> IsothermWavelengths(const analysis::TSpectraTitration& titration,
                                             const std::vector<double>& asked) {
    const std::vector<double>& wavelengths = titration.Wavelengths;
    std::vector<std::size_t> at;
    if (wavelengths.empty()) {
        return at;
    }
    for (const double nm : asked) {
        std::size_t nearest = 0;
        for (std::size_t l = 1; l < wavelengths.size(); ++l) {
            if (std::abs(wavelengths[l] - nm) < std::abs(wavelengths[nearest] - nm)) {
                nearest = l;
            }
        }
        if (std::find(at.begin(), at.end(), nearest) == at.end()) {
            at.push_back(nearest);
        }
    }
    if (!asked.empty()) {
        return at;
    }
    std::size_t most = 0;
    double largest = -1.0;
    for (std::size_t l = 0; l < wavelengths.size(); ++l) {
        double lo = INFINITY;
        double hi = -INFINITY;
        for (const std::vector<double>& spectrum : titration.Values) {
            lo = std::min(lo, spectrum[l]);
            hi = std::max(hi, spectrum[l]);
        }
        if (hi - lo > largest) {
            largest = hi - lo;
            most = l;
        }
    }
    return {most};
}

TFigure IsothermFigure(const analysis::TSpectraTitration& titration, TObservable observable,
                       const TSpectraModelResult& model, const std::vector<std::size_t>& at) {
    TFigure figure;
    figure.Title = "Isotherms, model " + model.Model;
    figure.XTitle = "C, M";
    figure.Key = {{"measured", {}, TStyle::Markers, Black, true},
                  {"model " + model.Model, {}, TStyle::Line, Black, true}};
    TFigurePanel panel{SignalTitle(observable), {}, 1.0, false, std::nullopt};
    const std::size_t n = titration.Values.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return titration.Conc[a] < titration.Conc[b];
    });
    for (std::size_t k = 0; k < at.size(); ++k) {
        const std::size_t l = at[k];
        const std::string name = ResultNumber(titration.Wavelengths[l]) + " nm";
        TFigureSeries measured{name, {}, TStyle::Markers, SignalRgb(k), true};
        TFigureSeries fitted{name + ", model", {}, TStyle::Line, SignalRgb(k), false};
        for (const std::size_t i : order) {
            const double c = titration.Conc[i];
            measured.Points.push_back({c, titration.Values[i][l]});
            if (i < model.Residuals.size()) {
                fitted.Points.push_back({c, titration.Values[i][l] - model.Residuals[i][l]});
            }
        }
        panel.Series.push_back(std::move(measured));
        panel.Series.push_back(std::move(fitted));
    }
    figure.Panels.push_back(std::move(panel));
    return figure;
}

TFigure DistributionFigure(const analysis::TSpectraTitration& titration,
                           const TSpectraModelResult& model, int samples) {
    const analysis::TModelDef* def = analysis::FindModel(model.Model);
    TAnalysisCurves curves;
    if (def != nullptr && model.Converged) {
        analysis::TModelValues values{*def, {}, {}};
        for (const std::string& name : def->LgK) {
            const auto p =
                std::find_if(model.LgK.begin(), model.LgK.end(),
                             [&](const analysis::TParamResult& r) { return r.Name == name; });
            values.LgK.push_back(p != model.LgK.end() ? p->Value : NAN);
        }
        const analysis::TTitration points{titration.Conc, titration.Host, {}, {}};
        AddSpeciesShares(values, points, SampledConc(points, samples), curves);
    }
    return SpeciesFigure(curves, model.Model);
}

TFigure SpeciesSpectraFigure(const std::vector<double>& wavelengths, TObservable observable,
                             const TSpectraModelResult& model) {
    TFigure figure;
    figure.Title = "Species spectra, model " + model.Model + " (±2 SE)";
    figure.XTitle = "λ, nm";
    TFigurePanel panel{observable == TObservable::Absorbance ? "ε, M⁻¹ cm⁻¹" : "Response, M⁻¹",
                       {},
                       1.0,
                       false,
                       std::nullopt};
    for (std::size_t k = 0; k < model.Species.size(); ++k) {
        const analysis::TSpeciesSpectrum& s = model.Species[k];
        TFigureSeries band{s.Species + " ±2 SE", {}, TStyle::Band, SignalRgb(k), false};
        TCurve lower;
        TFigureSeries line{s.Species, {}, TStyle::Line, SignalRgb(k), true};
        for (std::size_t l = 0; l < wavelengths.size() && l < s.Eps.size(); ++l) {
            line.Points.push_back({wavelengths[l], s.Eps[l]});
            if (l < s.Se.size() && std::isfinite(s.Se[l])) {
                band.Points.push_back({wavelengths[l], s.Eps[l] + 2.0 * s.Se[l]});
                lower.push_back({wavelengths[l], s.Eps[l] - 2.0 * s.Se[l]});
            }
        }
        band.Points.insert(band.Points.end(), lower.rbegin(), lower.rend());
        if (!band.Points.empty()) {
            panel.Series.push_back(std::move(band));
        }
        panel.Series.push_back(std::move(line));
    }
    figure.Panels.push_back(std::move(panel));
    return figure;
}

TFigure SingularValueFigure(const analysis::TFactorAnalysis& factors) {
    TFigure figure;
    figure.Title = "Factor analysis";
    figure.XTitle = "Rank";
    TFigurePanel panel{"lg singular value", {}, 1.0, false, std::nullopt};
    TFigureSeries species{"species", {}, TStyle::Markers, SignalRgb(0), true};
    TFigureSeries noise{"noise", {}, TStyle::Markers, Grey, true};
    for (std::size_t k = 0; k < factors.SingularValues.size(); ++k) {
        const double s = factors.SingularValues[k];
        if (s > 0.0) {
            TFigureSeries& into = static_cast<int>(k) < factors.Species ? species : noise;
            into.Points.push_back({static_cast<double>(k + 1), std::log10(s)});
        }
    }
    panel.Series.push_back(std::move(species));
    panel.Series.push_back(std::move(noise));
    figure.Panels.push_back(std::move(panel));
    return figure;
}

TTextRows SpectraParamRows(const TSpectraModelResult& model) {
    TTextRows rows;
    for (const analysis::TParamResult& p : model.LgK) {
        rows.push_back(ParamRow(p));
    }
    return rows;
}

std::vector<std::string> SpectraComparisonHeader(const analysis::TSpectraResult& result) {
    std::vector<std::string> header = {"Model", "SS", "RMS", "Parameters", "AIC", "AICc", "BIC"};
    for (const std::string& richer : ComparisonRicher(result.Comparison)) {
        header.push_back("F-test p vs " + richer);
    }
    return header;
}

TTextRows SpectraComparisonRows(const analysis::TSpectraResult& result) {
    TTextRows rows;
    for (const TSpectraModelResult& m : result.Models) {
        std::vector<std::string> row = {m.Model,
                                        ResultNumber(m.Ss),
                                        ResultNumber(m.Rms),
                                        std::to_string(m.Params),
                                        ResultNumber(m.Aic),
                                        ResultNumber(m.Aicc),
                                        ResultNumber(m.Bic)};
        AppendFTests(row, m.Model, result.Comparison);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FactorText(const analysis::TFactorAnalysis& factors) {
    return "Factor analysis: " + std::to_string(factors.Species) +
           " species above the noise (noise SD " + ResultNumber(factors.NoiseSd) + ")";
}

std::string SpectraWarningText(const analysis::TSpectraResult& result) {
    std::string out;
    const auto add = [&out](const std::string& text) { out += (out.empty() ? "" : "; ") + text; };
    if (result.Stopped) {
        add("stopped: Monte Carlo incomplete");
    }
    for (const TSpectraModelResult& m : result.Models) {
        if (!m.Converged) {
            add(m.Model + " did not converge" + (m.Message.empty() ? "" : ": " + m.Message));
        } else if (!m.Message.empty()) {
            add(m.Model + ": " + m.Message);
        }
    }
    return out;
}

}  // namespace kelmora
