#pragma once

#include <QTableView>

#include "grid/GridCore.h"
#include "util/TextTable.h"

namespace kelmora {

class TGridModel;
class TGridHeader;

// The editable table behind every table of the program: a table view over a TGridCore, with the
// fixed rows and columns as frozen headers, whole-column selection by the header row, and
// Ctrl+C / Ctrl+V / Delete for the clipboard. Every setter goes through the core, and the core
// tells the view about every change, so changing Core() directly keeps the view in sync too.
class TOriginGrid : public QTableView, public ITextTable {
    Q_OBJECT
  public:
    explicit TOriginGrid(QWidget* parent = nullptr);
    ~TOriginGrid() override;

    TGridCore& Core() { return core_; }
    const TGridCore& Core() const { return core_; }

    std::string Cell(int col, int row) const override { return core_.Cell(col, row); }
    void SetCell(int col, int row, const std::string& text) override {
        core_.SetCell(col, row, text);
    }
    int RowCount() const override { return core_.RowCount(); }

    int ColCount() const override { return core_.ColCount(); }
    void SetColCount(int count) { core_.SetColCount(count); }
    void SetRowCount(int count) { core_.SetRowCount(count); }
    int FixedCols() const { return core_.FixedCols(); }
    void SetFixedCols(int count) { core_.SetFixedCols(count); }
    int FixedRows() const { return core_.FixedRows(); }
    void SetFixedRows(int count) { core_.SetFixedRows(count); }
    int ColWidth(int col) const { return core_.ColWidth(col); }
    void SetColWidth(int col, int width) { core_.SetColWidth(col, width); }
    void SetDefaultColWidth(int width) { core_.SetDefaultColWidth(width); }
    int RowHeight(int row) const { return core_.RowHeight(row); }
    void SetDefaultRowHeight(int height) { core_.SetDefaultRowHeight(height); }
    int LeftCol() const { return core_.LeftCol(); }
    void SetLeftCol(int col) { core_.SetLeftCol(col); }
    TGridOptions Options() const { return core_.Options(); }
    void SetOptions(TGridOptions options) { core_.SetOptions(options); }
    bool Editing() const { return core_.Editing(); }
    void SetEditing(bool editing) { core_.SetEditing(editing); }
    TGridRect Selection() const { return core_.Selection(); }
    void SetSelection(TGridRect rect) { core_.SetSelection(rect); }
    int AnchorCol() const { return core_.AnchorCol(); }

    void ClearGrid() { core_.ClearGrid(); }
    void SelectAllAndCopy();
    void CopySelection();
    void ClearSelection() { core_.ClearSelection(); }
    void PasteFromClipboard();
    int ColumnAt(int x) const { return core_.ColumnAt(x); }

    // Where a point of the grid's client area (pixels from its top-left corner, header
    // included) lies in the coordinates of one of the grid's child widgets, and back.
    QPoint FromGridPoint(const QWidget* child, QPoint gridPoint) const;
    QPoint ToGridPoint(const QWidget* child, QPoint childPoint) const;

    // The clipboard copy and paste use; null restores the system clipboard.
    static void SetClipboardForTests(IClipboard* clipboard);
    static IClipboard& Clipboard();

  protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void ApplyLayout();
    void ApplySelection();
    void TakeViewSelection();
    void RepaintFixedCells();
    bool HeaderMouseEvent(QWidget* source, QEvent* e);
    void PaintCorner(QWidget* corner);

    TGridCore core_;
    TGridModel* model_ = nullptr;
    TGridHeader* colHeader_ = nullptr;
    TGridHeader* rowHeader_ = nullptr;
    QWidget* corner_ = nullptr;
    bool syncing_ = false;  // a selection change is being passed between core and view
};

}  // namespace kelmora
