#include "analysisview/AnalysisSheet.h"

#include <algorithm>
#include <optional>

#include "grid/GridText.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

bool Visible(char ch) {
    return static_cast<unsigned char>(ch) > 32;
}

bool IsBlank(const std::string& text) {
    return std::none_of(text.begin(), text.end(), Visible);
}

// The text without the blanks and control characters around it.
std::string Trimmed(const std::string& text) {
    const auto first = std::find_if(text.begin(), text.end(), Visible);
    const auto last = std::find_if(text.rbegin(), text.rend(), Visible).base();
    return first < last ? std::string(first, last) : std::string();
}

double ReadCell(const ITextTable& sheet, int col, int row) {
    const std::string text = sheet.Cell(col, row);
    const std::string where =
        "Row " + std::to_string(row) + ", column \"" + sheet.Cell(col, 0) + "\": ";
    if (IsBlank(text)) {
        throw ESheetCellError(where + "the cell is empty", col, row);
    }
    const std::optional<double> v = TryParseFloat(text);
    if (!v) {
        throw ESheetCellError(where + "'" + MessageExcerpt(text) + "' is not a number", col, row);
    }
    return *v;
}

}  // namespace

std::string DefaultSheetTitle(int col) {
    if (col == SheetColC) {
        return "C";
    }
    if (col == SheetColP0) {
        return "P0";
    }
    return "s" + std::to_string(col - SheetFirstShiftCol + 1);
}

void ResetSheetHeader(ITextTable& sheet) {
    for (int col = 0; col < SheetColCount; ++col) {
        sheet.SetCell(col, 0, DefaultSheetTitle(col));
    }
}

TSheetExtent MeasureSheet(const ITextTable& sheet) {
    TSheetExtent extent;
    while (extent.Points + 1 < sheet.RowCount() &&
           !IsBlank(sheet.Cell(SheetColC, extent.Points + 1))) {
        ++extent.Points;
    }
    const auto anyInColumn = [&](int col) {
        for (int row = 1; row <= extent.Points; ++row) {
            if (!IsBlank(sheet.Cell(col, row))) {
                return true;
            }
        }
        return false;
    };
    extent.HostColumn = anyInColumn(SheetColP0);
    for (int col = SheetFirstShiftCol; col < SheetColCount; ++col) {
        if (anyInColumn(col)) {
            extent.SignalCols.push_back(col);
        }
    }
    return extent;
}

std::string ExtentText(const TSheetExtent& extent) {
    const auto count = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return count(extent.Points, "point", "points") + ", " +
           count(extent.Signals(), "signal", "signals");
}

std::string SignalName(const ITextTable& sheet, int col) {
    const std::string title = Trimmed(sheet.Cell(col, 0));
    return title.empty() ? DefaultSheetTitle(col) : title;
}

analysis::TTitration ReadSheet(const ITextTable& sheet, const std::string& p0Text) {
    const TSheetExtent extent = MeasureSheet(sheet);
    analysis::TTitration data;
    if (!extent.HostColumn) {
        data.Host.push_back(ParseFloat(p0Text));
    }
    for (int s = 0; s < extent.Signals(); ++s) {
        data.SignalNames.push_back(SignalName(sheet, extent.SignalCols[std::size_t(s)]));
    }
    for (int row = 1; row <= extent.Points; ++row) {
        data.Conc.push_back(ReadCell(sheet, SheetColC, row));
        if (extent.HostColumn) {
            data.Host.push_back(ReadCell(sheet, SheetColP0, row));
        }
        std::vector<double>& shifts = data.Shifts.emplace_back();
        for (const int col : extent.SignalCols) {
            shifts.push_back(ReadCell(sheet, col, row));
        }
    }
    return data;
}

