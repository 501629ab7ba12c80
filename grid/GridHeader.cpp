#include "grid/GridHeader.h"

#include <QPainter>

namespace kelmora {

namespace {

bool Covers(const TGridRect& r, int col, int row) {
    return col >= r.Left && col <= r.Right && row >= r.Top && row <= r.Bottom;
}

}  // namespace

void PaintFixedCell(QPainter& painter, const QRect& rect, const TGridCore& core, int col, int row,
                    const QPalette& palette) {
    const bool selected = Covers(core.Selection(), col, row);
    painter.fillRect(rect, selected ? palette.highlight() : palette.button());
    painter.setPen(palette.color(QPalette::Mid));
    if (core.Options() & goFixedVertLine) {
        painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    if (core.Options() & goFixedHorzLine) {
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    const std::string& text = core.CellRef(col, row);
    if (!text.empty()) {
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::ButtonText));
        painter.drawText(rect.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

TGridHeader::TGridHeader(Qt::Orientation orientation, const TGridCore& core, QWidget* parent)
    : QHeaderView(orientation, parent), core_(core) {
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setMinimumSectionSize(0);
    setSectionResizeMode(QHeaderView::Fixed);
}

QSize TGridHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    if (orientation() == Qt::Horizontal) {
        size.setHeight(core_.FixedRows() * core_.DefaultRowHeight());
    } else {
        int width = 0;
        for (int c = 0; c < core_.FixedCols(); ++c) {
            width += core_.ColWidth(c);
        }
        size.setWidth(width);
    }
    return size;
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (orientation() == Qt::Horizontal) {
        const int col = core_.FixedCols() + logicalIndex;
        const int h = core_.DefaultRowHeight();
        for (int r = 0; r < core_.FixedRows(); ++r) {
            PaintFixedCell(*painter, QRect(rect.left(), rect.top() + r * h, rect.width(), h), core_,
                           col, r, palette());
        }
    } else {
        const int row = core_.FixedRows() + logicalIndex;
        int x = rect.left();
        for (int c = 0; c < core_.FixedCols(); ++c) {
            const int w = core_.ColWidth(c);
            PaintFixedCell(*painter, QRect(x, rect.top(), w, rect.height()), core_, c, row,
                           palette());
            x += w;
        }
    }
}

}  // namespace kelmora
