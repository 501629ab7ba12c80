#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Spectra.h"
#include "files/KelmoraDocument.h"
#include "files/SpectraFile.h"
#include "ui/AnalysisRun.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kelmora {

class TMainForm;
class TOriginGrid;
class TSpectraCharts;

// The Spectra window: an absorbance or fluorescence titration as whole spectra, the points'
// concentrations, the wavelengths to fit, the settings, the run off the user-interface thread,
// and the results as tables and charts. Not modal; made with the main window and kept.
class TSpectraForm : public QWidget {
    Q_OBJECT
  public:
    explicit TSpectraForm(TMainForm* mainForm);
    ~TSpectraForm() override;

    void Open();
    bool Running() const { return run_->Running(); }
    const std::optional<analysis::TSpectraResult>& Result() const { return result_; }
    const std::optional<TSpectraFile>& Spectra() const { return spectra_; }
    // The titration a Run would fit now: the chosen wavelengths and the points. Raises the
    // error a Run would show.
    analysis::TSpectraTitration ChosenTitration() const;
    const analysis::TSpectraModelResult* ChosenModel() const;
    // What a Kelmora file keeps of the window: nothing while it holds no spectra and no points.
    // A restore stops a run under way; no section: the window as it starts.
    std::optional<TSpectraSection> CaptureSpectra() const;
    void RestoreSpectra(const std::optional<TSpectraSection>& section);

    // Handlers, named after their controls.
    void ImportSpectraButtonClick();
    // The import's second half, once the text is read; the wavelength range becomes the file's.
    void ImportSpectra(const std::string& text, const QString& fileName);
    void PointsFileButtonClick();
    void RunButtonClick();
    void StopButtonClick();
    void ExportChartButtonClick();

    // Spectra
    QPushButton* ImportSpectraButton = nullptr;
    QCheckBox* InRowsCheck = nullptr;
    QLabel* SpectraLabel = nullptr;
    // Points
    TOriginGrid* PointsGrid = nullptr;
    QLineEdit* P0Edit = nullptr;
    QPushButton* PointsFileButton = nullptr;
    // Wavelengths
    QLineEdit* FromEdit = nullptr;
    QLineEdit* ToEdit = nullptr;
    QSpinBox* StepSpin = nullptr;
    QLabel* ChosenLabel = nullptr;
    // Settings
    QComboBox* ObservableCombo = nullptr;
    std::vector<QCheckBox*> ModelChecks;  // in the order of analysis::ModelCatalogue()
    QLineEdit* PathLengthEdit = nullptr;
    QCheckBox* LigandAbsorbsCheck = nullptr;
    QSpinBox* ReplicatesSpin = nullptr;
    QSpinBox* SeedSpin = nullptr;
    // Run
    QPushButton* RunButton = nullptr;
    QPushButton* StopButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* StatusLabel = nullptr;
    // Results
    QComboBox* ModelCombo = nullptr;
    QLabel* FactorLabel = nullptr;
    QLabel* StaleLabel = nullptr;  // shown while the results belong to earlier data
    QTableWidget* ParamTable = nullptr;
    QTableWidget* ComparisonTable = nullptr;
    QLabel* VerdictLabel = nullptr;
    QLabel* WarningLabel = nullptr;
    QPushButton* ExportChartButton = nullptr;
    TSpectraCharts* Charts = nullptr;

  Q_SIGNALS:
    // A run has ended and what it brought is shown (or its error was raised).
    void RunEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* CreateDataPanel();
    QWidget* CreateSettingsPanel();
    QWidget* CreateResultsPanel();
    analysis::TSpectraSettings ReadSettings() const;
    void WavelengthsChanged();
    void ShowProgress();
    void RunFinished();
    void ShowResult();
    void ShowChosenModel();
    void SetRunning(bool running);
    void ClearResults();
    void ShowSpectraName();
    void WatchForChanges();
    void InputsChanged();
    void ShowStale();

    TMainForm* mainForm_;
    TSpectraRun* run_ = nullptr;
    std::optional<TSpectraFile> spectra_;
    QString spectraName_;
    std::optional<analysis::TSpectraResult> result_;
    analysis::TSpectraTitration runData_;     // the data of the run under way
    analysis::TSpectraTitration resultData_;  // the data the shown results were fitted to
    QByteArray geometry_;
    bool stale_ = false;       // the data or settings changed since the results' Run
    bool discardRun_ = false;  // the run under way was for work that has been replaced
};

}  // namespace kelmora
