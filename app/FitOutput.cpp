#include "app/FitOutput.h"

#include "app/ResultFormat.h"
#include "engine/BoundNotes.h"
#include "util/NumberText.h"

namespace kelmora {

namespace {

constexpr int ParamsFileCells = 7;

TJson ParamsJson(const TFitState& state) {
    TJson list = TJson::array();
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        list.push_back({{"name", ParamRowLabels[i]},
                        {"value", JsonNumber(p.Value)},
                        {"maxStep", JsonNumber(p.MaxStep)},
                        {"minStep", JsonNumber(p.MinStep)},
                        {"optimize", p.Optimize},
                        {"minVal", JsonNumber(p.MinVal)},
                        {"maxVal", JsonNumber(p.MaxVal)},
                        {"stepsCount", p.StepsCount}});
    }
    return list;
}

TJson PointsJson(const TFitState& state) {
    TJson list = TJson::array();
    for (const TDataPoint& pt : state.Points) {
        list.push_back({{"conc", JsonNumber(pt.Conc)},
                        {"expShift", JsonNumber(pt.ExpShift)},
                        {"theorShift", JsonNumber(pt.TheorShift)},
                        {"alpha1", JsonNumber(pt.Alpha1)},
                        {"alpha2", JsonNumber(pt.Alpha2)}});
    }
    return list;
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

TJson MinimaJson(const TMinimaStore* minima) {
    TJson list = TJson::array();
    if (minima != nullptr) {
        for (const TFoundMinimum& m : minima->Minima()) {
            TJson params = TJson::array();
            for (const double v : m.Params) {
                params.push_back(JsonNumber(v));
            }
            list.push_back({{"Q", JsonNumber(m.Q)}, {"params", std::move(params)}});
        }
    }
    return list;
}

}  // namespace

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
    const TJson doc = {{"command", FitCommandName(command)},
                       {"Q", JsonNumber(state.Q)},
                       {"outOfBounds", ParamNames(OutOfBoundsParams(state))},
                       {"atBound", ParamNames(AtBoundParams(state))},
                       {"params", ParamsJson(state)},
                       {"points", PointsJson(state)},
                       {"minima", MinimaJson(minima)},
                       {"bestQ", anyListed ? JsonNumber(minima->BestQ()) : TJson()}};
    WriteJson(out, doc);
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
