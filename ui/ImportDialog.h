#pragma once

#include <QDialog>

#include "files/DataFile.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

namespace kelmora {

// The first lines of a data file in its columns, and the choice of the columns that hold C and
// the shift. Shown when the file has more columns than those two. However wide the file, the
// preview and the choice hold its first PreviewColumns columns, so that a file of one endless
// line opens at once.
class TImportDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int PreviewRows = 20;
    static constexpr int PreviewColumns = 100;

    TImportDialog(const TDataFile& file, const QString& fileName, QWidget* parent = nullptr);

    int CColumn() const;
    int ShiftColumn() const;

    QLabel* LayoutLabel = nullptr;
    QTableWidget* Preview = nullptr;
    QComboBox* CColumnBox = nullptr;
    QComboBox* ShiftColumnBox = nullptr;
    QDialogButtonBox* Buttons = nullptr;

  private:
    void MarkChosenColumns();
};

// How the file was read, in words: "31 lines, columns separated by semicolons, decimal comma".
QString DataFileLayoutText(const TDataFile& file);

}  // namespace kelmora
