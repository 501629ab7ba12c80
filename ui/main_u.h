#pragma once

#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "engine/ChartData.h"
#include "engine/FitSink.h"
#include "engine/FitState.h"

class QButtonGroup;
class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QMenuBar;
class QPushButton;
class QValueAxis;

namespace kelmora {

class TAnalysisForm;
class TSpectraForm;
class TFileMenu;
class TGetDataForm;
class TOriginGrid;
class TOutGridForm;
class TRememberParamsForm;
class TWorkHistory;

// The main window: parameter table, commands, chart and decimal separator. It owns the fitting
// state and is the sink through which the long commands keep it alive while they run; their
// captions, the buttons they disable and the beep at their end are the window's own.
class TMainForm : public QWidget, public IFitSink {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The other windows, created after this one and kept until the end.
    void SetForms(TGetDataForm* getData, TOutGridForm* outGrid, TRememberParamsForm* minima);
    TGetDataForm* GetDataForm() const { return getDataForm_; }
    TRememberParamsForm* MinimaForm() const { return minimaForm_; }

    TFitState& State() { return state_; }
    const TChartData& ChartData() const { return chart_; }
    int Mode = 0;

    void SetParamVector(const TParamVector& v);
    // A data set as "Ок" in the data dialog would load it (C and shift per point), its P0, and
    // the parameters, as one step that Undo takes back.
    void SetDataAndParams(const std::vector<std::array<std::string, 2>>& cells,
                          const std::string& p0Text, const TParamVector& v);
    void SetDecimalSeparator(const std::string& ch);

    // Handlers, named after control and event.
    void Button1Click();  // "Compute this point"
    void Button2Click();  // "Optimize"
    void Button3Click();  // "Stop"
    void Button4Click();  // "Copy into table"
    void Button5Click();  // "Enter sorce data"
    void Button8Click();  // "Scan"
    void Mode1ButtonClick(int tag);
    void UpdateDecSepButtonClick();
    void AnalysisButtonClick();
    void SpectraButtonClick();

    // The Analysis window, created by the first click on "Analysis..." and kept from then on.
    TAnalysisForm* AnalysisForm() const { return analysisForm_; }
    // The Spectra window, likewise made with the main window and kept.
    TSpectraForm* SpectraForm() const { return spectraForm_; }

    // What the commands get from the controls below the table when they start.
    TFitSettings CommandSettings() const;
    void RedrawChart();

    // The caption: the file's name with the unsaved mark, then what the last command said.
    void SetCommandCaption(const QString& text);
    QString CommandCaption() const { return commandCaption_; }
    void ShowCaption();

    // IFitSink
    std::uint32_t TickCount() override;
    void Refresh(const TFitState& state) override;
    bool TestStop() override;
    void PhaseChanged(TFitPhase phase) override;
    void ResetMinima() override;
    void AddMinimum(const TParamVector& v, double q) override;
    void EnableMinimaList() override;

    QMenuBar* MenuBar = nullptr;
    TFileMenu* Files = nullptr;
    TWorkHistory* History = nullptr;  // Edit > Undo / Redo of the table and data
    // Holds every control at its designed place; see the constructor.
    QWidget* ClientArea = nullptr;
    TOriginGrid* ParamsGrid = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* IterCountEdit = nullptr;
    QCheckBox* FinishMinimaCheck = nullptr;
    QPushButton* Button5 = nullptr;
    QLabel* SepLabEditLabel = nullptr;
    QLineEdit* SepLabEdit = nullptr;
    QPushButton* UpdateDecSepButton = nullptr;
    QPushButton* Mode1Button = nullptr;
    QPushButton* Mode2Button = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* AnalysisButton = nullptr;
    QPushButton* SpectraButton = nullptr;
    QChartView* Chart1 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void EnterData();  // the data dialog and, on "Ок", its data set loaded
    void CreateControls();
    void CreateChart();
    void FormCreate();
    // Every edit of the work reaches the File menu, which keeps the unsaved mark.
    void WatchForChanges();
    // The frame of Optimize and Scan in the window: captions, buttons and the beep around the
    // command; a close of the window during it ends the program once it returns.
    template <class TCommand>
    void RunLongCommand(TFitPhase phase, const QString& doneCaption, TCommand command);
    // Compute, Optimize and Scan; Stop stays enabled.
    void SetCommandButtonsEnabled(bool enabled);

    TFitState state_;
    TChartData chart_;
    TGetDataForm* getDataForm_ = nullptr;
    TOutGridForm* outGridForm_ = nullptr;
    TRememberParamsForm* minimaForm_ = nullptr;
    TAnalysisForm* analysisForm_ = nullptr;
    TSpectraForm* spectraForm_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    QChart* chart1Chart_ = nullptr;
    QLineSeries* series_[3] = {};
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    QString commandCaption_;
    bool shown_ = false;
    int runDepth_ = 0;
    bool closing_ = false;
    bool stopClicked_ = false;  // until the running command's next refresh
};

}  // namespace kelmora
