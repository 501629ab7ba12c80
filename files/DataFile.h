#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelmora {

// How a data file's columns are separated; Blanks means runs of spaces.
enum class TColumnSeparator { Tab, Semicolon, Comma, Blanks };

// A data file split into its columns, as the import shows it before the user picks C and Shift.
struct TDataFile {
    TColumnSeparator Separator = TColumnSeparator::Tab;
    char DecimalMark = '.';           // the one most numbers of the file use
    std::vector<char> DecimalMarks;   // per column: the one most of its numbers use
    std::vector<std::string> Header;  // the header line's fields; empty when there is none
    struct TRow {
        int Line = 0;                     // in the file, from 1
        std::vector<std::string> Fields;  // trimmed and unquoted; empty fields at the end dropped
    };
    std::vector<TRow> Rows;  // the data lines; blank lines are skipped
    int ColumnCount = 0;     // fields of the longest line, the header included
};

// Reads the text of a spreadsheet or instrument export: columns separated by TAB, semicolon,
// comma or blanks, decimal point or comma decided column by column, an optional header line,
// LF, CR LF or CR line ends, UTF-8 with or without byte order mark, fields double-quoted as in
// RFC 4180 (holding separators, line ends and doubled quotes). The layout is the first of TAB,
// semicolon, comma, blanks under which every line below the first has numbers only; failing
// that, the first of them the file has. The first line is a header when it has words above
// numbers.
// A file without data, with one column only, with a quote never closed (naming its line), or
// that is no text (not UTF-8, or control characters other than TAB and line ends) raises
// EKelmoraError naming fileName.
TDataFile SplitDataFile(std::string_view text, const std::string& fileName);

// The columns to offer as C and Shift: the guessed C and first signal (files/TitrationColumns.h),
// so a column of text is never offered as a number.
std::array<int, 2> GuessDataColumns(const TDataFile& file);

// The two chosen columns of every data line as texts with the decimal separator in force, so
// that they read as typed into the source-data table. A field that is missing or no number
// with its column's decimal mark raises EKelmoraError naming the file, line and column.
std::vector<std::array<std::string, 2>> DataColumns(const TDataFile& file, int cColumn,
                                                    int shiftColumn, const std::string& fileName);

}  // namespace kelmora
