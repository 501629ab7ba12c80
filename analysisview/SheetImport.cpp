#include "analysisview/SheetImport.h"

#include <algorithm>

#include "analysisview/AnalysisSheet.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

std::vector<std::vector<std::string>> ImportedSheetCells(const TDataFile& file,
                                                         const TTitrationColumns& columns,
                                                         const std::string& fileName) {
    const auto refuse = [&fileName](const std::string& what) {
        throw EKelmoraError("'" + fileName + "': " + what);
    };
    if (columns.Signals.empty()) {
        refuse("choose at least one signal column.");
    }
    if (static_cast<int>(columns.Signals.size()) > SheetMaxSignals) {
        refuse("the sheet takes " + std::to_string(SheetMaxSignals) + " signals at most.");
    }
    // Sheet column -> file column, -1 for none.
    std::vector<int> from(static_cast<std::size_t>(SheetFirstShiftCol) + columns.Signals.size());
    from[SheetColC] = columns.C;
    from[SheetColP0] = columns.Host;
    std::copy(columns.Signals.begin(), columns.Signals.end(), from.begin() + SheetFirstShiftCol);
    for (std::size_t k = 0; k < from.size(); ++k) {
        if ((from[k] >= 0 || k == SheetColC) &&
            (from[k] < 0 || from[k] >= file.ColumnCount ||
             std::count(from.begin(), from.end(), from[k]) > 1)) {
            refuse("each of C, the host and the signals needs a column of its own.");
        }
    }

    std::vector<std::vector<std::string>> cells(1);
    for (std::size_t k = 0; k < from.size(); ++k) {
        const int col = from[k];
        const bool named = k >= SheetFirstShiftCol && col < static_cast<int>(file.Header.size()) &&
                           HasNonBlank(file.Header[std::size_t(col)]);
        cells[0].push_back(named ? file.Header[std::size_t(col)]
                                 : DefaultSheetTitle(static_cast<int>(k)));
    }
    AppendImportedRows(cells, file, from, fileName);
    return cells;
}

std::vector<std::vector<std::string>> ImportedPointsCells(const TDataFile& file,
                                                          const std::string& fileName) {
    if (file.ColumnCount > 2) {
        throw EKelmoraError("'" + fileName + "': a line holds C and at most the host " +
                            "concentration.");
    }
    std::vector<std::vector<std::string>> cells = {
        {DefaultSheetTitle(SheetColC), DefaultSheetTitle(SheetColP0)}};
    AppendImportedRows(cells, file, {0, 1}, fileName);
    return cells;
}

void AppendImportedRows(std::vector<std::vector<std::string>>& cells, const TDataFile& file,
                        const std::vector<int>& from, const std::string& fileName) {
    for (const TDataFile::TRow& row : file.Rows) {
        std::vector<std::string>& line = cells.emplace_back();
        for (const int col : from) {
            const std::string field = col >= 0 && col < static_cast<int>(row.Fields.size())
                                          ? row.Fields[std::size_t(col)]
                                          : std::string();
            const char ownMark = col >= 0 && col < static_cast<int>(file.DecimalMarks.size())
                                     ? file.DecimalMarks[std::size_t(col)]
                                     : file.DecimalMark;
            const std::string mark(1, ownMark);
            if (!field.empty() && !TryParseFloat(field, mark)) {
                throw EKelmoraError("'" + fileName + "': line " + std::to_string(row.Line) +
                                    ", column " + std::to_string(col + 1) + ": '" +
                                    MessageExcerpt(field) + "' is not a number.");
            }
            line.push_back(ReplaceChar(field, mark, NumberDecimalSeparator()));
        }
    }
}

}  // namespace kelmora
