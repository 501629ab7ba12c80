#pragma once

#include <QBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
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

// The frame both analysis windows share: data over settings on the left, the results taking the
// room left over on the right, and the main window's own File menu, so that its shortcuts save,
// open and start work from here too, and a user who presses Ctrl+S in this window has saved.
inline void LayOutAnalysisWindow(QWidget* window, QWidget* data, QWidget* settings,
                                 QWidget* results, QMenu* fileMenu) {
    auto* inputs = new QWidget(window);
    auto* inputLayout = new QVBoxLayout(inputs);
    inputLayout->setContentsMargins(0, 0, 0, 0);
    inputLayout->addWidget(data, 1);
    inputLayout->addWidget(settings);

    auto* splitter = new QSplitter(Qt::Horizontal, window);
    splitter->addWidget(inputs);
    splitter->addWidget(results);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto* layout = new QHBoxLayout(window);
    layout->addWidget(splitter);
    auto* menuBar = new QMenuBar(window);
    menuBar->addMenu(fileMenu);
    layout->setMenuBar(menuBar);
}

}  // namespace kelmora
