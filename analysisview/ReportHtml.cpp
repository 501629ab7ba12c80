#include "analysisview/ReportHtml.h"

#include "analysisview/AnalysisCurves.h"
#include "analysisview/AnalysisReport.h"
#include "analysisview/ResultSheets.h"

namespace kelmora {

using analysis::TAnalysisResult;
using analysis::TModelResult;

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Table(const std::vector<std::string>& header, const TTextRows& rows) {
    // Attributes as well as the style: Qt's rich text, which lays out the PDF, reads only these.
    std::string out = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>";
    for (const std::string& h : header) {
        out += "<th>" + Escape(h) + "</th>";
    }
    out += "</tr>\n";
    for (const std::vector<std::string>& row : rows) {
        out += "<tr>";
        for (const std::string& cell : row) {
            out += "<td>" + Escape(cell) + "</td>";
        }
        out += "</tr>\n";
    }
    return out + "</table>\n";
}

// A table of cells shown as the report shows numbers.
std::string CellTable(const std::vector<std::vector<TCell>>& cells) {
    if (cells.empty()) {
        return {};
    }
    std::vector<std::string> header;
    for (const TCell& c : cells.front()) {
        header.push_back(CellText(c));
    }
    TTextRows rows;
    for (std::size_t r = 1; r < cells.size(); ++r) {
        std::vector<std::string> row;
        for (const TCell& c : cells[r]) {
            row.push_back(CellText(c));
        }
        rows.push_back(std::move(row));
    }
    return Table(header, rows);
}

std::string ModelName(const TModelResult& m) {
    return m.Model.Name;
}

const char* const Style =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;font-size:10pt;max-width:180mm;"
    "margin:auto}table{border-collapse:collapse;margin:4pt 0 10pt 0}"
    "td,th{border:1px solid #999;padding:1pt 5pt;text-align:right}th{background:#eee}"
    "figure{margin:8pt 0}figcaption{font-size:9pt}.footer{font-size:8pt;color:#333}";

}  // namespace

std::vector<TReportFigure> ReportFigures(const TAnalysisResult& result,
                                         const analysis::TTitration& titration) {
    std::vector<TReportFigure> figures;
    for (const TModelResult& m : result.Models) {
        if (m.Params.empty()) {
            continue;
        }
        const TAnalysisCurves curves = MakeCurves(m, titration);
        const std::string name = ModelName(m);
        figures.push_back({FitFigure(curves, result.SignalNames, name),
                           "Model " + name +
                               ": observed shifts (markers) and the fit (lines); "
                               "residuals below."});
        figures.push_back({SpeciesFigure(curves, name),
                           "Model " + name + ": the share of the host in each species."});
        figures.push_back({DeltaFigure(m, titration, result.SignalNames, false),
                           "Model " + name + ": Δδ = δ − δ(C = 0) against equivalents C/P0."});
    }
    return figures;
}

std::string MethodsText(const TAnalysisResult& result, const TRunRecord& record) {
    std::string models;
    std::string equations;
    for (const TModelResult& m : result.Models) {
        models += (models.empty() ? "" : ", ") + ModelName(m);
        equations +=
            (equations.empty() ? "For " : "; for ") + ModelName(m) + ", " + m.Model.Equations;
    }
    const analysis::TAnalysisSettings& s = record.Settings;
    std::string text =
        "The binding models (" + models + ") were fitted to the chemical shifts of all " +
        std::to_string(result.SignalNames.size()) + " signals at all " +
        std::to_string(result.Points) + " points at once by nonlinear least squares (Kelmora " +
        record.Version + "). " + equations +
        ". At each point the free host and ligand concentrations were solved exactly from the "
        "mass balances of host (P0) and ligand (C), and each signal's shift was taken as the "
        "mole-fraction average over its species, δ = Σ m·δ(PmLn)·[PmLn]/P0 for a host signal "
        "(free P counted with δP)";
    text += s.GuestSignals.empty() ? std::string()
                                   : " and δ = Σ n·δ(PmLn)·[PmLn]/C for a guest signal (free L "
                                     "with δL; points at C = 0 left out)";
    text += s.LinearTerm ? " plus a linear term k·C. " : ". ";
    text +=
        "For given constants the shifts of the species enter linearly and were solved exactly; "
        "the lg K were optimised by Levenberg–Marquardt, started from every valley of SS on a "
        "lattice over the constants (0.1 lg apart for one constant, 0.5 for two, 1 for three) "
        "and, for a model that contains others, from their optima. Standard errors come from the "
        "covariance matrix s²(JᵀJ)⁻¹ with s² = SS/(N − p); 95 % intervals are the value ± "
        "t(0.975, N − p)·SE. Profile 95 % intervals of each lg K are where SS, with every other "
        "parameter refitted, stays below SS·(1 + F(0.95; 1, N − p)/(N − p)); a constant is "
        "called determined only when its profile interval is closed. The stepwise lg K2 "
        "= lg K2 − lg K1 and the cooperativity α = 4·K2(stepwise)/K1 take their errors from "
        "the covariance. ";
    if (s.WeightPerSignal) {
        text +=
            "Each signal was weighted by the inverse of its own residual variance, iterated "
            "to convergence. ";
    }
    if (s.Replicates > 0) {
        text += "Monte Carlo intervals are the 2.5 and 97.5 percentiles of " +
                std::to_string(result.ReplicatesDone) +
                " refits of synthetic data: the fitted curve plus normal noise with the fit's "
                "residual standard deviation";
        text += s.ConcErrorPercent > 0.0 ? ", with C and P0 perturbed by a relative error of " +
                                               ResultNumber(s.ConcErrorPercent) + " %"
                                         : std::string();
        text += " (seed " + std::to_string(s.Seed) + "). ";
    }
    text += "The models were compared by AIC, AICc, BIC and, for nested models, an F-test.";
    return text;
}

