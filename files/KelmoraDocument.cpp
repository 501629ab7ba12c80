#include "files/KelmoraDocument.h"

#include <algorithm>
#include <cmath>

#include "util/NumberText.h"

namespace kelmora {

namespace {

// NaN equals NaN here: a list that held one before still holds it.
bool SameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

TKelmoraDocument StartupDocument() {
    TStringTable table(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(table);
    TKelmoraDocument doc;
    StoreParamsTable(doc, table, TFitState());
    return doc;
}

bool SameWork(const TKelmoraDocument& a, const TKelmoraDocument& b) {
    const auto sameMinimum = [](const TFoundMinimum& x, const TFoundMinimum& y) {
        return SameNumber(x.Q, y.Q) &&
               std::equal(x.Params.begin(), x.Params.end(), y.Params.begin(), SameNumber);
    };
    return a.DecimalSeparator == b.DecimalSeparator && a.ParamCells == b.ParamCells &&
           a.DataCells == b.DataCells && a.P0Text == b.P0Text &&
           a.IterCountText == b.IterCountText && a.FinishMinima == b.FinishMinima &&
           a.ChartMode == b.ChartMode && SameNumber(a.BestQ, b.BestQ) &&
           a.MinimaDropped == b.MinimaDropped &&
           std::equal(a.Minima.begin(), a.Minima.end(), b.Minima.begin(), b.Minima.end(),
                      sameMinimum) &&
           a.Analysis == b.Analysis;
}

void StoreParamsTable(TKelmoraDocument& doc, const ITextTable& table, const TFitState& state) {
    for (int i = 0; i < ParamCount; ++i) {
        for (int c = 0; c < ParamFileColumns; ++c) {
            doc.ParamCells[i][c] = table.Cell(c + 1, i + 1);
        }
    }
    doc.ParamValues = state.GetParamVector();
}

void RestoreParamsTable(const TKelmoraDocument& doc, ITextTable& table) {
    for (int i = 0; i < ParamCount; ++i) {
        for (int c = 0; c < ParamFileColumns; ++c) {
            table.SetCell(c + 1, i + 1, doc.ParamCells[i][c]);
        }
    }
}

void RestoreExactValues(const TKelmoraDocument& doc, const ITextTable& table, TFitState& state) {
    for (int i = 0; i < ParamCount; ++i) {
        if (table.Cell(1, i + 1) == FormatGeneral(doc.ParamValues[i])) {
            state.FitParams[i].Value = doc.ParamValues[i];
        }
    }
}

std::vector<std::array<std::string, 2>> DataCellsOf(const ITextTable& data) {
    std::vector<std::array<std::string, 2>> cells;
    for (int r = 1; r < data.RowCount(); ++r) {
        cells.push_back({data.Cell(0, r), data.Cell(1, r)});
    }
    while (!cells.empty() && cells.back()[0].empty() && cells.back()[1].empty()) {
        cells.pop_back();
    }
    return cells;
}

void RestoreDataCells(const std::vector<std::array<std::string, 2>>& cells, TGridCore& data) {
    const int filled = static_cast<int>(cells.size());
    data.SetRowCount(std::max(DataGridRows, filled + 1));
    data.FillBlock({0, 1, 1, data.RowCount() - 1}, [&](int col, int row) {
        return row <= filled ? std::string_view(cells[row - 1][col]) : std::string_view();
    });
}

}  // namespace kelmora
