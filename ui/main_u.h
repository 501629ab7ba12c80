#pragma once

#include <QWidget>
#include <string>

#include "engine/ChartData.h"
#include "engine/FitHost.h"
#include "engine/FitState.h"

class QButtonGroup;
class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace kelmora {

class TGetDataForm;
class TOriginGrid;
class TOutGridForm;
class TRememberParamsForm;

// The main window: parameter table, commands, chart and decimal separator. It owns the fitting
// state and is the host through which the long commands keep it alive while they run.
class TMainForm : public QWidget, public IFitHost {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The other windows, created after this one and kept until the end.
    void SetForms(TGetDataForm* getData, TOutGridForm* outGrid, TRememberParamsForm* minima);

    TFitState& State() { return state_; }
    const TChartData& ChartData() const { return chart_; }
    int Mode = 0;

    void SetParamVector(const TParamVector& v);
    void SetDecimalSeparator(const std::string& ch);

    // Handlers, named after control and event.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button8Click();
    void Mode1ButtonClick(int tag);
    void UpdateDecSepButtonClick();

    // IFitHost
    std::uint32_t TickCount() override;
    void ProcessMessages() override;
    void SetCaption(const std::string& text) override;
    void Beep() override;
    ITextTable& ParamsTable() override;
    std::string IterCountText() override;
    bool FinishMinimaChecked() override;
    void RedrawChart() override;
    void DisableButtons() override;
    void EnableButtons() override;
    void ResetMinima() override;
    void AddMinimum(const TParamVector& v, double q) override;
    void EnableMinimaList() override;

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
    QChartView* Chart1 = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void CreateChart();
    void FormCreate();
    // Runs a long command; a close of the window during it ends the program once it returns.
    template <class TCommand>
    void RunLongCommand(TCommand command);

    TFitState state_;
    TChartData chart_;
    TGetDataForm* getDataForm_ = nullptr;
    TOutGridForm* outGridForm_ = nullptr;
    TRememberParamsForm* minimaForm_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    QChart* chart1Chart_ = nullptr;
    QLineSeries* series_[3] = {};
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    int runDepth_ = 0;
    bool closing_ = false;
};

}  // namespace kelmora
