#pragma once

#include <string>
#include <vector>

#include "util/Errors.h"
#include "util/TextTable.h"

namespace kelmora {

// Header texts of the source-data table; messages name its columns by them.
inline constexpr const char* DataColumnC = "C";
inline constexpr const char* DataColumnShift = "Shift";

// What "Ок" takes from a source-data table: the rows from 1 down to the last one before the
// first row without C. The rule stays, but nothing it leaves out may go unmentioned, so the
// rows from that first row without C on that still hold text are counted too.
struct TDataRowCount {
    int Points = 0;
    int RowsLeftOut = 0;
};
TDataRowCount CountDataRows(const ITextTable& data);

// "52 points"; when rows are left out, a second line says how many and from which row on.
std::string DataRowCountText(const TDataRowCount& count);

// Data entry refused at one place: a cell (column, row) of the source-data table, or the P0
// text (column and row -1). The message is the reason, then a line naming the place.
class EDataEntryError : public EKelmoraError {
  public:
    EDataEntryError(const std::string& reason, int col, int row);
    int Col() const { return col_; }
    int Row() const { return row_; }
    bool InP0() const { return row_ < 0; }

  private:
    int col_;
    int row_;
};

// The line that names a place in the source-data dialog: "Row 5, column C", or P0.
std::string DataPlaceText(int col, int row);

// The numbers of one data entry, every text converted and no concentration negative. The
// first faulty place raises EDataEntryError; no data row at all divides by zero, as the
// weight 10^4 / N would.
struct TDataEntry {
    std::vector<double> Conc;
    std::vector<double> Shift;
    double P0 = 0.0;
    double Weight = 0.0;
};
TDataEntry ReadDataEntry(const ITextTable& data, const std::string& p0Text);

}  // namespace kelmora
