// Arbitrary bytes as an imported data file: refused with the program's own error, or split into
// a layout whose every row fits it, and whose chosen columns are texts the table reads as
// numbers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/DataFile.h"
#include "tests/support/FuzzRequire.h"
#include "util/Errors.h"
#include "util/NumberText.h"

using namespace kelmora;
using kelmora::fuzz::Require;

// The first byte picks the two columns, the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    TDataFile file;
    try {
        file = SplitDataFile(text, "fuzz.csv");
    } catch (const EKelmoraError&) {
        return 0;
    }
    Require(file.ColumnCount >= 2, "fewer than two columns");
    Require(!file.Rows.empty(), "no rows");
    Require(static_cast<int>(file.Header.size()) <= file.ColumnCount, "header wider than file");
    int lastLine = 0;
    for (const TDataFile::TRow& row : file.Rows) {
        Require(row.Line > lastLine, "line numbers not increasing");
        Require(static_cast<int>(row.Fields.size()) <= file.ColumnCount, "row wider than file");
        lastLine = row.Line;
    }
    const int c = data[0] % file.ColumnCount;
    const int shift = (data[0] / 16) % file.ColumnCount;
    std::vector<std::array<std::string, 2>> cells;
    try {
        cells = DataColumns(file, c, shift, "fuzz.csv");
    } catch (const EKelmoraError&) {
        return 0;
    }
    Require(cells.size() == file.Rows.size(), "rows lost");
    for (const auto& pair : cells) {
        for (const std::string& cell : pair) {
            ParseFloat(cell);  // raises, and so aborts the run, if a taken text is no number
        }
    }
    return 0;
}
