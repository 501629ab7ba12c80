#pragma once

#include <QByteArray>
#include <QWidget>
#include <optional>

#include "analysis/Analysis.h"
#include "analysisview/Provenance.h"
#include "files/DataFile.h"
#include "grid/GridCore.h"
#include "ui/WindowDocument.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kelmora {

class TAnalysisCharts;
class TAnalysisRun;
class TMainForm;
class TOriginGrid;
class TTitrationImportDialog;
class TVolumesDialog;

// The Analysis window: a titration with several signals and an optional host column, the
// settings of the global analysis, its run off the user-interface thread, and its results as
// tables and charts. Not modal; created with the main window and kept, so it keeps its data and
// results, and its data and settings go into the Kelmora file with the main window's work.
class TAnalysisForm : public QWidget, public IAnalysisDocument {
    Q_OBJECT
  public:
    explicit TAnalysisForm(TMainForm* mainForm);
    ~TAnalysisForm() override;

    // Shows the window where and as large as it was last closed.
    void Open();
    bool Running() const;
    const std::optional<analysis::TAnalysisResult>& Result() const { return result_; }
    // IAnalysisDocument. A restore stops a run under way and forgets the results shown, which
    // belonged to other data.
    TAnalysisSection CaptureAnalysis() const override;
    void RestoreAnalysis(const std::optional<TAnalysisSection>& section) override;

    // After "Update" in the main window: the sheet, the P0, the concentration error and the
    // values of the fixed parameters take the new separator, as the main window's P0 and table
    // do, so that a Fit reads them in it.
    void DecimalSeparatorChanged();
    // While Optimize or Scan runs in the main window, its table is not to be written.
    void SetMainTableBusy(bool busy);
    // The model whose table and charts are shown, when there are results.
    const analysis::TModelResult* ChosenModel() const;
    // How the results shown were made, for every copy, export and report of them.
    TRunRecord ResultRecord() const;

    // Handlers, named after their controls.
    void FromMainButtonClick();
    void ClearSheetButtonClick();
    void FromVolumesButtonClick();
    void ImportButtonClick();
    // The import's second half, once the file is read: the column choice, then the whole sheet
    // replaced, names included. Tests drive the dialog through ImportDialogShown.
    void ImportTitration(const TDataFile& file, const QString& fileName);
    void ClearOutsideButtonClick();
    void FitButtonClick();
    void StopButtonClick();
    void UseInMainButtonClick();
    void CopyResultsButtonClick();
    void CopyResidualsButtonClick();
    void ExportChartButtonClick();
    void ExportTablesButtonClick();
    void ReportButtonClick();

    // Data
    TOriginGrid* DataGrid = nullptr;
    QLineEdit* P0Edit = nullptr;
    QPushButton* FromMainButton = nullptr;
    QPushButton* ClearSheetButton = nullptr;
    QPushButton* FromVolumesButton = nullptr;
    QPushButton* ImportButton = nullptr;
    TVolumesDialog* VolumesDialog = nullptr;
    QLabel* CountLabel = nullptr;
    QPushButton* ClearOutsideButton = nullptr;  // shown while a paste left data beside it
    // Settings
    std::vector<QCheckBox*> ModelChecks;  // in the order of analysis::ModelCatalogue()
    QCheckBox* LinearTermCheck = nullptr;
    QCheckBox* WeightCheck = nullptr;
    TOriginGrid* FixedGrid = nullptr;
    QSpinBox* ReplicatesSpin = nullptr;
    QLineEdit* ConcErrorEdit = nullptr;
    QSpinBox* SeedSpin = nullptr;
    // Run
    QPushButton* FitButton = nullptr;
    QPushButton* StopButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* StatusLabel = nullptr;
    // Results
    QLabel* StaleLabel = nullptr;  // shown while the results belong to earlier data
    QComboBox* ModelCombo = nullptr;
    QTableWidget* ParamTable = nullptr;
    QTableWidget* ComparisonTable = nullptr;
    QLabel* VerdictLabel = nullptr;
    QLabel* WarningLabel = nullptr;
    QComboBox* SignalCombo = nullptr;
    QLabel* SignalQLabel = nullptr;
    QPushButton* UseInMainButton = nullptr;
    QPushButton* CopyResultsButton = nullptr;
    QPushButton* CopyResidualsButton = nullptr;
    QPushButton* ExportChartButton = nullptr;
    QPushButton* ExportTablesButton = nullptr;
    QPushButton* ReportButton = nullptr;
    TAnalysisCharts* Charts = nullptr;

  Q_SIGNALS:
    // The column choice of an import is up, before it waits for the user.
    void ImportDialogShown(TTitrationImportDialog* dialog);
    // A run has ended and what it brought is shown (or its error was raised).
    void RunEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* CreateDataPanel();
    QWidget* CreateSettingsPanel();
    QWidget* CreateResultsPanel();
    void UpdateCount();
    analysis::TAnalysisSettings ReadSettings() const;
    void ShowProgress();
    void RunFinished();
    void SelectRejected();
    void ShowResult();
    void ShowChosenModel();
    void ShowSignalQ();
    void SetRunning(bool running);
    void ClearResults();
    void WatchForChanges();
    void UpdateUseInMain();
    void InputsChanged();
    void SheetReplaced();

  public:
    // The data, P0 or settings changed since the results shown were fitted.
    bool Stale() const { return stale_; }

  private:
    TMainForm* mainForm_;
    TAnalysisRun* run_ = nullptr;
    std::optional<analysis::TAnalysisResult> result_;
    analysis::TTitration runData_;                // the data of the run under way
    analysis::TTitration resultData_;             // the data the shown results were fitted to
    analysis::TAnalysisSettings runSettings_;     // the settings of the run under way
    analysis::TAnalysisSettings resultSettings_;  // and of the results shown
    QByteArray geometry_;
    bool mainTableBusy_ = false;
    bool discardRun_ = false;  // the run under way was for work that has been replaced
    bool stale_ = false;
    std::optional<TVolumeTexts> volumes_;  // what the C and P0 columns were worked out from
    std::optional<TGridRect> pasted_;      // the block of the last paste, while it is the sheet's
};

}  // namespace kelmora
