#include "util/TextTable.h"

#include <algorithm>
#include <utility>

namespace kelmora {

std::string TStringTable::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= cols_ || row >= rows_) {
        return {};
    }
    return cells_[static_cast<std::size_t>(row) * cols_ + col];
}

void TStringTable::SetCell(int col, int row, const std::string& text) {
    if (col < 0 || row < 0) {
        return;
    }
    if (col >= cols_ || row >= rows_) {
        Resize(std::max(cols_, col + 1), std::max(rows_, row + 1));
    }
    cells_[static_cast<std::size_t>(row) * cols_ + col] = text;
}

void TStringTable::Resize(int cols, int rows) {
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    if (cols == cols_) {
        cells_.resize(static_cast<std::size_t>(rows) * cols);
        rows_ = rows;
        return;
    }
    std::vector<std::string> cells(static_cast<std::size_t>(rows) * cols);
    for (int r = 0; r < std::min(rows, rows_); ++r) {
        for (int c = 0; c < std::min(cols, cols_); ++c) {
            cells[static_cast<std::size_t>(r) * cols + c] =
                std::move(cells_[static_cast<std::size_t>(r) * cols_ + c]);
        }
    }
    cells_ = std::move(cells);
    cols_ = cols;
    rows_ = rows;
}

}  // namespace kelmora
