#include "app/ResultFormat.h"

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <type_traits>
#include <variant>

#include "analysisview/AnalysisReport.h"

namespace kelmora {

// Not a number and infinities say nothing to a reader; they are shown as missing.
std::string Num(double x) {
    if (!std::isfinite(x)) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", x);
    return text;
}

std::string Num(const std::optional<double>& x) {
    return x ? Num(*x) : "-";
}

std::string Range(const std::optional<analysis::TInterval>& i) {
    return i ? "[" + Num(i->Lo) + ", " + Num(i->Hi) + "]" : "-";
}

std::string Profile(const std::optional<analysis::TOpenInterval>& i) {
    if (!i) {
        return "-";
    }
    if (i->Lo && i->Hi) {
        return "[" + Num(*i->Lo) + ", " + Num(*i->Hi) + "]";
    }
    if (i->Lo || i->Hi) {
        return i->Lo ? "> " + Num(*i->Lo) : "< " + Num(*i->Hi);
    }
    return "open";
}

void WriteParamHeader(std::ostream& out) {
    out << std::left << "  ";
    for (const TParamColumn& column : ParamColumns()) {
        out << std::setw(column.TextWidth) << column.TextHeader;
    }
    out << '\n';
}

void WriteParamLine(std::ostream& out, const analysis::TParamResult& p) {
    out << std::left << "  ";
    for (const TParamColumn& column : ParamColumns()) {
        const std::string text = std::visit(
            [](const auto& cell) -> std::string {
                using T = std::decay_t<decltype(cell)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    return cell;
                } else if constexpr (std::is_same_v<T, std::optional<double>>) {
                    return Num(cell);
                } else if constexpr (std::is_same_v<T, std::optional<analysis::TInterval>>) {
                    return Range(cell);
                } else {
                    return Profile(cell);
                }
            },
            column.Cell(p));
        out << std::setw(column.TextWidth) << text;
    }
    out << '\n';
}

TJson JsonNumber(double x) {
    return std::isfinite(x) ? TJson(x) : TJson();
}

TJson JsonNumber(const std::optional<double>& x) {
    return x ? JsonNumber(*x) : TJson();
}

TJson JsonRange(const std::optional<analysis::TInterval>& i) {
    return i ? TJson::array({JsonNumber(i->Lo), JsonNumber(i->Hi)}) : TJson();
}

TJson JsonOpenRange(const std::optional<analysis::TOpenInterval>& i) {
    return i ? TJson::array({JsonNumber(i->Lo), JsonNumber(i->Hi)}) : TJson();
}

TJson JsonNumbers(const std::vector<double>& values) {
    TJson list = TJson::array();
    for (const double x : values) {
        list.push_back(JsonNumber(x));
    }
    return list;
}

TJson JsonMatrix(const std::vector<std::vector<double>>& m) {
    TJson rows = TJson::array();
    for (const std::vector<double>& row : m) {
        rows.push_back(JsonNumbers(row));
    }
    return rows;
}

TJson ParamsJson(const std::vector<analysis::TParamResult>& params) {
    TJson list = TJson::array();
    for (const analysis::TParamResult& p : params) {
        list.push_back({{"name", p.Name},
                        {"value", JsonNumber(p.Value)},
                        {"se", JsonNumber(p.Se)},
                        {"ci95", JsonRange(p.Ci95)},
                        {"mc95", JsonRange(p.Mc95)},
                        {"profile95", JsonOpenRange(p.Profile95)},
                        {"fixed", p.Fixed},
                        {"determined", p.Determined},
                        {"atLimit", p.AtLimit}});
    }
    return list;
}

void WriteComparisonText(std::ostream& out, const std::vector<analysis::TComparison>& comparison,
                         const std::string& verdict) {
    if (!comparison.empty()) {
        out << "Comparison\n";
        for (const analysis::TComparison& c : comparison) {
            out << "  " << c.Simpler << " vs " << c.Richer << ": F = " << Num(c.F) << ", "
                << (c.P ? analysis::PValueText(*c.P) : std::string("p = -")) << '\n';
        }
    }
    out << "Verdict: " << verdict << '\n';
}

void AddComparisonJson(TJson& doc, const std::vector<analysis::TComparison>& comparison,
                       const std::string& verdict) {
    TJson list = TJson::array();
    for (const analysis::TComparison& c : comparison) {
        list.push_back({{"simpler", c.Simpler},
                        {"richer", c.Richer},
                        {"F", JsonNumber(c.F)},
                        {"p", JsonNumber(c.P)}});
    }
    doc["comparison"] = std::move(list);
    doc["verdict"] = verdict;
}

void WriteJson(std::ostream& out, const TJson& doc) {
    out << doc.dump(-1, ' ', false, TJson::error_handler_t::replace) << '\n';
}

}  // namespace kelmora
