#include "files/SpectraFile.h"

#include <cstdio>
#include <optional>

#include "files/DataFile.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {
namespace {

// The file's numbers as a table of rows: line numbers kept, an unreadable cell named.
struct TTable {
    std::vector<int> Lines;
    std::vector<std::vector<double>> Rows;
};

TTable NumberTable(const TDataFile& file, const std::string& fileName, int firstColumn) {
    TTable table;
    const auto width = static_cast<std::size_t>(file.ColumnCount);
    for (const TDataFile::TRow& row : file.Rows) {
        std::vector<double> numbers;
        for (std::size_t k = static_cast<std::size_t>(firstColumn); k < width; ++k) {
            const std::string where = "'" + fileName + "', line " + std::to_string(row.Line) +
                                      ", column " + std::to_string(k + 1) + ": ";
            const std::string field = k < row.Fields.size() ? row.Fields[k] : "";
            if (field.empty()) {
                throw EKelmoraError(where + "the value is missing.");
            }
            const char mark = file.DecimalMarks[k];
            const std::optional<double> x = TryParseFloat(field, std::string_view(&mark, 1));
            if (!x) {
                throw EKelmoraError(where + "'" + MessageExcerpt(field) + "' is not a number.");
            }
            numbers.push_back(*x);
        }
        table.Lines.push_back(row.Line);
        table.Rows.push_back(std::move(numbers));
    }
    return table;
}

// A first column of labels (spectrum names in rows): some cell in it is no number.
bool LabelColumn(const TDataFile& file) {
    for (const TDataFile::TRow& row : file.Rows) {
        const std::string field = row.Fields.empty() ? "" : row.Fields[0];
        const char mark = file.DecimalMarks[0];
        if (!TryParseFloat(field, std::string_view(&mark, 1))) {
            return true;
        }
    }
    return false;
}

std::string Num(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

void CheckWavelengths(const std::vector<double>& w, const std::string& fileName) {
    if (w.empty()) {
        throw EKelmoraError("'" + fileName + "' holds no wavelength.");
    }
    const bool rising = w.size() < 2 || w[1] > w[0];
    for (std::size_t k = 1; k < w.size(); ++k) {
        if (rising ? !(w[k] > w[k - 1]) : !(w[k] < w[k - 1])) {
            throw EKelmoraError("'" + fileName +
                                "': the wavelengths do not rise or fall steadily (" +
                                Num(w[k - 1]) + " then " + Num(w[k]) + ").");
        }
    }
}

}  // namespace

TSpectraFile ReadSpectraText(std::string_view text, const std::string& fileName, bool inRows) {
    const TDataFile file = SplitDataFile(text, fileName);
    TSpectraFile out;
    if (inRows) {
        const TTable table = NumberTable(file, fileName, LabelColumn(file) ? 1 : 0);
        out.Wavelengths = table.Rows.front();
        out.Values.assign(table.Rows.begin() + 1, table.Rows.end());
    } else {
        const TTable table = NumberTable(file, fileName, 0);
        out.Values.assign(static_cast<std::size_t>(file.ColumnCount - 1), {});
        for (const std::vector<double>& row : table.Rows) {
            out.Wavelengths.push_back(row[0]);
            for (std::size_t s = 1; s < row.size(); ++s) {
                out.Values[s - 1].push_back(row[s]);
            }
        }
    }
    CheckWavelengths(out.Wavelengths, fileName);
    if (out.Values.empty()) {
        throw EKelmoraError("'" + fileName + "' holds wavelengths but no spectrum.");
    }
    return out;
}

}  // namespace kelmora
