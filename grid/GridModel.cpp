#include "grid/GridModel.h"

#include <algorithm>

namespace kelmora {

TGridModel::TGridModel(TGridCore& core, QObject* parent)
    : QAbstractTableModel(parent), core_(core) {
    core_.SetObserver(this);
}

TGridModel::~TGridModel() {
    core_.SetObserver(nullptr);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : core_.RowCount() - core_.FixedRows();
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : core_.ColCount() - core_.FixedCols();
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    const std::string& text =
        core_.CellRef(index.column() + core_.FixedCols(), index.row() + core_.FixedRows());
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !core_.Editing()) {
        return false;
    }
    // The core reports the change back through CellsChanged, which emits dataChanged.
    core_.SetCell(index.column() + core_.FixedCols(), index.row() + core_.FixedRows(),
                  value.toString().toStdString());
    return true;
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (core_.Editing()) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    QStringList lines;
    if (orientation == Qt::Horizontal) {
        for (int r = 0; r < core_.FixedRows(); ++r) {
            lines << QString::fromStdString(core_.Cell(section + core_.FixedCols(), r));
        }
    } else {
        for (int c = 0; c < core_.FixedCols(); ++c) {
            lines << QString::fromStdString(core_.Cell(c, section + core_.FixedRows()));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

void TGridModel::GridReshaping() {
    beginResetModel();
}

void TGridModel::GridReshaped() {
    endResetModel();
    Q_EMIT CoreReshaped();
}

void TGridModel::RowsAppending(int first, int last) {
    beginInsertRows(QModelIndex(), first - core_.FixedRows(), last - core_.FixedRows());
}

void TGridModel::RowsAppended() {
    endInsertRows();
}

void TGridModel::CellsChanged(TGridRect block) {
    const int fc = core_.FixedCols();
    const int fr = core_.FixedRows();
    const int left = std::max(block.Left, fc) - fc;
    const int top = std::max(block.Top, fr) - fr;
    const int right = block.Right - fc;
    const int bottom = block.Bottom - fr;
    if (left <= right && top <= bottom) {
        Q_EMIT dataChanged(index(top, left), index(bottom, right), {Qt::DisplayRole, Qt::EditRole});
    }
    if (block.Left < fc) {
        Q_EMIT headerDataChanged(Qt::Vertical, top, std::max(top, bottom));
    }
    if (block.Top < fr) {
        Q_EMIT headerDataChanged(Qt::Horizontal, left, std::max(left, right));
    }
    if (block.Left < fc || block.Top < fr) {
        Q_EMIT FixedCellsChanged();
    }
}

void TGridModel::SelectionChanged() {
    Q_EMIT CoreSelectionChanged();
}

void TGridModel::LayoutChanged() {
    Q_EMIT CoreLayoutChanged();
}

}  // namespace kelmora
