#include "engine/DataEntry.h"

#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

constexpr const char* NegativeConcentration = "Concentrations cannot be negative: '";

// The conversion error knows the text; only data entry knows where the text stood.
double ParseAt(const std::string& text, int col, int row) {
    try {
        return ParseFloat(text);
    } catch (const EConvertError& e) {
        throw EDataEntryError(e.what(), col, row);
    }
}

// A concentration below zero gives numbers, but no titration has one. Minus zero is zero.
double ParseConcentrationAt(const std::string& text, int col, int row) {
    const double value = ParseAt(text, col, row);
    if (value < 0.0) {
        throw EDataEntryError(NegativeConcentration + text + "'", col, row);
    }
    return value;
}

}  // namespace

TDataRowCount CountDataRows(const ITextTable& data) {
    TDataRowCount count;
    int row = 1;
    while (HasNonBlank(data.Cell(0, row))) {
        ++row;
    }
    count.Points = row - 1;
    for (; row < data.RowCount(); ++row) {
        if (HasNonBlank(data.Cell(0, row)) || HasNonBlank(data.Cell(1, row))) {
            ++count.RowsLeftOut;
        }
    }
    return count;
}

std::string DataRowCountText(const TDataRowCount& count) {
    std::string text = std::to_string(count.Points) + (count.Points == 1 ? " point" : " points");
    if (count.RowsLeftOut > 0) {
        text += "\nNot taken: " + std::to_string(count.RowsLeftOut) +
                (count.RowsLeftOut == 1 ? " filled row" : " filled rows") + " from row " +
                std::to_string(count.Points + 1) + " on";
    }
    return text;
}

EDataEntryError::EDataEntryError(const std::string& reason, int col, int row)
    : EKelmoraError(reason + "\n" + DataPlaceText(col, row)), col_(col), row_(row) {}

std::string DataPlaceText(int col, int row) {
    if (row < 0) {
        return "Porphyrin concentration (P0)";
    }
    return "Row " + std::to_string(row) + ", column " + (col == 0 ? DataColumnC : DataColumnShift);
}

TDataEntry ReadDataEntry(const ITextTable& data, const std::string& p0Text) {
    const int n = CountDataRows(data).Points;
    TDataEntry entry;
    entry.Conc.resize(static_cast<std::size_t>(n));
    entry.Shift.resize(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        entry.Conc[j] = ParseConcentrationAt(data.Cell(0, j + 1), 0, j + 1);
        entry.Shift[j] = ParseAt(data.Cell(1, j + 1), 1, j + 1);
    }
    entry.P0 = ParseConcentrationAt(p0Text, -1, -1);
    entry.Weight = CheckedDivide(10000.0, static_cast<double>(n));
    return entry;
}

}  // namespace kelmora
