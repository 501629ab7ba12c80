#pragma once

#include <QHeaderView>

#include "grid/GridCore.h"

namespace kelmora {

// Draws one fixed cell the way every header of the grid looks: button face, grid lines as the
// options ask, selection colours when the selection covers it.
void PaintFixedCell(QPainter& painter, const QRect& rect, const TGridCore& core, int col, int row,
                    const QPalette& palette);

// A header view that shows the fixed rows (horizontal) or fixed columns (vertical) of the core
// as a frozen band of cells, so any number of fixed rows or columns stays in view.
class TGridHeader : public QHeaderView {
    Q_OBJECT
  public:
    TGridHeader(Qt::Orientation orientation, const TGridCore& core, QWidget* parent = nullptr);

    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    const TGridCore& core_;
};

}  // namespace kelmora
