#include "app/ResultFormat.h"

#include <cmath>
#include <cstdio>

#include "app/FitOutput.h"

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

std::string JsonNumber(const std::optional<double>& x) {
    return x ? FormatJsonNumber(*x) : "null";
}

std::string JsonRange(const std::optional<analysis::TInterval>& i) {
    return i ? "[" + FormatJsonNumber(i->Lo) + "," + FormatJsonNumber(i->Hi) + "]" : "null";
}

void WriteNumbers(std::ostream& out, const std::vector<double>& values) {
    out << '[';
    for (std::size_t k = 0; k < values.size(); ++k) {
        out << (k > 0 ? "," : "") << FormatJsonNumber(values[k]);
    }
    out << ']';
}

void WriteMatrix(std::ostream& out, const std::vector<std::vector<double>>& m) {
    out << '[';
    for (std::size_t r = 0; r < m.size(); ++r) {
        out << (r > 0 ? ",\n   " : "\n   ");
        WriteNumbers(out, m[r]);
    }
    out << ']';
}

std::string JsonOpenRange(const std::optional<analysis::TOpenInterval>& i) {
    return i ? "[" + JsonNumber(i->Lo) + "," + JsonNumber(i->Hi) + "]" : "null";
}

std::string JsonBool(bool b) {
    return b ? "true" : "false";
}

void WriteParamsJson(std::ostream& out, const std::vector<analysis::TParamResult>& params) {
    out << '[';
    for (std::size_t i = 0; i < params.size(); ++i) {
        const analysis::TParamResult& p = params[i];
        out << (i > 0 ? ",\n   " : "\n   ") << "{\"name\":" << JsonString(p.Name)
            << ",\"value\":" << FormatJsonNumber(p.Value) << ",\"se\":" << JsonNumber(p.Se)
            << ",\"ci95\":" << JsonRange(p.Ci95) << ",\"mc95\":" << JsonRange(p.Mc95)
            << ",\"profile95\":" << JsonOpenRange(p.Profile95) << ",\"fixed\":" << JsonBool(p.Fixed)
            << ",\"determined\":" << JsonBool(p.Determined)
            << ",\"atLimit\":" << JsonBool(p.AtLimit) << '}';
    }
    out << ']';
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

void WriteComparisonJson(std::ostream& out, const std::vector<analysis::TComparison>& comparison,
                         const std::string& verdict) {
    out << "\"comparison\":[";
    for (std::size_t i = 0; i < comparison.size(); ++i) {
        const analysis::TComparison& c = comparison[i];
        out << (i > 0 ? "," : "") << "{\"simpler\":" << JsonString(c.Simpler)
            << ",\"richer\":" << JsonString(c.Richer) << ",\"F\":" << JsonNumber(c.F)
            << ",\"p\":" << JsonNumber(c.P) << '}';
    }
    out << "],\n\"verdict\":" << JsonString(verdict);
}

}  // namespace kelmora
