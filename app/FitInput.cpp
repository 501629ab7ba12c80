#include "app/FitInput.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "engine/DataEntry.h"
#include "grid/DataCells.h"
#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

constexpr int ParamsFileCells = ParamCellColumns;
// Table columns that do not hold a decimal number: the mark and the lattice's count.
constexpr int OptimizeColumn = 4;
constexpr int StepsCountColumn = 7;

// Spreadsheets put one before UTF-8 text they save.
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

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

std::string ReadInputText(const std::string& fileName, std::istream& standardInput,
                          std::size_t limit) {
    const bool fromStandardInput = fileName == "-";
    const std::string name = fromStandardInput ? "standard input" : fileName;
    const auto cannotRead = [&](const std::string& reason) {
        return EKelmoraError("cannot read " + name + ": " + reason);
    };
    const auto tooLarge = [&] {
        return EKelmoraError(name + ": larger than " + std::to_string(limit >> 20) +
                             " MB, the most kelmora-fit reads");
    };

    std::istream* source = &standardInput;
    std::ifstream file;
    if (!fromStandardInput) {
        // Asked first, because a folder opens without complaint and reads as empty.
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(fileName, ec);
        if (ec) {
            throw cannotRead(ec.message());
        }
        if (std::filesystem::is_directory(status)) {
            throw cannotRead(std::make_error_code(std::errc::is_a_directory).message());
        }
        if (std::filesystem::is_regular_file(status) &&
            std::filesystem::file_size(fileName, ec) > limit && !ec) {
            throw tooLarge();
        }
        errno = 0;
        file.open(fileName, std::ios::binary);
        if (!file) {
            throw cannotRead(std::strerror(errno != 0 ? errno : EIO));
        }
        source = &file;
    }

    // In chunks, so that an endless or binary source is refused before it fills the memory.
    std::string text;
    std::vector<char> chunk(std::size_t{1} << 16);
    errno = 0;
    while (*source) {
        source->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        if (std::memchr(chunk.data(), '\0', got) != nullptr) {
            throw EKelmoraError(name + ": not a text file, or not UTF-8");
        }
        if (got > limit - text.size()) {
            throw tooLarge();
        }
        text.append(chunk.data(), got);
    }
    if (source->bad()) {
        throw cannotRead(std::strerror(errno != 0 ? errno : EIO));
    }
    if (text.starts_with(Utf8ByteOrderMark)) {
        text.erase(0, Utf8ByteOrderMark.size());
    }
    return text;
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
            const int column = c + 1;
            if (column == OptimizeColumn) {
                paramsTable.SetCell(column, i + 1, cells[c]);
                continue;
            }
            if (!cells[c].empty()) {
                paramsTable.SetCell(column, i + 1, cells[c]);
            }
            // Read here as the table will be, so that a refusal names the line and the cell.
            const std::string& number = paramsTable.Cell(column, i + 1);
            try {
                if (column == StepsCountColumn) {
                    ParseInt(number);
                } else {
                    ParseFloat(number);
                }
            } catch (const EConvertError& e) {
                throw EKelmoraError(sourceName + ": line " + std::to_string(i + 1) + ", " +
                                    ParamColumnHeaders[column] + ": " + e.what());
            }
        }
    }
}

TGridCore DataTableFromText(std::string_view text) {
    // Shaped as the dialog's OriginGrid1: two columns, a hundred rows, a header row.
    TGridCore grid;
    grid.SetColCount(2);
    grid.SetRowCount(DataGridRows);
    grid.SetFixedCols(0);
    grid.SetFixedRows(1);
    grid.SetCell(0, 0, "C");
    grid.SetCell(1, 0, "Shift");
    grid.SetEditing(true);
    grid.SetSelection({0, 0, 1, grid.RowCount() - 1});
    grid.PasteText(text);
    return grid;
}

TDataRowCount LoadDataText(TFitState& state, std::string_view text, const std::string& p0Text) {
    const TGridCore grid = DataTableFromText(text);
    state.LoadDataSet(grid, p0Text);
    return CountDataRows(grid);
}

}  // namespace kelmora
