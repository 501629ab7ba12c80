#pragma once

#include <QPushButton>
#include <QString>

#include "grid/OriginGrid_u.h"

namespace kelmora {

// The rows the Analysis window's sheet starts with: room for a long titration without scrolling
// to grow it.
inline constexpr int AnalysisSheetRows = 101;

// Buttons of the Analysis window and its dialogs: Enter in a cell or an edit must not press one.
inline QPushButton* PlainButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

// A table to type or paste into, one header row of titles and no fixed column.
inline TOriginGrid* EditableGrid(QWidget* parent, int cols, int rows, int colWidth) {
    auto* grid = new TOriginGrid(parent);
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetDefaultColWidth(colWidth);
    grid->SetEditing(true);
    return grid;
}

}  // namespace kelmora
