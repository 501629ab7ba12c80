#include "grid/GridCore.h"

#include <algorithm>
#include <cstdint>

#include "grid/GridText.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

constexpr std::size_t kCopyCellWidth = 15;

// Padding counts characters, not bytes, so UTF-8 text lines up like the single-byte text it
// replaced; continuation bytes (10xxxxxx) belong to the character before them.
std::size_t CharCount(const std::string& s) {
    std::size_t n = 0;
    for (const char ch : s) {
        n += (static_cast<unsigned char>(ch) & 0xC0u) != 0x80u ? 1 : 0;
    }
    return n;
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

TGridCore::TGridCore()
    : colWidths_(static_cast<std::size_t>(cols_), defaultColWidth_),
      cells_(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_)) {
    options_ |= goDrawFocusSelected;
}

std::string TGridCore::Cell(int col, int row) const {
    return CellRef(col, row);
}

const std::string& TGridCore::CellRef(int col, int row) const {
    return Inside(col, row) ? cells_[Index(col, row)] : EmptyText();
}

void TGridCore::SetCell(int col, int row, const std::string& text) {
    if (!Inside(col, row)) {
        return;
    }
    cells_[Index(col, row)] = text;
    NotifyCells({col, row, col, row});
}

void TGridCore::FillBlock(TGridRect block,
                          const std::function<std::string_view(int col, int row)>& text) {
    block = {std::max(block.Left, 0), std::max(block.Top, 0), std::min(block.Right, cols_ - 1),
             std::min(block.Bottom, rows_ - 1)};
    if (block.Left > block.Right || block.Top > block.Bottom) {
        return;
    }
    for (int row = block.Top; row <= block.Bottom; ++row) {
        for (int col = block.Left; col <= block.Right; ++col) {
            cells_[Index(col, row)].assign(text(col, row));
        }
    }
    NotifyCells(block);
}

void TGridCore::SetColCount(int count) {
    count = std::max(count, 1);
    Reshape(count, rows_, std::min(fixedCols_, count - 1), fixedRows_);
}

void TGridCore::SetRowCount(int count) {
    count = std::max(count, 1);
    Reshape(cols_, count, fixedCols_, std::min(fixedRows_, count - 1));
}

void TGridCore::SetFixedCols(int count) {
    if (count >= cols_) {
        throw EKelmoraError("Fixed column count must be less than column count");
    }
    Reshape(cols_, rows_, std::max(count, 0), fixedRows_);
}

void TGridCore::SetFixedRows(int count) {
    if (count >= rows_) {
        throw EKelmoraError("Fixed row count must be less than row count");
    }
    Reshape(cols_, rows_, fixedCols_, std::max(count, 0));
}

void TGridCore::Reshape(int cols, int rows, int fixedCols, int fixedRows) {
    if (cols == cols_ && rows == rows_ && fixedCols == fixedCols_ && fixedRows == fixedRows_) {
        return;
    }
    const bool onlyGrowing =
        cols == cols_ && fixedCols == fixedCols_ && fixedRows == fixedRows_ && rows > rows_;
    if (onlyGrowing) {
        if (observer_) {
            observer_->RowsAppending(rows_, rows - 1);
        }
        cells_.resize(Index(0, rows));
        rows_ = rows;
        if (observer_) {
            observer_->RowsAppended();
        }
        return;
    }
    if (observer_) {
        observer_->GridReshaping();
    }
    if (cols != cols_) {
        std::vector<std::string> cells(static_cast<std::size_t>(cols) *
                                       static_cast<std::size_t>(rows));
        const int keepCols = std::min(cols, cols_);
        const int keepRows = std::min(rows, rows_);
        for (int r = 0; r < keepRows; ++r) {
            for (int c = 0; c < keepCols; ++c) {
                cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                      static_cast<std::size_t>(c)] = std::move(cells_[Index(c, r)]);
            }
        }
        cells_ = std::move(cells);
        colWidths_.resize(static_cast<std::size_t>(cols), defaultColWidth_);
    } else {
        cells_.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    }
    const bool fixedColsChanged = fixedCols != fixedCols_;
    const bool fixedRowsChanged = fixedRows != fixedRows_;
    cols_ = cols;
    rows_ = rows;
    fixedCols_ = fixedCols;
    fixedRows_ = fixedRows;
    if (fixedColsChanged) {
        leftCol_ = fixedCols_;
    }
    ClampAfterReshape();
    // A current cell that ended up inside the header moves to the first cell below or beside
    // it, so typing never edits a header by accident.
    if ((fixedRowsChanged && selection_.Bottom < fixedRows_) ||
        (fixedColsChanged && selection_.Right < fixedCols_)) {
        const int col = std::max(selection_.Right, fixedCols_);
        const int row = std::max(selection_.Bottom, fixedRows_);
        selection_ = {col, row, col, row};
    }
    if (observer_) {
        observer_->GridReshaped();
    }
}

