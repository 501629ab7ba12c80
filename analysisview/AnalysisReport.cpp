#include "analysisview/AnalysisReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "analysisview/ResultSheets.h"
#include "util/NumberText.h"

namespace kelmora {

using analysis::TAnalysisResult;
using analysis::TInterval;
using analysis::TModelResult;

namespace {

constexpr double SmallestPValue = 1e-300;

// "M⁻¹", "M⁻²", ...: the unit of an overall constant of the given order.
std::string ConstantUnit(int order) {
    static const char* const digits[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶"};
    return std::string("M⁻") + digits[std::min(order, 6)];
}

void AppendInterval(std::vector<std::string>& row, const std::optional<TInterval>& interval) {
    row.push_back(interval ? ResultNumber(interval->Lo) : std::string());
    row.push_back(interval ? ResultNumber(interval->Hi) : std::string());
}

// A profile interval's ends; an end the data leave open says so rather than standing empty,
// which would read as "not computed".
void AppendProfile(std::vector<std::string>& row,
                   const std::optional<analysis::TOpenInterval>& interval) {
    for (const auto end : {&analysis::TOpenInterval::Lo, &analysis::TOpenInterval::Hi}) {
        row.push_back(!interval          ? std::string()
                      : (*interval).*end ? ResultNumber(*((*interval).*end))
                                         : std::string(OpenEndText));
    }
}

// "> 3.76", "< 5.93": what the profile bounds of a constant the data leave open on one side.
std::string OpenBound(const std::optional<analysis::TOpenInterval>& i) {
    if (i && (i->Lo || i->Hi) && !i->Closed()) {
        return i->Lo ? "> " + ResultNumber(*i->Lo) : "< " + ResultNumber(*i->Hi);
    }
    return "undetermined";
}

// An undetermined constant shows its one-sided bound, never a value at the search limit.
std::vector<std::string> ConstantRow(const analysis::TConstant& k) {
    std::vector<std::string> row = {ConstantLabel(k),
                                    k.Determined ? ResultNumber(k.Value) : OpenBound(k.Profile95),
                                    std::string()};
    AppendInterval(row, k.Ci95);
    AppendProfile(row, k.Profile95);
    AppendInterval(row, k.Mc95);
    return row;
}

void AppendRows(std::string& out, const std::vector<std::string>& header, const TTextRows& rows) {
    for (std::size_t r = 0; r <= rows.size(); ++r) {
        const std::vector<std::string>& cells = r == 0 ? header : rows[r - 1];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            out += (c == 0 ? "" : "\t") + cells[c];
        }
        out += "\r\n";
    }
}

}  // namespace

std::string ResultNumber(double x) {
    if (!std::isfinite(x) || x == 0.0) {
        return FormatGeneral(x);
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5e", x);  // C locale syntax whatever the separator
    return FormatGeneral(std::strtod(buf, nullptr));
}

std::string ResultNumber(const std::optional<double>& x) {
    return x ? ResultNumber(*x) : std::string();
}

const std::vector<TParamColumn>& ParamColumns() {
    using analysis::TParamResult;
    static const std::vector<TParamColumn> columns = {
        {{"Parameter"}, "parameter", 16, [](const TParamResult& p) { return TResultCell(p.Name); }},
        {{"Value"},
         "value",
         16,
         [](const TParamResult& p) {
             return p.AtLimit ? TResultCell(std::string("at the limit"))
                              : TResultCell(std::optional<double>(p.Value));
         }},
        {{"SE"},
         "SE",
         16,
         [](const TParamResult& p) {
             return p.Fixed         ? TResultCell(std::string("fixed"))
                    : !p.Determined ? TResultCell(std::string("undetermined"))
                                    : TResultCell(p.Se);
         }},
        {{"95 % low", "95 % high"},
         "95 % interval",
         32,
         [](const TParamResult& p) { return TResultCell(p.Ci95); }},
        {{"Profile 95 % low", "Profile 95 % high"},
         "profile 95 %",
         28,
         [](const TParamResult& p) { return TResultCell(p.Profile95); }},
        {{"MC 2.5 %", "MC 97.5 %"},
         "Monte Carlo 95 %",
         0,
         [](const TParamResult& p) { return TResultCell(p.Mc95); }},
    };
    return columns;
}

const std::vector<std::string>& ParamTableHeader() {
    static const std::vector<std::string> header = [] {
        std::vector<std::string> h;
        for (const TParamColumn& column : ParamColumns()) {
            h.insert(h.end(), column.SheetHeaders.begin(), column.SheetHeaders.end());
        }
        return h;
    }();
    return header;
}

std::vector<std::string> ParamRow(const analysis::TParamResult& p) {
    std::vector<std::string> row;
    for (const TParamColumn& column : ParamColumns()) {
        std::visit(
            [&row](const auto& cell) {
                using T = std::decay_t<decltype(cell)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    row.push_back(cell);
                } else if constexpr (std::is_same_v<T, std::optional<double>>) {
                    row.push_back(ResultNumber(cell));
                } else if constexpr (std::is_same_v<T, std::optional<TInterval>>) {
                    AppendInterval(row, cell);
                } else {
                    AppendProfile(row, cell);
                }
            },
            column.Cell(p));
    }
    return row;
}

TTextRows ParamTableRows(const TModelResult& model) {
    TTextRows rows;
    std::vector<analysis::TParamResult> params = model.Params;
    params.insert(params.end(), model.Derived.begin(), model.Derived.end());
    for (const analysis::TParamResult& p : params) {
        rows.push_back(ParamRow(p));
    }
    if (!model.Params.empty()) {
        for (const analysis::TConstant& k : model.Constants) {
            rows.push_back(ConstantRow(k));
        }
    }
    return rows;
}

std::string ConstantLabel(const analysis::TConstant& k) {
    return k.Name + ", " + ConstantUnit(k.Species.M + k.Species.N - 1);
}

std::vector<std::string> ComparisonRicher(const TAnalysisResult& result) {
    return ComparisonRicher(result.Comparison);
}

std::vector<std::string> ComparisonRicher(const std::vector<analysis::TComparison>& comparison) {
    std::vector<std::string> richer;
    for (const analysis::TComparison& c : comparison) {
        if (std::find(richer.begin(), richer.end(), c.Richer) == richer.end()) {
            richer.push_back(c.Richer);
        }
    }
    return richer;
}

std::vector<std::string> ComparisonHeader(const TAnalysisResult& result) {
    std::vector<std::string> header = {"Model", "SS", "RMS, ppm", "cov_fit", "AIC", "AICc", "BIC"};
    for (const std::string& richer : ComparisonRicher(result)) {
        header.push_back("F-test p vs " + richer);
    }
    return header;
}

void AppendFTests(std::vector<std::string>& row, const std::string& model,
                  const std::vector<analysis::TComparison>& comparison) {
    for (const std::string& r : ComparisonRicher(comparison)) {
        std::optional<double> p;
        for (const analysis::TComparison& c : comparison) {
            if (c.Simpler == model && c.Richer == r) {
                p = c.P;
            }
        }
        // A p below the double range's reach is no proof of 0; the JSON keeps the number. The
        // bound is written as the column's other numbers are.
        const bool tiny = p && *p < SmallestPValue;
        row.push_back(tiny ? "< " + ResultNumber(SmallestPValue) : ResultNumber(p));
    }
}

TTextRows ComparisonRows(const TAnalysisResult& result) {
    TTextRows rows;
    for (const TModelResult& m : result.Models) {
        std::vector<std::string> row = {
            m.Model.Name,        ResultNumber(m.Ss),   ResultNumber(m.Rms), ResultNumber(m.CovFit),
            ResultNumber(m.Aic), ResultNumber(m.Aicc), ResultNumber(m.Bic)};
        AppendFTests(row, m.Model.Name, result.Comparison);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string WarningText(const TAnalysisResult& result) {
    std::string out;
    const auto add = [&out](const std::string& text) { out += (out.empty() ? "" : "; ") + text; };
    for (const std::string& warning : result.Warnings) {
        add(warning);
    }
    for (const TModelResult& m : result.Models) {
        const std::string& name = m.Model.Name;
        if (!m.Converged) {
            add(name + " did not converge" + (m.Message.empty() ? "" : ": " + m.Message));
            continue;
        }
        if (!m.Message.empty()) {
            add(name + ": " + m.Message);
        }
        std::string undetermined;
        for (const analysis::TParamResult& p : m.Params) {
            if (!p.Fixed && !p.Determined) {
                undetermined += (undetermined.empty() ? "" : ", ") + p.Name;
            }
        }
        if (!undetermined.empty()) {
            add(name + ": undetermined " + undetermined);
        }
        for (const analysis::TOtherMinimum& other : m.OtherMinima) {
            add(name + ": " + analysis::OtherMinimumText(other, m));
        }
    }
    return out;
}

std::string ProgressText(const analysis::TAnalysisProgress& progress) {
    const std::string count =
        std::to_string(progress.Done) + " of " + std::to_string(progress.Total);
    if (progress.Phase == analysis::TAnalysisPhase::MonteCarlo) {
        return "Monte Carlo " + progress.Model + ": " + count + " replicates";
    }
    return "Fitting: " + count + " models";
}

std::string RunStatusText(const TAnalysisResult& result) {
    if (!result.NotFitted.empty()) {
        std::string names;
        for (const std::string& m : result.NotFitted) {
            names += " " + m;
        }
        return "Stopped while fitting; not fitted:" + names;
    }
    if (result.Stopped) {
        std::string done;
        for (const TModelResult& m : result.Models) {
            done +=
                (done.empty() ? "" : ", ") + m.Model.Name + " " + std::to_string(m.ReplicatesDone);
        }
        return "Stopped. Monte Carlo replicates done of " +
               std::to_string(result.ReplicatesRequested) + ": " + done;
    }
    if (result.ReplicatesRequested == 0) {
        return "Done, without Monte Carlo";
    }
    return "Done: " + std::to_string(result.ReplicatesDone) + " Monte Carlo replicates";
}

namespace {

std::string LinesText(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

}  // namespace

std::string CellText(const TCell& cell) {
    if (const double* x = std::get_if<double>(&cell)) {
        return ResultNumber(*x);
    }
    const std::string* s = std::get_if<std::string>(&cell);
    return s != nullptr ? *s : std::string();
}

std::string ResultsCopyText(const TAnalysisResult& result,
                            const std::vector<std::string>& provenance) {
    std::string out = LinesText(provenance) + (provenance.empty() ? "" : "\r\n");
    for (const TModelResult& m : result.Models) {
        out += "Model\t" + m.Model.Name + "\r\n";
        AppendRows(out, ParamTableHeader(), ParamTableRows(m));
        out += "\r\n";
    }
    AppendRows(out, ComparisonHeader(result), ComparisonRows(result));
    if (!result.Verdict.empty()) {
        out += result.Verdict + "\r\n";
    }
    const std::string warning = WarningText(result);
    if (!warning.empty()) {
        out += warning + "\r\n";
    }
    return out;
}

std::string ResidualsCopyText(const TModelResult& model, const analysis::TTitration& titration,
                              const std::vector<std::string>& signalNames,
                              const std::vector<std::string>& provenance) {
    std::vector<std::string> header;
    for (const TCell& c : ResidualHeader(signalNames)) {
        header.push_back(CellText(c));
    }
    TTextRows rows;
    for (const std::vector<TCell>& cells : ResidualRows(model, titration)) {
        std::vector<std::string> row;
        for (const TCell& c : cells) {
            row.push_back(CellText(c));
        }
        rows.push_back(std::move(row));
    }
    std::string out = LinesText(provenance) + "Model\t" + model.Model.Name + "\r\n";
    AppendRows(out, header, rows);
    return out;
}

double SignalQ(const TModelResult& model, int signal) {
    double sum = 0.0;
    for (const std::vector<double>& point : model.Residuals) {
        const double r = point[std::size_t(signal)];
        sum += r * r;
    }
    return model.Residuals.empty() ? 0.0 : sum * 1e4 / double(model.Residuals.size());
}

std::optional<TParamVector> MainTableVector(const TModelResult& model, int signal) {
    const analysis::TModelValues& best = model.Best;
    const analysis::TSignalShifts& s = best.Signals[std::size_t(signal)];
    const std::vector<analysis::TModelComplex>& complexes = best.Model.Complexes;
    std::vector<double> lgBeta(complexes.size());
    analysis::ComplexLgBeta(best.Model, best.LgK, lgBeta);
    TParamVector v = {0.0, -1000.0, s.Species[0], 0.0, 0.0, s.K};
    bool hasPL = false;
    for (std::size_t k = 0; k < complexes.size(); ++k) {
        const analysis::TSpecies species = complexes[k].Species;
        if (species.M != 1 || species.N > 2 || s.Guest) {
            return std::nullopt;  // the main window knows PL and PL2 of host signals only
        }
        hasPL = hasPL || species.N == 1;
        v[species.N - 1] = lgBeta[k];
        v[species.N + 2] = s.Species[k + 1];
    }
    if (!hasPL) {
        return std::nullopt;
    }
    return v;
}

}  // namespace kelmora