std::optional<TGridRect> RejectedCells(const ITextTable& sheet,
                                       const analysis::TTitration& titration) {
    const TSheetExtent extent = MeasureSheet(sheet);
    const std::size_t n = titration.Conc.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int row = static_cast<int>(i) + 1;
        if (!(titration.Conc[i] >= 0.0)) {
            return TGridRect{SheetColC, row, SheetColC, row};
        }
        if (extent.HostColumn && !(titration.HostAt(i) > 0.0)) {
            return TGridRect{SheetColP0, row, SheetColP0, row};
        }
    }
    for (std::size_t s = 0; s < extent.SignalCols.size() && n > 0; ++s) {
        const auto same = [&](const std::vector<double>& point) {
            return point[s] == titration.Shifts[0][s];
        };
        if (std::all_of(titration.Shifts.begin(), titration.Shifts.end(), same)) {
            const int col = extent.SignalCols[s];
            return TGridRect{col, 1, col, static_cast<int>(n)};
        }
    }
    return std::nullopt;
}

std::vector<analysis::TFixedParam> ReadFixedParams(const ITextTable& table) {
    std::vector<analysis::TFixedParam> fixed;
    for (int row = 1; row < table.RowCount(); ++row) {
        const std::string name = table.Cell(0, row);
        if (!IsBlank(name)) {
            fixed.push_back({Trimmed(name), ReadCell(table, 1, row)});
        }
    }
    return fixed;
}

std::vector<std::vector<std::string>> SheetCells(const ITextTable& sheet) {
    int last = 0;
    for (int row = 1; row < sheet.RowCount(); ++row) {
        for (int col = 0; col < SheetColCount; ++col) {
            if (!sheet.Cell(col, row).empty()) {
                last = row;
            }
        }
    }
    std::vector<std::vector<std::string>> cells;
    for (int row = 0; row <= last; ++row) {
        std::vector<std::string>& line = cells.emplace_back();
        for (int col = 0; col < SheetColCount; ++col) {
            line.push_back(sheet.Cell(col, row));
        }
    }
    return cells;
}

void RestoreSheetCells(const std::vector<std::vector<std::string>>& cells, TGridCore& sheet,
                       int minRows) {
    sheet.SetRowCount(std::max(minRows, static_cast<int>(cells.size())));
    sheet.SetSelection({0, 1, SheetColCount - 1, sheet.RowCount() - 1});
    sheet.ClearSelection();
    sheet.SetSelection({0, 1, 0, 1});
    ResetSheetHeader(sheet);
    for (std::size_t row = 0; row < cells.size(); ++row) {
        for (std::size_t col = 0; col < cells[row].size() && col < SheetColCount; ++col) {
            sheet.SetCell(static_cast<int>(col), static_cast<int>(row), cells[row][col]);
        }
    }
}

std::map<std::string, std::string> FixedCells(const ITextTable& table) {
    std::map<std::string, std::string> cells;
    for (int row = 1; row < table.RowCount(); ++row) {
        const std::string name = Trimmed(table.Cell(0, row));
        if (!name.empty()) {
            cells[name] = table.Cell(1, row);
        }
    }
    return cells;
}

void RestoreFixedCells(const std::map<std::string, std::string>& cells, TGridCore& table,
                       int minRows) {
    table.SetRowCount(std::max(minRows, static_cast<int>(cells.size()) + 1));
    for (int row = 1; row < table.RowCount(); ++row) {
        table.SetCell(0, row, "");
        table.SetCell(1, row, "");
    }
    int row = 1;
    for (const auto& [name, value] : cells) {
        table.SetCell(0, row, name);
        table.SetCell(1, row, value);
        ++row;
    }
}

bool IsNamesLine(std::string_view line) {
    bool anyCell = false;
    bool anyNumber = false;
    ForEachCell(line, [&](std::string_view cell) {
        anyCell = anyCell || !cell.empty();
        anyNumber = TryParseFloat(cell).has_value();
        return !anyNumber;
    });
    return anyCell && !anyNumber;
}