void TGridCore::ClampAfterReshape() {
    leftCol_ = std::clamp(leftCol_, fixedCols_, cols_ - 1);
    auto clampCol = [&](int c) { return std::clamp(c, 0, cols_ - 1); };
    auto clampRow = [&](int r) { return std::clamp(r, 0, rows_ - 1); };
    selection_ = {clampCol(selection_.Left), clampRow(selection_.Top), clampCol(selection_.Right),
                  clampRow(selection_.Bottom)};
}

int TGridCore::ColWidth(int col) const {
    return col >= 0 && col < cols_ ? colWidths_[static_cast<std::size_t>(col)] : defaultColWidth_;
}

void TGridCore::SetColWidth(int col, int width) {
    if (col < 0 || col >= cols_ || width < 0) {
        return;
    }
    colWidths_[static_cast<std::size_t>(col)] = width;
    NotifyLayout();
}

void TGridCore::SetDefaultColWidth(int width) {
    defaultColWidth_ = std::max(width, 0);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    NotifyLayout();
}

int TGridCore::RowHeight(int /*row*/) const {
    return defaultRowHeight_;
}

void TGridCore::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = std::max(height, 0);
    NotifyLayout();
}

void TGridCore::SetLeftCol(int col) {
    col = std::clamp(col, fixedCols_, cols_ - 1);
    if (col != leftCol_) {
        leftCol_ = col;
        NotifyLayout();
    }
}

void TGridCore::SetOptions(TGridOptions options) {
    options_ = options;
    NotifyLayout();
}

void TGridCore::SetEditing(bool editing) {
    editing_ = editing;
    if (editing) {
        options_ |= goEditing;
    } else {
        options_ &= ~static_cast<TGridOptions>(goEditing);
    }
    NotifyLayout();
}

void TGridCore::SetSelection(TGridRect rect) {
    TGridRect r{std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom),
                std::max(rect.Left, rect.Right), std::max(rect.Top, rect.Bottom)};
    r.Left = std::clamp(r.Left, 0, cols_ - 1);
    r.Right = std::clamp(r.Right, 0, cols_ - 1);
    r.Top = std::clamp(r.Top, 0, rows_ - 1);
    r.Bottom = std::clamp(r.Bottom, 0, rows_ - 1);
    if (r != selection_) {
        selection_ = r;
        NotifySelection();
    }
}

void TGridCore::ClearGrid() {
    SetColCount(0);
    SetRowCount(0);
}

TGridRect TGridCore::SelectedBlock() const {
    return {std::max(selection_.Left, fixedCols_), std::max(selection_.Top, fixedRows_),
            std::min(selection_.Right, cols_ - 1), std::min(selection_.Bottom, rows_ - 1)};
}

std::string TGridCore::CopyText() const {
    const TGridRect b = SelectedBlock();
    std::string out;
    if (b.Top > b.Bottom) {
        return out;
    }
    const auto width = static_cast<std::size_t>(std::max(b.Right - b.Left + 1, 0));
    out.reserve(static_cast<std::size_t>(b.Bottom - b.Top + 1) *
                (width * (kCopyCellWidth + 1) + 2));
    for (int row = b.Top; row <= b.Bottom; ++row) {
        for (int col = b.Left; col <= b.Right; ++col) {
            const std::string& text = cells_[Index(col, row)];
            out += text;
            for (std::size_t n = CharCount(text); n < kCopyCellWidth; ++n) {
                out += ' ';
            }
            if (col != b.Right) {
                out += '\t';
            }
        }
        out += "\r\n";
    }
    return out;
}

