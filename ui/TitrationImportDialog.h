#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "files/TitrationColumns.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace kelmora {

// "Import titration…" of the Analysis window: a data file's first lines in its columns, and the
// choice, by header name, of the C column, the host column or one P0 for all points, and the
// signal columns, as guessed from the names to start with.
class TTitrationImportDialog : public QDialog {
    Q_OBJECT
  public:
    TTitrationImportDialog(const TDataFile& file, const QString& fileName, QWidget* parent);

    TTitrationColumns Columns() const;
    std::string P0Text() const;  // when no host column is chosen

    QLabel* LayoutLabel = nullptr;
    QTableWidget* Preview = nullptr;
    QComboBox* CColumnBox = nullptr;
    QComboBox* HostColumnBox = nullptr;  // item 0: one P0 for all points
    QLineEdit* P0Edit = nullptr;
    QListWidget* SignalList = nullptr;  // one checkable item per column
    QDialogButtonBox* Buttons = nullptr;

  private:
    void ChoiceChanged();
};

}  // namespace kelmora
