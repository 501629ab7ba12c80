#include "grid/OriginGrid_u.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <limits>

#include "grid/GridHeader.h"
#include "grid/GridModel.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

// QClipboard cannot refuse to open; the one way it can fail here is when there is no
// application object to own it.
class TSystemClipboard : public IClipboard {
  public:
    std::string GetText() override { return Get().text().toStdString(); }
    void SetText(const std::string& text) override { Get().setText(QString::fromStdString(text)); }

  private:
    static QClipboard& Get() {
        QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                    ? QGuiApplication::clipboard()
                                    : nullptr;
        if (!clipboard) {
            throw EKelmoraError("Cannot open clipboard");
        }
        return *clipboard;
    }
};

IClipboard* g_testClipboard = nullptr;

// Ctrl+C and Ctrl+V count with Shift or Alt held as well, as the grid always allowed.
bool IsCopyKey(const QKeyEvent* e) {
    return e->matches(QKeySequence::Copy) ||
           (e->key() == Qt::Key_C && (e->modifiers() & Qt::ControlModifier));
}

bool IsPasteKey(const QKeyEvent* e) {
    return e->matches(QKeySequence::Paste) ||
           (e->key() == Qt::Key_V && (e->modifiers() & Qt::ControlModifier));
}

bool IsDeleteKey(const QKeyEvent* e) {
    return e->matches(QKeySequence::Delete) || e->key() == Qt::Key_Delete;
}

}  // namespace

TOriginGrid::TOriginGrid(QWidget* parent) : QTableView(parent) {
    model_ = new TGridModel(core_, this);
    colHeader_ = new TGridHeader(Qt::Horizontal, core_, this);
    rowHeader_ = new TGridHeader(Qt::Vertical, core_, this);
    setHorizontalHeader(colHeader_);
    setVerticalHeader(rowHeader_);
    setModel(model_);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(false);  // Tab leaves the grid for the next control

    colHeader_->viewport()->installEventFilter(this);
    rowHeader_->viewport()->installEventFilter(this);
    corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (corner_) {
        corner_->installEventFilter(this);
    }

    connect(model_, &TGridModel::CoreReshaped, this, [this] {
        ApplyLayout();
        ApplySelection();
    });
    connect(model_, &TGridModel::CoreLayoutChanged, this, &TOriginGrid::ApplyLayout);
    connect(model_, &TGridModel::CoreSelectionChanged, this, &TOriginGrid::ApplySelection);
    connect(model_, &TGridModel::FixedCellsChanged, this, &TOriginGrid::RepaintFixedCells);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TOriginGrid::TakeViewSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TOriginGrid::TakeViewSelection);
    ApplyLayout();
    ApplySelection();
}

TOriginGrid::~TOriginGrid() {
    // The model refers to the core, which dies before the view's children do.
    delete model_;
}

void TOriginGrid::SetClipboardForTests(IClipboard* clipboard) {
    g_testClipboard = clipboard;
}

IClipboard& TOriginGrid::Clipboard() {
    static TSystemClipboard system;
    return g_testClipboard ? *g_testClipboard : system;
}

void TOriginGrid::SelectAllAndCopy() {
    core_.SelectAllAndCopy(Clipboard());
}

void TOriginGrid::CopySelection() {
    core_.CopySelection(Clipboard());
}

void TOriginGrid::PasteFromClipboard() {
    core_.PasteFromClipboard(Clipboard());
}

QPoint TOriginGrid::FromGridPoint(const QWidget* child, QPoint gridPoint) const {
    return child->mapFrom(this, gridPoint + contentsRect().topLeft());
}

QPoint TOriginGrid::ToGridPoint(const QWidget* child, QPoint childPoint) const {
    return child->mapTo(this, childPoint) - contentsRect().topLeft();
}

void TOriginGrid::ApplyLayout() {
    colHeader_->setVisible(core_.FixedRows() > 0);
    rowHeader_->setVisible(core_.FixedCols() > 0);
    rowHeader_->setDefaultSectionSize(core_.DefaultRowHeight());
    colHeader_->setDefaultSectionSize(core_.DefaultColWidth());
    for (int i = 0; i < model_->columnCount(); ++i) {
        setColumnWidth(i, core_.ColWidth(core_.FixedCols() + i));
    }
    const TGridOptions options = core_.Options();
    setShowGrid((options & (goVertLine | goHorzLine)) != 0);
    setSelectionMode((options & goRangeSelect) ? QAbstractItemView::ContiguousSelection
                                               : QAbstractItemView::SingleSelection);
    setEditTriggers(core_.Editing()
                        ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed)
                        : QAbstractItemView::NoEditTriggers);
    colHeader_->updateGeometry();
    rowHeader_->updateGeometry();
    updateGeometries();
    const int scroll = core_.LeftCol() - core_.FixedCols();
    if (horizontalScrollBar()->value() != scroll) {
        horizontalScrollBar()->setValue(scroll);
    }
    RepaintFixedCells();
    viewport()->update();
}