std::vector<std::array<std::string, 2>> MainTableData(const analysis::TTitration& titration,
                                                      int signal) {
    std::vector<std::array<std::string, 2>> cells;
    for (std::size_t i = 0; i < titration.Conc.size(); ++i) {
        cells.push_back({FormatGeneral(titration.Conc[i]),
                         FormatGeneral(titration.Shifts[i][std::size_t(signal)])});
    }
    return cells;
}

std::string MainTableP0(const analysis::TTitration& titration) {
    const auto varies = [&](double h) { return h != titration.Host.front(); };
    if (std::any_of(titration.Host.begin(), titration.Host.end(), varies)) {
        throw EKelmoraError(
            "The main window holds one P0 for all points, and the host concentration of these "
            "data varies from point to point: they cannot be used there.");
    }
    return FormatGeneral(titration.Host.front());
}

TGridRect PasteIntoSheet(TGridCore& sheet, std::string_view text) {
    std::size_t rest = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view firstLine = text.substr(0, rest);
    const bool names = IsNamesLine(firstLine);
    std::vector<std::string> titles;
    if (names) {
        ForEachCell(firstLine, [&](std::string_view name) {
            titles.emplace_back(name);
            return true;
        });
        // The line break after the names goes with them.
        rest += text.substr(rest, 2) == "\r\n" ? 2 : (rest < text.size() ? 1 : 0);
        text = text.substr(rest);
    }
    int width = static_cast<int>(titles.size());
    ForEachLine(text, [&](std::string_view line) {
        int cells = 0;
        ForEachCell(line, [&](std::string_view) {
            ++cells;
            return true;
        });
        width = std::max(width, cells);
    });

    const TGridRect chosen = sheet.Selection();
    const int left = std::max(chosen.Left, sheet.FixedCols());
    const int right = std::min(std::max(chosen.Right, left + width - 1), sheet.ColCount() - 1);
    sheet.SetSelection({left, chosen.Top, right, chosen.Bottom});
    const bool wholeColumns = sheet.WholeColumnsSelected();
    for (int col = std::max(left, SheetFirstShiftCol); col <= right; ++col) {
        const auto k = static_cast<std::size_t>(col - left);
        const bool named = k < titles.size() && !titles[k].empty();
        sheet.SetCell(col, 0, named ? titles[k] : DefaultSheetTitle(col));
    }
    const int top = std::max(chosen.Top, sheet.FixedRows());
    const int lines = CountLines(text);
    sheet.PasteText(text);
    const int bottom = wholeColumns && lines > 0 ? sheet.RowCount() - 1 : top + lines - 1;
    return {left, top, right, bottom};
}

bool DataOutside(const ITextTable& sheet, const TGridRect& block) {
    if (block.Top > block.Bottom) {
        return false;
    }
    for (int row = 1; row < sheet.RowCount(); ++row) {
        for (int col = 0; col < SheetColCount; ++col) {
            const bool inside =
                col >= block.Left && col <= block.Right && row >= block.Top && row <= block.Bottom;
            if (!inside && !IsBlank(sheet.Cell(col, row))) {
                return true;
            }
        }
    }
    return false;
}

void ClearOutside(TGridCore& sheet, const TGridRect& block) {
    for (int row = 1; row < sheet.RowCount(); ++row) {
        for (int col = 0; col < SheetColCount; ++col) {
            const bool inside =
                col >= block.Left && col <= block.Right && row >= block.Top && row <= block.Bottom;
            if (!inside && !sheet.Cell(col, row).empty()) {
                sheet.SetCell(col, row, "");
            }
        }
    }
}

void ClearSheet(TGridCore& sheet) {
    RestoreSheetCells({}, sheet, sheet.RowCount());
}

std::string CountText(const ITextTable& sheet, const std::optional<TGridRect>& pasted) {
    std::string text = ExtentText(MeasureSheet(sheet));
    if (pasted && DataOutside(sheet, *pasted)) {
        text += std::string("; ") + DataOutsideWarning;
    }
    return text;
}

}  // namespace kelmora
