#pragma once

#include <QAbstractTableModel>

#include "grid/GridCore.h"

namespace kelmora {

// The non-fixed cells of a TGridCore as a table model; the fixed header cells are drawn by the
// grid's header views. Every change of the core, by whichever path, arrives here first and
// leaves as the model's own signals plus a few for the view.
class TGridModel : public QAbstractTableModel, private IGridObserver {
    Q_OBJECT
  public:
    explicit TGridModel(TGridCore& core, QObject* parent = nullptr);
    ~TGridModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The fixed cells of a column (row), one line each.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  Q_SIGNALS:
    void CoreReshaped();
    void CoreSelectionChanged();
    void CoreLayoutChanged();
    void FixedCellsChanged();

  private:
    void GridReshaping() override;
    void GridReshaped() override;
    void RowsAppending(int first, int last) override;
    void RowsAppended() override;
    void CellsChanged(TGridRect block) override;
    void SelectionChanged() override;
    void LayoutChanged() override;

    TGridCore& core_;
};

}  // namespace kelmora