// The core's rectangle is the truth; the view shows its non-fixed part and the headers the
// rest. Auto-scroll is held off so selecting a whole column does not jump to its last row.
void TOriginGrid::ApplySelection() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    const TGridRect s = core_.Selection();
    const int fc = core_.FixedCols();
    const int fr = core_.FixedRows();
    const int left = std::max(s.Left, fc) - fc;
    const int top = std::max(s.Top, fr) - fr;
    const int right = s.Right - fc;
    const int bottom = s.Bottom - fr;
    const bool scroll = hasAutoScroll();
    setAutoScroll(false);
    QItemSelectionModel* sm = selectionModel();
    if (left <= right && top <= bottom) {
        sm->setCurrentIndex(model_->index(bottom, right), QItemSelectionModel::NoUpdate);
        sm->select(QItemSelection(model_->index(top, left), model_->index(bottom, right)),
                   QItemSelectionModel::ClearAndSelect);
    } else {
        sm->clearSelection();
    }
    setAutoScroll(scroll);
    syncing_ = false;
    RepaintFixedCells();
}

void TOriginGrid::TakeViewSelection() {
    if (syncing_) {
        return;
    }
    const QItemSelection selection = selectionModel()->selection();
    int left = 0, top = 0, right = -1, bottom = -1;
    if (!selection.isEmpty()) {
        left = top = std::numeric_limits<int>::max();
        right = bottom = -1;
        for (const QItemSelectionRange& range : selection) {
            left = std::min(left, range.left());
            top = std::min(top, range.top());
            right = std::max(right, range.right());
            bottom = std::max(bottom, range.bottom());
        }
    } else if (currentIndex().isValid()) {
        left = right = currentIndex().column();
        top = bottom = currentIndex().row();
    } else {
        return;
    }
    syncing_ = true;
    core_.SetSelection({left + core_.FixedCols(), top + core_.FixedRows(),
                        right + core_.FixedCols(), bottom + core_.FixedRows()});
    syncing_ = false;
    RepaintFixedCells();
}

void TOriginGrid::RepaintFixedCells() {
    colHeader_->viewport()->update();
    rowHeader_->viewport()->update();
    if (corner_) {
        corner_->update();
    }
}

bool TOriginGrid::event(QEvent* e) {
    // A window-wide Ctrl+C / Ctrl+V / Delete shortcut must not take these keys from the grid.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (IsCopyKey(key) || IsPasteKey(key) || IsDeleteKey(key)) {
            e->accept();
            return true;
        }
    }
    return QTableView::event(e);
}

// Exceptions (a clipboard that cannot be opened) leave through here to the application's
// handler on purpose.
void TOriginGrid::keyPressEvent(QKeyEvent* e) {
    if (IsCopyKey(e)) {
        e->accept();
        CopySelection();
        return;
    }
    if (IsPasteKey(e)) {
        e->accept();
        if (Editing()) {
            PasteFromClipboard();
        }
        return;
    }
    if (IsDeleteKey(e)) {
        e->accept();
        if (Editing()) {
            ClearSelection();
        }
        return;
    }
    QTableView::keyPressEvent(e);
}

void TOriginGrid::mousePressEvent(QMouseEvent* e) {
    QTableView::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) {
        const QPoint p = ToGridPoint(viewport(), e->position().toPoint());
        core_.MousePress(p.x(), p.y());
    }
}

void TOriginGrid::mouseMoveEvent(QMouseEvent* e) {
    QTableView::mouseMoveEvent(e);
    const QPoint p = ToGridPoint(viewport(), e->position().toPoint());
    core_.MouseMove(p.x(), p.y());
}

void TOriginGrid::mouseReleaseEvent(QMouseEvent* e) {
    QTableView::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) {
        core_.MouseRelease();
    }
}

bool TOriginGrid::eventFilter(QObject* watched, QEvent* e) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget == corner_ && e->type() == QEvent::Paint) {
        PaintCorner(widget);
        return true;
    }
    if (widget && (widget == corner_ || widget == colHeader_->viewport() ||
                   widget == rowHeader_->viewport())) {
        return HeaderMouseEvent(widget, e);
    }
    return QTableView::eventFilter(watched, e);
}

// Fixed cells cannot be selected one by one, so the headers' own mouse handling is replaced
// entirely: a press only focuses the grid and may start a whole-column selection. The press
// grabs the mouse for the header, so the release arrives even outside the grid.
bool TOriginGrid::HeaderMouseEvent(QWidget* source, QEvent* e) {
    switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() == Qt::LeftButton) {
                setFocus(Qt::MouseFocusReason);
                const QPoint p = ToGridPoint(source, m->position().toPoint());
                core_.MousePress(p.x(), p.y());
            }
            return true;
        }
        case QEvent::MouseMove: {
            const QPoint p =
                ToGridPoint(source, static_cast<QMouseEvent*>(e)->position().toPoint());
            core_.MouseMove(p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                core_.MouseRelease();
            }
            return true;
        default:
            return false;
    }
}

void TOriginGrid::PaintCorner(QWidget* corner) {
    QPainter painter(corner);
    int x = 0;
    for (int c = 0; c < core_.FixedCols(); ++c) {
        const int w = core_.ColWidth(c);
        for (int r = 0; r < core_.FixedRows(); ++r) {
            const int h = core_.RowHeight(r);
            PaintFixedCell(painter, QRect(x, r * h, w, h), core_, c, r, palette());
        }
        x += w;
    }
}

void TOriginGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    core_.SetLeftCol(core_.FixedCols() + horizontalScrollBar()->value());
}

}  // namespace kelmora
