#include "app/AnalyzeInput.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "analysisview/AnalysisSheet.h"
#include "analysisview/SheetImport.h"
#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

[[noreturn]] void Refuse(std::size_t line, std::size_t column, const std::string& what) {
    throw EKelmoraError("line " + std::to_string(line) + ", column " + std::to_string(column) +
                        ": " + what);
}

std::string Quoted(std::string_view cell) {
    constexpr std::size_t Shown = 40;
    return "\"" + std::string(cell.substr(0, Shown)) + (cell.size() > Shown ? "...\"" : "\"");
}

}  // namespace

std::optional<double> ParseCNumber(std::string_view cell) {
    if (!cell.empty() && cell[0] == '+') {
        cell.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc() || end != cell.data() + cell.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

analysis::TTitration ParseTitrationText(std::string_view text, bool hostColumn, double host) {
    analysis::TTitration t;
    const std::size_t firstShift = hostColumn ? 2 : 1;
    std::vector<std::string> header;
    std::size_t headerLine = 0;
    std::size_t columns = 0;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = TakeLine(text);
        ++lineNumber;
        // The paste rule of the sheet: between TABs an empty cell keeps its column.
        const std::vector<std::string> cells = SplitCells(line);
        if (std::all_of(cells.begin(), cells.end(),
                        [](const std::string& c) { return c.empty(); })) {
            continue;
        }
        // Names only: a line that mixes names and numbers is a mistyped point, refused below
        // at its first cell that is no number.
        if (columns == 0 && header.empty() &&
            std::none_of(cells.begin(), cells.end(),
                         [](const std::string& cell) { return ParseCNumber(cell).has_value(); })) {
            header = cells;
            headerLine = lineNumber;
            continue;
        }
        if (columns == 0) {
            columns = cells.size();
            if (columns <= firstShift) {
                Refuse(lineNumber, columns + 1,
                       hostColumn ? "a line needs C, the host concentration and at least one "
                                    "shift"
                                  : "a line needs C and at least one shift");
            }
        }
        if (cells.size() < columns) {
            Refuse(lineNumber, cells.size() + 1, "blank cell");
        }
        if (cells.size() > columns) {
            Refuse(lineNumber, columns + 1,
                   "one cell too many: the first line of data has " + std::to_string(columns));
        }
        std::vector<double> values;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].empty()) {
                Refuse(lineNumber, c + 1, "blank cell");
            }
            const std::optional<double> v = ParseCNumber(cells[c]);
            if (!v) {
                Refuse(lineNumber, c + 1, Quoted(cells[c]) + " is not a number");
            }
            values.push_back(*v);
        }
        if (values[0] < 0.0) {
            Refuse(lineNumber, 1, "the ligand concentration is negative");
        }
        if (hostColumn && !(values[1] > 0.0)) {
            Refuse(lineNumber, 2, "the host concentration is not above 0");
        }
        for (std::size_t c = 0; c < values.size(); ++c) {
            const bool shift = c >= firstShift;
            if (std::abs(values[c]) >
                (shift ? analysis::MaxShiftMagnitude : analysis::MaxConcentration)) {
                Refuse(
                    lineNumber, c + 1,
                    Quoted(cells[c]) + (shift ? " is beyond \u00B11e6 ppm, more than any shift"
                                              : " is above 1000 M, more than any concentration"));
            }
        }
        t.Conc.push_back(values[0]);
        if (hostColumn) {
            t.Host.push_back(values[1]);
        }
        t.Shifts.emplace_back(values.begin() + static_cast<std::ptrdiff_t>(firstShift),
                              values.end());
    }
    if (t.Conc.empty()) {
        throw EKelmoraError("There are no data points.");
    }
    if (!hostColumn) {
        t.Host = {host};
    }
    if (!header.empty()) {
        // Names for every column, or for the signals alone.
        const std::size_t signals = columns - firstShift;
        if (header.size() != columns && header.size() != signals) {
            Refuse(headerLine, 1,
                   "the line of names has " + std::to_string(header.size()) + " names for " +
                       std::to_string(columns) + " columns");
        }
        const std::size_t skip = header.size() == columns ? firstShift : 0;
        for (std::size_t s = 0; s < signals; ++s) {
            const std::string name(header[skip + s]);
            if (std::find(t.SignalNames.begin(), t.SignalNames.end(), name) !=
                t.SignalNames.end()) {
                Refuse(headerLine, skip + s + 1,
                       "the signal name " + Quoted(name) + " is used twice");
            }
            t.SignalNames.push_back(name);
        }
    }
    return t;
}

analysis::TTitration ParseTitrationFile(std::string_view text, const std::string& fileName,
                                        bool hostColumn, double host) {
    const TDataFile file = SplitDataFile(text, fileName);
    const TTitrationColumns columns = GuessTitrationColumns(file);
    if (hostColumn && columns.Host < 0) {
        throw EKelmoraError("'" + fileName +
                            "': no column is named as the host (\"host\", \"P0\" or \"H0\").");
    }
    TGridCore sheet;
    sheet.SetColCount(SheetColCount);
    sheet.SetFixedCols(0);
    RestoreSheetCells(ImportedSheetCells(file, columns, fileName), sheet, 2);
    return ReadSheet(sheet, FormatGeneral(host, 17));
}

bool IsSpreadsheetFileName(std::string_view name) {
    return name.ends_with(".csv") || name.ends_with(".tsv") || name.ends_with(".CSV") ||
           name.ends_with(".TSV");
}

}  // namespace kelmora
