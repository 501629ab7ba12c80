#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/TextTable.h"

namespace kelmora {

// A rectangle of whole cells, all four bounds inclusive.
struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The cells of one pasted line by the rule of ForEachCell (grid/GridText.h): between TABs when
// the line has one, empty cells kept; otherwise the runs of bytes above 32.
std::vector<std::string> SplitCells(std::string_view line);

// Lines of clipboard text, ended by CR LF, a lone CR or a lone LF. A break at the very end starts
// no further line; empty lines elsewhere count.
std::vector<std::string> SplitLines(std::string_view text);

// Number of lines SplitLines would return, without building them.
int CountLines(std::string_view text);

// Plain-text clipboard; the real one lives in the Qt layer, tests use fakes.
class IClipboard {
  public:
    virtual ~IClipboard() = default;
    // Both throw EKelmoraError("Cannot open clipboard") when the clipboard cannot be used,
    // leaving its contents as they were.
    virtual std::string GetText() = 0;
    virtual void SetText(const std::string& text) = 0;
};

// Flags of the grid's Options.
enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goEditing = 1u << 6,
};
using TGridOptions = unsigned;

// Told by the core about every change, so a view over it never goes stale whoever changes it.
// The *ing calls come before the change, the *ed calls after it.
class IGridObserver {
  public:
    virtual ~IGridObserver() = default;
    virtual void GridReshaping() = 0;  // counts or fixed counts are about to change
    virtual void GridReshaped() = 0;
    virtual void RowsAppending(int first, int last) = 0;  // only RowCount grows
    virtual void RowsAppended() = 0;
    virtual void CellsChanged(TGridRect block) = 0;
    virtual void SelectionChanged() = 0;
    virtual void LayoutChanged() = 0;  // widths, heights, first visible column, options
};

// The string grid without any drawing: cells, counts, fixed header, sizes, selection and the
// spreadsheet behaviour on top (column selection by the header row, copy, paste, clear).
class TGridCore : public ITextTable {
  public:
    TGridCore();

    // Cells outside the grid read as empty; writes to them are dropped.
    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;
    const std::string& CellRef(int col, int row) const;  // no copy; empty outside
    // Every cell of the block (clamped into the grid) set to text(col, row), with one report of
    // the change, so that filling a long table costs no more than its cells.
    void FillBlock(TGridRect block, const std::function<std::string_view(int col, int row)>& text);

    int RowCount() const override { return rows_; }
    int ColCount() const override { return cols_; }
    // Counts never go below 1; a fixed count that would reach its count is lowered.
    void SetColCount(int count);
    void SetRowCount(int count);
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    // Raise EKelmoraError and change nothing when the value is not below the count.
    void SetFixedCols(int count);
    void SetFixedRows(int count);

    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);  // every column takes it, as in a fresh grid
    int RowHeight(int row) const;        // every row has the default height
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);

    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int col);

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions options);
    bool Editing() const { return editing_; }
    void SetEditing(bool editing);

    // The rectangle is normalised and clamped into the grid; the current cell moves to its
    // bottom-right corner.
    TGridRect Selection() const { return selection_; }
    void SetSelection(TGridRect rect);
    int CurrentCol() const { return selection_.Right; }
    int CurrentRow() const { return selection_.Bottom; }

    int AnchorCol() const { return anchorCol_; }

    void ClearGrid();
    // The selection clamped to the non-fixed cells; Top > Bottom or Left > Right when empty.
    TGridRect SelectedBlock() const;
    std::string CopyText() const;
    void CopySelection(IClipboard& clipboard) const;
    void SelectAllAndCopy(IClipboard& clipboard);
    void ClearSelection();
    // Cells from the selection's top-left non-fixed cell on, one line per row. A paste into
    // whole columns chosen by their header replaces what those columns held below the header:
    // old rows must not join the new data unseen. Any other selection keeps the cells the
    // text does not reach, as spreadsheets do.
    void PasteText(std::string_view text);
    // The selection spans whole columns, header row included, as a press in the header row
    // makes it.
    bool WholeColumnsSelected() const;
    void PasteFromClipboard(IClipboard& clipboard);

    // Column under pixel x from the grid's left edge, or -1 right of the last column.
    int ColumnAt(int x) const;

    // Whole-column selection by the header row; positions are pixels from the grid's top-left
    // corner. Each returns whether it changed the selection.
    bool MousePress(int x, int y);
    bool MouseMove(int x, int y);
    void MouseRelease();

    void SetObserver(IGridObserver* observer) { observer_ = observer; }

  private:
    std::size_t Index(int col, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
               static_cast<std::size_t>(col);
    }
    bool Inside(int col, int row) const {
        return col >= 0 && row >= 0 && col < cols_ && row < rows_;
    }
    void Reshape(int cols, int rows, int fixedCols, int fixedRows);
    void ClampAfterReshape();
    void NotifyCells(TGridRect block);
    void NotifySelection();
    void NotifyLayout();

    int cols_ = 5;
    int rows_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int leftCol_ = 1;
    std::vector<int> colWidths_;
    std::vector<std::string> cells_;  // row-major, cols_ per row
    TGridRect selection_{1, 1, 1, 1};
    TGridOptions options_ =
        goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    bool editing_ = false;
    int anchorCol_ = -1;
    IGridObserver* observer_ = nullptr;
};

}  // namespace kelmora