void TGridCore::CopySelection(IClipboard& clipboard) const {
    clipboard.SetText(CopyText());
}

void TGridCore::SelectAllAndCopy(IClipboard& clipboard) {
    SetSelection({fixedCols_, fixedRows_, cols_ - 1, rows_ - 1});
    CopySelection(clipboard);
}

void TGridCore::ClearSelection() {
    const TGridRect b = SelectedBlock();
    if (b.Top > b.Bottom || b.Left > b.Right) {
        return;
    }
    for (int row = b.Top; row <= b.Bottom; ++row) {
        for (int col = b.Left; col <= b.Right; ++col) {
            cells_[Index(col, row)].clear();
        }
    }
    NotifyCells(b);
}

void TGridCore::PasteText(std::string_view text) {
    const int lines = CountLines(text);
    if (lines == 0) {
        return;
    }
    const bool replaceColumns = WholeColumnsSelected();  // before the rows grow past it
    const int startRow = std::max(selection_.Top, fixedRows_);
    const int startCol = std::max(selection_.Left, fixedCols_);
    const int rightLimit = std::min(selection_.Right, cols_ - 1);
    const int lastRow = startRow + lines - 1;
    if (lastRow > rows_ - 1) {
        SetRowCount(lastRow + 1);
    }
    const int lastTouchedRow = replaceColumns ? rows_ - 1 : lastRow;
    if (replaceColumns) {
        for (int r = startRow; r <= lastTouchedRow; ++r) {
            for (int col = startCol; col <= rightLimit; ++col) {
                cells_[Index(col, r)].clear();
            }
        }
    }
    int row = startRow;
    ForEachLine(text, [&](std::string_view line) {
        int col = startCol;
        ForEachCell(line, [&](std::string_view cell) {
            if (col > rightLimit) {
                return false;
            }
            cells_[Index(col, row)].assign(cell);
            ++col;
            return true;
        });
        ++row;
    });
    if (startCol <= rightLimit) {
        NotifyCells({startCol, startRow, rightLimit, lastTouchedRow});
    }
}

bool TGridCore::WholeColumnsSelected() const {
    return fixedRows_ > 0 && selection_.Top == 0 && selection_.Bottom == rows_ - 1;
}

void TGridCore::PasteFromClipboard(IClipboard& clipboard) {
    PasteText(clipboard.GetText());
}

int TGridCore::ColumnAt(int x) const {
    long long rightEdge = 0;
    for (int index = leftCol_ - fixedCols_; index <= cols_ - 1; ++index) {
        rightEdge += ColWidth(index);
        if (x < rightEdge) {
            return index;
        }
    }
    return -1;
}

// Positions arrive as the two unsigned 16-bit halves of a window message, so anything left of
// or above the grid wraps to a large value and misses the header row.
bool TGridCore::MousePress(int x, int y) {
    const int ux = static_cast<std::uint16_t>(x);
    const int uy = static_cast<std::uint16_t>(y);
    if (uy >= RowHeight(0)) {
        return false;
    }
    const int c = ColumnAt(ux);
    if (c < fixedCols_ || c < 0) {
        return false;
    }
    SetSelection({c, 0, c, rows_ - 1});
    anchorCol_ = c;
    return true;
}

bool TGridCore::MouseMove(int x, int y) {
    const int ux = static_cast<std::uint16_t>(x);
    const int uy = static_cast<std::uint16_t>(y);
    if (anchorCol_ == -1 || uy >= RowHeight(0)) {
        return false;
    }
    const int c = ColumnAt(ux);
    if (c < fixedCols_ || c < 0) {
        return false;
    }
    SetSelection({std::min(anchorCol_, c), 0, std::max(anchorCol_, c), rows_ - 1});
    return true;
}

void TGridCore::MouseRelease() {
    anchorCol_ = -1;
}

void TGridCore::NotifyCells(TGridRect block) {
    if (observer_) {
        observer_->CellsChanged(block);
    }
}

void TGridCore::NotifySelection() {
    if (observer_) {
        observer_->SelectionChanged();
    }
}

void TGridCore::NotifyLayout() {
    if (observer_) {
        observer_->LayoutChanged();
    }
}

}  // namespace kelmora
