#include "grid/DataCells.h"

#include <algorithm>

namespace kelmora {

TDataCells DataCellsOf(const ITextTable& data) {
    TDataCells cells;
    for (int r = 1; r < data.RowCount(); ++r) {
        cells.push_back({data.Cell(0, r), data.Cell(1, r)});
    }
    while (!cells.empty() && cells.back()[0].empty() && cells.back()[1].empty()) {
        cells.pop_back();
    }
    return cells;
}

void RestoreDataCells(const TDataCells& cells, TGridCore& data) {
    const int filled = static_cast<int>(cells.size());
    data.SetRowCount(std::max(DataGridRows, filled + 1));
    data.FillBlock({0, 1, 1, data.RowCount() - 1}, [&](int col, int row) {
        return row <= filled ? std::string_view(cells[row - 1][col]) : std::string_view();
    });
}

}  // namespace kelmora
