#pragma once

#include <string>
#include <vector>

namespace kelmora {

// The view through which the engine reads and writes a table of texts: the parameter table,
// the source-data table, whichever front end holds them. A cell that was never written, and
// every cell past the last row, reads as an empty text.
class ITextTable {
  public:
    virtual ~ITextTable() = default;
    virtual std::string Cell(int col, int row) const = 0;
    virtual void SetCell(int col, int row, const std::string& text) = 0;
    virtual int RowCount() const = 0;
    virtual int ColCount() const = 0;
};

// Cell texts held in memory, growing as cells are written.
class TStringTable : public ITextTable {
  public:
    TStringTable() = default;
    TStringTable(int cols, int rows) { Resize(cols, rows); }

    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;
    int RowCount() const override { return rows_; }
    int ColCount() const override { return cols_; }

    // Keeps the texts of cells inside both sizes; new cells are empty.
    void Resize(int cols, int rows);

  private:
    int cols_ = 0;
    int rows_ = 0;
    std::vector<std::string> cells_;  // row-major, cols_ per row
};

}  // namespace kelmora
