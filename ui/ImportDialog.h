#pragma once

#include <QDialog>
#include <vector>

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

// "Column 3: Shift" (the header's name when there is one), as the column choices name a column.
QString DataFileColumnName(const TDataFile& file, int k);
// The file's first lines in its columns, read-only, its own line numbers at the left.
QTableWidget* DataFilePreview(const TDataFile& file, QWidget* parent);
// The chosen columns stand out.
void MarkPreviewColumns(QTableWidget* preview, const std::vector<int>& columns);

// How the file was read, in words: "31 lines, columns separated by semicolons, decimal comma".
QString DataFileLayoutText(const TDataFile& file);

}  // namespace kelmora
