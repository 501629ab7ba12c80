#include "analysisview/ResultSheets.h"

#include <cmath>

#include "analysisview/AnalysisReport.h"

namespace kelmora {

using analysis::TAnalysisResult;
using analysis::TModelResult;

namespace {

TCell Number(const std::optional<double>& x) {
    TCell cell;
    if (x) {
        cell.emplace<double>(*x);
    }
    return cell;
}

TCell Text(std::string_view s) {
    return TCell(std::string(s));
}

void AppendInterval(std::vector<TCell>& row, const std::optional<analysis::TInterval>& i) {
    row.push_back(Number(i ? std::optional<double>(i->Lo) : std::nullopt));
    row.push_back(Number(i ? std::optional<double>(i->Hi) : std::nullopt));
}

TSheet DataSheet(const analysis::TTitration& t, const std::vector<std::string>& names) {
    TSheet sheet{"Data", {{Text("C"), Text("P0")}}};
    for (const std::string& n : names) {
        sheet.Rows[0].push_back(Text(n));
    }
    for (std::size_t i = 0; i < t.Conc.size(); ++i) {
        std::vector<TCell> row = {t.Conc[i], t.HostAt(i)};
        for (const double shift : t.Shifts[i]) {
            row.emplace_back(shift);
        }
        sheet.Rows.push_back(std::move(row));
    }
    return sheet;
}

void AppendOpenInterval(std::vector<TCell>& row, const std::optional<analysis::TOpenInterval>& i) {
    for (const std::optional<double>& end : {i ? i->Lo : std::nullopt, i ? i->Hi : std::nullopt}) {
        row.push_back(!i || end ? Number(end) : Text(OpenEndText));
    }
}

std::string_view ParamNote(const analysis::TParamResult& p) {
    return p.Fixed ? "fixed" : p.AtLimit ? "at the limit" : !p.Determined ? "undetermined" : "";
}

TSheet ParamSheet(const TAnalysisResult& result) {
    TSheet sheet{"Results",
                 {{Text("Model"), Text("Parameter"), Text("Value"), Text("SE"), Text("95 % low"),
                   Text("95 % high"), Text("Profile 95 % low"), Text("Profile 95 % high"),
                   Text("MC 2.5 %"), Text("MC 97.5 %"), Text("Note")}}};
    for (const TModelResult& m : result.Models) {
        const std::string& model = m.Model.Name;
        // The derived rows (stepwise lg K2, cooperativity) follow the fitted ones.
        for (const auto* list : {&m.Params, &m.Derived}) {
            for (const analysis::TParamResult& p : *list) {
                std::vector<TCell> row = {model, p.Name, p.Value, Number(p.Se)};
                AppendInterval(row, p.Ci95);
                AppendOpenInterval(row, p.Profile95);
                AppendInterval(row, p.Mc95);
                row.push_back(Text(ParamNote(p)));
                sheet.Rows.push_back(std::move(row));
            }
        }
        for (std::size_t c = 0; c < m.Constants.size() && !m.Params.empty(); ++c) {
            const analysis::TConstant& k = m.Constants[c];
            std::vector<TCell> row = {model, Text(ConstantLabel(k)), k.Value, TCell()};
            AppendInterval(row, k.Ci95);
            AppendOpenInterval(row, k.Profile95);
            AppendInterval(row, k.Mc95);
            row.push_back(Text(k.Determined ? "" : "undetermined"));
            sheet.Rows.push_back(std::move(row));
        }
    }
    return sheet;
}

TSheet ComparisonSheet(const TAnalysisResult& result) {
    TSheet sheet{"Comparison", {{}}};
    for (const std::string& title : ComparisonHeader(result)) {
        sheet.Rows[0].push_back(Text(title));
    }
    const std::vector<std::string> richer = ComparisonRicher(result);
    for (const TModelResult& m : result.Models) {
        std::vector<TCell> row = {Text(m.Model.Name), m.Ss,           m.Rms,        m.CovFit,
                                  Number(m.Aic),      Number(m.Aicc), Number(m.Bic)};
        for (const std::string& r : richer) {
            std::optional<double> p;
            for (const analysis::TComparison& c : result.Comparison) {
                if (c.Simpler == m.Model.Name && c.Richer == r) {
                    p = c.P;
                }
            }
            row.push_back(Number(p));
        }
        sheet.Rows.push_back(std::move(row));
    }
    sheet.Rows.push_back({});
    sheet.Rows.push_back({Text("Verdict"), result.Verdict});
    return sheet;
}

}  // namespace

std::vector<TCell> ResidualHeader(const std::vector<std::string>& signalNames) {
    std::vector<TCell> header = {Text("C"), Text("P0")};
    for (const std::string& n : signalNames) {
        for (const char* what : {" obs", " calc", " residual"}) {
            header.push_back(n + what);
        }
    }
    return header;
}

std::vector<std::vector<TCell>> ResidualRows(const TModelResult& model,
                                             const analysis::TTitration& titration) {
    std::vector<std::vector<TCell>> rows;
    for (std::size_t i = 0; i < titration.Conc.size() && i < model.Residuals.size(); ++i) {
        std::vector<TCell> row = {titration.Conc[i], titration.HostAt(i)};
        for (std::size_t s = 0; s < titration.Shifts[i].size(); ++s) {
            const double obs = titration.Shifts[i][s];
            const double residual = model.Residuals[i][s];
            row.insert(row.end(), {obs, obs - residual, residual});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TSheet> ResultSheets(const TAnalysisResult& result,
                                 const analysis::TTitration& titration, const TRunRecord& record) {
    std::vector<TSheet> sheets = {DataSheet(titration, result.SignalNames), ParamSheet(result),
                                  ComparisonSheet(result)};
    TSheet residuals{"Residuals", {}};
    std::vector<TCell> header = ResidualHeader(result.SignalNames);
    header.insert(header.begin(), Text("Model"));
    residuals.Rows.push_back(std::move(header));
    for (const TModelResult& m : result.Models) {
        for (std::vector<TCell>& row : ResidualRows(m, titration)) {
            row.insert(row.begin(), Text(m.Model.Name));
            residuals.Rows.push_back(std::move(row));
        }
    }
    sheets.push_back(std::move(residuals));
    TSheet provenance{"Provenance", {}};
    for (const std::string& line : ProvenanceLines(result, titration, record)) {
        provenance.Rows.push_back({line});
    }
    sheets.push_back(std::move(provenance));
    return sheets;
}

}  // namespace kelmora
