#include "app/FitInput.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

constexpr int ParamsFileCells = 7;

std::string Trimmed(std::string_view cell) {
    std::size_t first = 0;
    std::size_t last = cell.size();
    while (first < last && IsBlankChar(cell[first])) {
        ++first;
    }
    while (last > first && IsBlankChar(cell[last - 1])) {
        --last;
    }
    return std::string(cell.substr(first, last - first));
}

std::vector<std::string> SplitAtTabs(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(Trimmed(line.substr(start, tab - start)));
        if (tab == std::string_view::npos) {
            return cells;
        }
        start = tab + 1;
    }
}

}  // namespace

std::string ReadInputText(const std::string& fileName, std::istream& standardInput) {
    std::istream* source = &standardInput;
    std::ifstream file;
    if (fileName != "-") {
        file.open(fileName, std::ios::binary);
        if (!file) {
            throw EKelmoraError("Cannot open file '" + fileName + "': " + std::strerror(errno));
        }
        source = &file;
    }
    std::ostringstream text;
    text << source->rdbuf();
    if (source->bad()) {
        throw EKelmoraError("Cannot read file '" + fileName + "'");
    }
    return text.str();
}

void ReadParamsText(std::string_view text, ITextTable& paramsTable, const std::string& sourceName) {
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.size() < static_cast<std::size_t>(ParamCount)) {
        throw EKelmoraError(sourceName + ": the parameter table needs six lines, found " +
                            std::to_string(lines.size()));
    }
    for (int i = 0; i < ParamCount; ++i) {
        const std::vector<std::string> cells = SplitAtTabs(lines[i]);
        std::size_t used = cells.size();
        while (used > ParamsFileCells && cells[used - 1].empty()) {
            --used;
        }
        if (used != ParamsFileCells) {
            throw EKelmoraError(sourceName + ": line " + std::to_string(i + 1) + " has " +
                                std::to_string(used) + " cells; seven are needed");
        }
        for (int c = 0; c < ParamsFileCells; ++c) {
            paramsTable.SetCell(c + 1, i + 1, cells[c]);
        }
    }
}

void LoadDataText(TFitState& state, std::string_view text, const std::string& p0Text) {
    // Shaped as the dialog's OriginGrid1: two columns, a hundred rows, a header row.
    TGridCore grid;
    grid.SetColCount(2);
    grid.SetRowCount(100);
    grid.SetFixedCols(0);
    grid.SetFixedRows(1);
    grid.SetCell(0, 0, "C");
    grid.SetCell(1, 0, "Shift");
    grid.SetEditing(true);
    grid.SetSelection({0, 0, 1, grid.RowCount() - 1});
    grid.PasteText(text);
    state.LoadDataSet(grid, p0Text);
}

}  // namespace kelmora
