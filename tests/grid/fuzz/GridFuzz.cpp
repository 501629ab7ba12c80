#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/GridCore.h"
#include "tests/support/FuzzRequire.h"

using namespace kelmora;
using kelmora::fuzz::Require;

namespace {

bool Visible(char ch) {
    return static_cast<unsigned char>(ch) > 32;
}

// A line with a TAB: one cell per TAB-separated field, empty ones kept, blanks only inside a
// cell. A line without: the runs of bytes above 32, never an empty cell. Either way the cells
// hold exactly the visible bytes of the line, in order.
void CheckSplitCells(std::string_view line) {
    std::string visible;
    for (const char ch : line) {
        if (Visible(ch)) {
            visible += ch;
        }
    }
    const bool tabbed = line.find('\t') != std::string_view::npos;
    const std::vector<std::string> cells = SplitCells(line);
    if (tabbed) {
        Require(cells.size() ==
                    static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1,
                "one cell per TAB-separated field");
    }
    std::string joined;
    for (const std::string& cell : cells) {
        Require(tabbed || !cell.empty(), "empty cell");
        Require(cell.empty() || (Visible(cell.front()) && Visible(cell.back())),
                "blanks around a cell");
        for (const char ch : cell) {
            Require(ch != '\t' && (tabbed || Visible(ch)), "separator inside a cell");
            if (Visible(ch)) {
                joined += ch;
            }
        }
    }
    Require(joined == visible, "cells lost or reordered bytes");
}

}  // namespace

// The first two bytes choose the selection, the rest is the clipboard text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    CheckSplitCells(text);

    TGridCore grid;
    grid.SetColCount(4);
    grid.SetRowCount(6);
    grid.SetFixedCols(data[0] & 1);
    grid.SetFixedRows(1);
    const int left = (data[0] >> 1) & 3;
    const int right = (data[0] >> 3) & 3;
    const int top = data[1] % 6;
    grid.SetSelection({left, top, right, top});
    const TGridRect sel = grid.Selection();
    const int before = grid.RowCount();

    const std::vector<std::string> lines = SplitLines(text);
    grid.PasteText(text);

    const int startRow = std::max(sel.Top, grid.FixedRows());
    const int startCol = std::max(sel.Left, grid.FixedCols());
    const int expectedRows =
        lines.empty() ? before : std::max(before, startRow + static_cast<int>(lines.size()));
    Require(grid.RowCount() == expectedRows, "row count does not follow the line count");
    Require(grid.ColCount() == 4, "column count changed");
    Require(grid.Selection() == sel, "selection moved");
    for (std::size_t k = 0; k < lines.size(); ++k) {
        CheckSplitCells(lines[k]);
        const std::vector<std::string> cells = SplitCells(lines[k]);
        const int row = startRow + static_cast<int>(k);
        for (int col = startCol; col <= sel.Right; ++col) {
            const std::size_t j = static_cast<std::size_t>(col - startCol);
            if (j < cells.size()) {
                Require(grid.Cell(col, row) == cells[j], "cell differs from its value");
            }
        }
    }
    return 0;
}
