#pragma once

#include <QDialog>
#include <vector>

#include "analysisview/Volumes.h"
#include "files/KelmoraDocument.h"

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

namespace kelmora {

class TOriginGrid;

// "From volumes…": the stocks, the starting volume and the volume added at each point, from
// which the Analysis window's C and P0 columns are filled with the dilution worked out.
class TVolumesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TVolumesDialog(QWidget* parent = nullptr);

    void SetTexts(const TVolumeTexts& texts);
    TVolumeTexts Texts() const;
    // The concentrations the accepted inputs give.
    const std::vector<TVolumePoint>& Points() const { return points_; }

    // Closes only with inputs that give concentrations; otherwise raises the error naming the
    // faulty input, and the dialog stays.
    void accept() override;

    QLineEdit* HostStockEdit = nullptr;
    QLineEdit* LigandStockEdit = nullptr;
    QCheckBox* HostInLigandCheck = nullptr;
    QLineEdit* StartVolumeEdit = nullptr;
    QRadioButton* EachAdditionRadio = nullptr;
    QRadioButton* RunningTotalRadio = nullptr;
    TOriginGrid* AddedGrid = nullptr;
    QDialogButtonBox* Buttons = nullptr;

  private:
    std::vector<TVolumePoint> points_;
};

}  // namespace kelmora
