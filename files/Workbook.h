#pragma once

#include <string>
#include <variant>
#include <vector>

namespace kelmora {

// A cell of an exported table: empty, a number (NaN and infinities are written empty) or text.
using TCell = std::variant<std::monostate, double, std::string>;

// One table to export: a sheet of a workbook, or one CSV file.
struct TSheet {
    std::string Name;
    std::vector<std::vector<TCell>> Rows;  // the first row is the header
};

// An .xlsx workbook with one sheet per table, numbers as numbers, the header rows bold; the
// file is replaced whole or not at all. Failure raises EKelmoraError("Cannot save '<path>': ...").
void WriteXlsxFile(const std::string& path, const std::vector<TSheet>& sheets);

// The table as CSV: comma-separated, numbers in the shortest form that reads back to the same
// double with "." as separator, texts quoted where they must be, CR LF line ends.
std::string CsvText(const TSheet& sheet);

// One "<name>.csv" per table in the folder, which is made when missing.
void WriteCsvFiles(const std::string& folder, const std::vector<TSheet>& sheets);

}  // namespace kelmora
