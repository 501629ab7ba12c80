#include "app/FitOutput.h"

#include <charconv>
#include <cmath>

#include "engine/BoundNotes.h"
#include "util/NumberText.h"

namespace kelmora {

namespace {

constexpr int ParamsFileCells = 7;

void WriteParams(std::ostream& out, const TFitState& state) {
    out << "\"params\":[";
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        out << (i > 0 ? ",\n  " : "\n  ") << "{\"name\":" << JsonString(ParamRowLabels[i])
            << ",\"value\":" << FormatJsonNumber(p.Value)
            << ",\"maxStep\":" << FormatJsonNumber(p.MaxStep)
            << ",\"minStep\":" << FormatJsonNumber(p.MinStep)
            << ",\"optimize\":" << (p.Optimize ? "true" : "false")
            << ",\"minVal\":" << FormatJsonNumber(p.MinVal)
            << ",\"maxVal\":" << FormatJsonNumber(p.MaxVal) << ",\"stepsCount\":" << p.StepsCount
            << "}";
    }
    out << "]";
}

void WritePoints(std::ostream& out, const TFitState& state) {
    out << "\"points\":[";
    for (std::size_t j = 0; j < state.Points.size(); ++j) {
        const TDataPoint& pt = state.Points[j];
        out << (j > 0 ? ",\n  " : "\n  ") << "{\"conc\":" << FormatJsonNumber(pt.Conc)
            << ",\"expShift\":" << FormatJsonNumber(pt.ExpShift)
            << ",\"theorShift\":" << FormatJsonNumber(pt.TheorShift)
            << ",\"alpha1\":" << FormatJsonNumber(pt.Alpha1)
            << ",\"alpha2\":" << FormatJsonNumber(pt.Alpha2) << "}";
    }
    out << "]";
}

void WriteNames(std::ostream& out, const char* key, const std::vector<int>& params) {
    out << '"' << key << "\":[";
    const std::vector<std::string> names = ParamNames(params);
    for (std::size_t k = 0; k < names.size(); ++k) {
        out << (k > 0 ? "," : "") << JsonString(names[k]);
    }
    out << "]";
}

void WriteNotesLine(std::ostream& err, const char* what, const std::vector<int>& params) {
    if (params.empty()) {
        return;
    }
    err << "kelmora-fit: " << what << ": ";
    const std::vector<std::string> names = ParamNames(params);
    for (std::size_t k = 0; k < names.size(); ++k) {
        err << (k > 0 ? ", " : "") << names[k];
    }
    err << '\n';
}

void WriteMinima(std::ostream& out, const TMinimaStore* minima) {
    out << "\"minima\":[";
    if (minima != nullptr) {
        bool first = true;
        for (const TFoundMinimum& m : minima->Minima()) {
            out << (first ? "\n  " : ",\n  ") << "{\"Q\":" << FormatJsonNumber(m.Q)
                << ",\"params\":[";
            for (int i = 0; i < ParamCount; ++i) {
                out << (i > 0 ? "," : "") << FormatJsonNumber(m.Params[i]);
            }
            out << "]}";
            first = false;
        }
    }
    out << "]";
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string s = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\') {
            s += '\\';
            s += ch;
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(ch));
            s += buf;
        } else {
            s += ch;
        }
    }
    return s + "\"";
}

std::string FormatJsonNumber(double x) {
    if (!std::isfinite(x)) {
        return "null";
    }
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 17);
    return std::string(buf, result.ptr);
}

void WriteTextOutput(std::ostream& out, const ITextTable& paramsTable, const TFitState& state,
                     const TMinimaStore* minima) {
    for (int r = 1; r <= ParamCount; ++r) {
        for (int c = 1; c <= ParamsFileCells; ++c) {
            out << (c > 1 ? "\t" : "") << paramsTable.Cell(c, r);
        }
        out << '\n';
    }
    out << "Q\t" << FormatGeneral(state.Q) << '\n';
    if (minima == nullptr) {
        return;
    }
    int number = 0;
    for (const TFoundMinimum& m : minima->Minima()) {
        out << ++number << '\t' << FormatFixed(m.Q, 6);
        for (const double v : m.Params) {
            out << '\t' << FormatGeneral(v);
        }
        out << '\n';
    }
}

void WriteJsonOutput(std::ostream& out, TFitCommand command, const TFitState& state,
                     const TMinimaStore* minima) {
    const bool anyListed = minima != nullptr && minima->BestQ() != TMinimaStore::NoBestQ;
    out << "{\"command\":" << JsonString(FitCommandName(command))
        << ",\n\"Q\":" << FormatJsonNumber(state.Q) << ",\n";
    WriteNames(out, "outOfBounds", OutOfBoundsParams(state));
    out << ",";
    WriteNames(out, "atBound", AtBoundParams(state));
    out << ",\n";
    WriteParams(out, state);
    out << ",\n";
    WritePoints(out, state);
    out << ",\n";
    WriteMinima(out, minima);
    out << ",\n\"bestQ\":" << (anyListed ? FormatJsonNumber(minima->BestQ()) : "null") << "}\n";
}

void WriteBoundNotes(std::ostream& err, const TFitState& state) {
    WriteNotesLine(err, "out of bounds", OutOfBoundsParams(state));
    WriteNotesLine(err, "at bound", AtBoundParams(state));
}

std::string DataLeftOutWarning(const TDataRowCount& rows) {
    const int end = rows.Points + 1;
    return "kelmora-fit: warning: line " + std::to_string(end) +
           " has no C, so the data end there; " + std::to_string(rows.RowsLeftOut) +
           (rows.RowsLeftOut == 1 ? " line" : " lines") + " with text from line " +
           std::to_string(end) + " on " + (rows.RowsLeftOut == 1 ? "was" : "were") + " not read";
}

}  // namespace kelmora