std::string ReportHtml(const TAnalysisResult& result, const analysis::TTitration& titration,
                       const TRunRecord& record, const TFigureHtml& figureHtml) {
    const std::vector<TSheet> sheets = ResultSheets(result, titration, record);
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<title>Kelmora binding analysis</title><style>" +
        std::string(Style) + "</style></head><body>\n";
    html += "<h1>Binding analysis</h1>\n";
    html += "<h2>Data</h2>\n<p>Total ligand C and host P0 in M, shifts in ppm, as read.</p>\n" +
            CellTable(sheets[0].Rows);
    if (record.Volumes) {
        html += "<p>" + Escape(VolumesText(*record.Volumes)) + ".</p>\n";
    }
    html += "<h2>Settings</h2>\n<ul>\n";
    const std::vector<std::string> lines = ProvenanceLines(result, titration, record);
    for (std::size_t k = 1; k <= 3 && k < lines.size(); ++k) {  // models, points, replicates
        html += "<li>" + Escape(lines[k]) + "</li>\n";
    }
    html += "</ul>\n<h2>Results</h2>\n";
    for (const TModelResult& m : result.Models) {
        html += "<h3>Model " + Escape(ModelName(m)) + "</h3>\n" +
                Table(ParamTableHeader(), ParamTableRows(m));
    }
    html += "<h2>Model comparison</h2>\n" + Table(ComparisonHeader(result), ComparisonRows(result));
    html += "<p><b>" + Escape(result.Verdict) + "</b></p>\n";
    if (const std::string warning = WarningText(result); !warning.empty()) {
        html += "<p>" + Escape(warning) + "</p>\n";
    }
    html += "<h2>Figures</h2>\n";
    for (const TReportFigure& f : ReportFigures(result, titration)) {
        html += figureHtml(f.Figure, f.Caption);
    }
    html += "<h2>Observed, calculated and residual shifts</h2>\n";
    for (const TModelResult& m : result.Models) {
        std::vector<std::vector<TCell>> cells = ResidualRows(m, titration);
        cells.insert(cells.begin(), ResidualHeader(result.SignalNames));
        html += "<h3>Model " + Escape(ModelName(m)) + "</h3>\n" + CellTable(cells);
    }
    html += "<h2>Methods</h2>\n<p>" + Escape(MethodsText(result, record)) + "</p>\n";
    html += "<hr><div class=\"footer\">\n";
    const std::size_t described = lines.size() - (record.CommandLine.empty() ? 0 : 1);
    for (std::size_t k = 0; k < described; ++k) {
        html += "<p>" + Escape(lines[k]) + "</p>\n";
    }
    if (!record.CommandLine.empty()) {
        // In a fixed-pitch font, which sets "fi" as two letters: the line is copied to a shell.
        html += "<p>Command: <code>" + Escape(record.CommandLine) + "</code></p>\n";
    }
    return html + "</div>\n</body></html>\n";
}

}  // namespace kelmora
