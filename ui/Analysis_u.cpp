#include "ui/Analysis_u.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "analysisview/AnalysisCurves.h"
#include "analysisview/AnalysisReport.h"
#include "analysisview/AnalysisSheet.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/QtText.h"
#include "ui/AnalysisCharts.h"
#include "ui/AnalysisRun.h"
#include "ui/AnalysisWidgets.h"
#include "ui/AnalysisWriteUp.h"
#include "ui/FileMenu.h"
#include "ui/ResultTables.h"
#include "ui/main_u.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

using analysis::TModelResult;

namespace {

constexpr int kFixedRows = 6;

// The window as it first opens.
TAnalysisSection StartingSection() {
    TAnalysisSection section;
    section.P0Text = FormatGeneral(0.01);
    for (const analysis::TModelDef& model : analysis::DefaultModels()) {
        section.Models.push_back(model.Name);
    }
    section.Replicates = analysis::TAnalysisSettings().Replicates;
    section.ConcErrorText = "0";
    section.Seed = 1;
    return section;
}

}  // namespace

TAnalysisForm::TAnalysisForm(TMainForm* mainForm)
    : QWidget(mainForm, Qt::Window), mainForm_(mainForm) {
    setWindowTitle(QStringLiteral("Analysis"));
    run_ = new TAnalysisRun(this);
    connect(run_, &TAnalysisRun::Progressed, this, &TAnalysisForm::ShowProgress);
    connect(run_, &TAnalysisRun::Finished, this, &TAnalysisForm::RunFinished);

    QWidget* data = CreateDataPanel();
    QWidget* settings = CreateSettingsPanel();
    LayOutAnalysisWindow(this, data, settings, CreateResultsPanel(), mainForm_->Files->FileMenu);

    setMinimumSize(900, 600);
    resize(1200, 800);
    RestoreAnalysis(std::nullopt);
    SetRunning(false);
    WatchForChanges();
}

TAnalysisForm::~TAnalysisForm() = default;

QWidget* TAnalysisForm::CreateSettingsPanel() {
    auto* box = new QGroupBox(QStringLiteral("Settings"), this);
    // Three models to a row, so that every title shows in full however many the catalogue has.
    auto* models = new QGridLayout();
    for (const analysis::TModelDef& model : analysis::ModelCatalogue()) {
        const auto k = static_cast<int>(ModelChecks.size());
        ModelChecks.push_back(new QCheckBox(ToQString(model.Title), box));
        ModelChecks.back()->setToolTip(ToQString(model.Equations));
        models->addWidget(ModelChecks.back(), k / 3, k % 3);
    }
    models->setColumnStretch(3, 1);
    LinearTermCheck = new QCheckBox(QStringLiteral("Linear term k·C per signal"), box);
    WeightCheck = new QCheckBox(QStringLiteral("Weight each signal by its own noise"), box);
    // A check box only takes clicks on its box and words: stretched across the panel, most of
    // it would look clickable and not be.
    for (QCheckBox* check : {LinearTermCheck, WeightCheck}) {
        check->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    FixedGrid = EditableGrid(box, 2, kFixedRows, 110);
    FixedGrid->SetCell(0, 0, "Fixed parameter");
    FixedGrid->SetCell(1, 0, "Value");
    FixedGrid->setMinimumHeight(96);
    FixedGrid->setMaximumHeight(120);
    FixedGrid->setToolTip(
        QStringLiteral("Names as in the results: lgK1, lgK2, dP.s1, dPL.s1, dPL2.s1, k.s1, …"));
    ReplicatesSpin = new QSpinBox(box);
    ReplicatesSpin->setRange(0, 1000000);
    ConcErrorEdit = new QLineEdit(box);
    SeedSpin = new QSpinBox(box);
    SeedSpin->setRange(0, 2147483647);

    FitButton = PlainButton(QStringLiteral("Fit"), box);
    StopButton = PlainButton(QStringLiteral("Stop"), box);
    ProgressBar = new QProgressBar(box);
    StatusLabel = new QLabel(box);
    StatusLabel->setWordWrap(true);
    connect(FitButton, &QPushButton::clicked, this, &TAnalysisForm::FitButtonClick);
    connect(StopButton, &QPushButton::clicked, this, &TAnalysisForm::StopButtonClick);

    auto* form = new QFormLayout();
    form->addRow(QStringLiteral("Models"), models);
    form->addRow(QString(), LinearTermCheck);
    form->addRow(QString(), WeightCheck);
    form->addRow(QStringLiteral("Fixed"), FixedGrid);
    form->addRow(QStringLiteral("Monte Carlo replicates"), ReplicatesSpin);
    form->addRow(QStringLiteral("Concentration error, %"), ConcErrorEdit);
    form->addRow(QStringLiteral("Seed"), SeedSpin);
    auto* runRow = new QHBoxLayout();
    runRow->addWidget(FitButton);
    runRow->addWidget(StopButton);
    runRow->addWidget(ProgressBar, 1);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(form);
    layout->addLayout(runRow);
    layout->addWidget(StatusLabel);
    return box;
}

QWidget* TAnalysisForm::CreateResultsPanel() {
    auto* panel = new QWidget(this);
    StaleLabel = new QLabel(QStringLiteral("from earlier data — Fit again"), panel);
    StaleLabel->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    StaleLabel->hide();
    ModelCombo = new QComboBox(panel);
    connect(ModelCombo, &QComboBox::currentIndexChanged, this, &TAnalysisForm::ShowChosenModel);
    ParamTable = ResultTable(panel, ParamTableHeader());
    ComparisonTable = ResultTable(panel, ComparisonHeader({}));
    ParamTable->installEventFilter(this);
    ComparisonTable->installEventFilter(this);
    // Three models as high as they need (and a scroll bar when the window is narrow or more
    // models were fitted), no higher.
    ComparisonTable->setFixedHeight(ComparisonTable->horizontalHeader()->sizeHint().height() +
                                    3 * ComparisonTable->verticalHeader()->defaultSectionSize() +
                                    ComparisonTable->horizontalScrollBar()->sizeHint().height() +
                                    2 * ComparisonTable->frameWidth());
    ComparisonTable->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    VerdictLabel = new QLabel(panel);
    VerdictLabel->setWordWrap(true);
    QFont bold = VerdictLabel->font();
    bold.setBold(true);
    VerdictLabel->setFont(bold);
    WarningLabel = new QLabel(panel);
    WarningLabel->setWordWrap(true);
    WarningLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    SignalCombo = new QComboBox(panel);
    connect(SignalCombo, &QComboBox::currentIndexChanged, this, &TAnalysisForm::ShowSignalQ);
    connect(SignalCombo, &QComboBox::currentIndexChanged, this, &TAnalysisForm::UpdateUseInMain);
    SignalQLabel = new QLabel(panel);
    UseInMainButton = PlainButton(QStringLiteral("Use in main table"), panel);
    CopyResultsButton = PlainButton(QStringLiteral("Copy results"), panel);
    CopyResidualsButton = PlainButton(QStringLiteral("Copy residuals"), panel);
    ExportChartButton = PlainButton(QStringLiteral("Export chart..."), panel);
    connect(ExportChartButton, &QPushButton::clicked, this, &TAnalysisForm::ExportChartButtonClick);
    ExportTablesButton = PlainButton(QStringLiteral("Export tables..."), panel);
    connect(ExportTablesButton, &QPushButton::clicked, this,
            &TAnalysisForm::ExportTablesButtonClick);
    ReportButton = PlainButton(QStringLiteral("Report..."), panel);
    connect(ReportButton, &QPushButton::clicked, this, &TAnalysisForm::ReportButtonClick);
    connect(UseInMainButton, &QPushButton::clicked, this, &TAnalysisForm::UseInMainButtonClick);
    connect(CopyResultsButton, &QPushButton::clicked, this, &TAnalysisForm::CopyResultsButtonClick);
    connect(CopyResidualsButton, &QPushButton::clicked, this,
            &TAnalysisForm::CopyResidualsButtonClick);
    Charts = new TAnalysisCharts(panel);

    auto* modelRow = new QHBoxLayout();
    modelRow->addWidget(new QLabel(QStringLiteral("Model"), panel));
    modelRow->addWidget(ModelCombo);
    modelRow->addWidget(StaleLabel);
    modelRow->addStretch(1);
    modelRow->addWidget(CopyResultsButton);
    modelRow->addWidget(CopyResidualsButton);
    modelRow->addWidget(ExportChartButton);
    modelRow->addWidget(ExportTablesButton);
    modelRow->addWidget(ReportButton);
    auto* signalRow = new QHBoxLayout();
    signalRow->addWidget(new QLabel(QStringLiteral("Signal"), panel));
    signalRow->addWidget(SignalCombo);
    signalRow->addWidget(SignalQLabel, 1);
    signalRow->addWidget(UseInMainButton);

    auto* tables = new QWidget(panel);
    auto* tableLayout = new QVBoxLayout(tables);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addLayout(modelRow);
    tableLayout->addWidget(ParamTable, 1);
    tableLayout->addWidget(ComparisonTable);
    tableLayout->addWidget(VerdictLabel);
    tableLayout->addWidget(WarningLabel);
    tableLayout->addLayout(signalRow);
    auto* split = new QSplitter(Qt::Vertical, panel);
    split->addWidget(tables);
    split->addWidget(Charts);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({420, 380});
    split->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    return panel;
}

void TAnalysisForm::Open() {
    if (!geometry_.isEmpty()) {
        restoreGeometry(geometry_);
    }
    show();
    raise();
    activateWindow();
}

void TAnalysisForm::closeEvent(QCloseEvent* event) {
    // A run must not go on with nobody to see it.
    run_->Stop();
    geometry_ = saveGeometry();
    QWidget::closeEvent(event);
}

bool TAnalysisForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == ParamTable || watched == ComparisonTable)) {
        SpreadColumns(static_cast<QTableWidget*>(watched));
    }
    if (watched == DataGrid && event->type() == QEvent::KeyPress && DataGrid->Editing()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste) ||
            (key->key() == Qt::Key_V && (key->modifiers() & Qt::ControlModifier))) {
            const std::string text = TOriginGrid::Clipboard().GetText();
            pasted_ = PasteIntoSheet(DataGrid->Core(), text);
            UpdateCount();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

analysis::TAnalysisSettings TAnalysisForm::ReadSettings() const {
    analysis::TAnalysisSettings settings;
    settings.Models.clear();
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        if (ModelChecks[k]->isChecked()) {
            settings.Models.push_back(analysis::ModelCatalogue()[k]);
        }
    }
    settings.LinearTerm = LinearTermCheck->isChecked();
    settings.WeightPerSignal = WeightCheck->isChecked();
    try {
        settings.Fixed = ReadFixedParams(*FixedGrid);
    } catch (const ESheetCellError& e) {
        FixedGrid->SetSelection({e.Col, e.Row, e.Col, e.Row});
        throw;
    }
    settings.Replicates = ReplicatesSpin->value();
    settings.ConcErrorPercent = ParseFloat(ConcErrorEdit->text().toStdString());
    settings.Seed = static_cast<std::uint64_t>(SeedSpin->value());
    return settings;
}

void TAnalysisForm::FitButtonClick() {
    if (Running()) {
        return;
    }
    analysis::TTitration data;
    try {
        data = ReadSheet(*DataGrid, P0Edit->text().toStdString());
    } catch (const ESheetCellError& e) {
        DataGrid->SetSelection({e.Col, e.Row, e.Col, e.Row});
        DataGrid->setFocus();
        throw;
    }
    const analysis::TAnalysisSettings settings = ReadSettings();
    runData_ = data;
    runSettings_ = settings;
    discardRun_ = false;
    stale_ = false;  // what changes from now on makes the coming results stale
    ProgressBar->setRange(0, 0);
    StatusLabel->setText(QStringLiteral("Fitting…"));
    SetRunning(true);
    run_->Start(std::move(data), settings);
}

void TAnalysisForm::StopButtonClick() {
    run_->Stop();
}

bool TAnalysisForm::Running() const {
    return run_->Running();
}

void TAnalysisForm::SetRunning(bool running) {
    FitButton->setEnabled(!running);
    StopButton->setEnabled(running);
}

void TAnalysisForm::ShowProgress() {
    const analysis::TAnalysisProgress p = run_->LastProgress();
    ProgressBar->setRange(0, std::max(p.Total, 1));
    ProgressBar->setValue(std::min(p.Done, std::max(p.Total, 1)));
    StatusLabel->setText(ToQString(ProgressText(p)));
}

void TAnalysisForm::RunFinished() {
    SetRunning(false);
    struct TAnnounce {
        TAnalysisForm* form;
        ~TAnnounce() { Q_EMIT form->RunEnded(); }
    } announce{this};
    if (discardRun_) {
        run_->Discard();
        StatusLabel->clear();
        return;
    }
    if (run_->Failed()) {
        ProgressBar->setRange(0, 1);
        ProgressBar->setValue(0);
        StatusLabel->setText(QStringLiteral("The data or settings were not accepted"));
        SelectRejected();
    }
    result_ = run_->TakeResult();  // an error of the analysis is reported from here
    resultData_ = analysis::WithoutConstantSignals(runData_);  // the signals the result has
    resultSettings_ = runSettings_;
    ShowResult();
}

void TAnalysisForm::ClearResults() {
    result_.reset();
    ModelCombo->clear();
    SignalCombo->clear();
    ParamTable->setRowCount(0);
    ComparisonTable->setRowCount(0);
    VerdictLabel->clear();
    WarningLabel->clear();
    WarningLabel->hide();
    SignalQLabel->clear();
    Charts->Clear();
    UpdateUseInMain();
}

void TAnalysisForm::WatchForChanges() {
    const auto changed = [this] { InputsChanged(); };
    for (const TOriginGrid* grid : {DataGrid, FixedGrid}) {
        connect(grid->model(), &QAbstractItemModel::dataChanged, this, changed);
        connect(grid->model(), &QAbstractItemModel::modelReset, this, changed);
        connect(grid->model(), &QAbstractItemModel::rowsInserted, this, changed);
        connect(grid->model(), &QAbstractItemModel::headerDataChanged, this, changed);
    }
    for (const QLineEdit* edit : {P0Edit, ConcErrorEdit}) {
        connect(edit, &QLineEdit::textChanged, this, changed);
    }
    for (const QCheckBox* check : ModelChecks) {
        connect(check, &QCheckBox::toggled, this, changed);
    }
    for (const QCheckBox* check : {LinearTermCheck, WeightCheck}) {
        connect(check, &QCheckBox::toggled, this, changed);
    }
    for (const QSpinBox* spin : {ReplicatesSpin, SeedSpin}) {
        connect(spin, &QSpinBox::valueChanged, this, changed);
    }
}

void TAnalysisForm::InputsChanged() {
    mainForm_->Files->DocumentChanged();
    if (!stale_) {
        stale_ = true;
        UpdateUseInMain();
    }
}

TAnalysisSection TAnalysisForm::CaptureAnalysis() const {
    TAnalysisSection section;
    section.DataCells = SheetCells(*DataGrid);
    section.P0Text = P0Edit->text().toStdString();
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        if (ModelChecks[k]->isChecked()) {
            section.Models.push_back(analysis::ModelCatalogue()[k].Name);
        }
    }
    section.LinearTerm = LinearTermCheck->isChecked();
    section.WeightPerSignal = WeightCheck->isChecked();
    section.FixedParams = FixedCells(*FixedGrid);
    section.Replicates = ReplicatesSpin->value();
    section.ConcErrorText = ConcErrorEdit->text().toStdString();
    section.Seed = static_cast<std::uint64_t>(SeedSpin->value());
    section.Volumes = volumes_;
    if (result_) {
        section.Results = TSavedResults{resultData_, *result_, stale_};
    }
    return section;
}

void TAnalysisForm::RestoreAnalysis(const std::optional<TAnalysisSection>& saved) {
    if (Running()) {
        discardRun_ = true;
        run_->Stop();
    }
    const TAnalysisSection section = saved ? *saved : StartingSection();
    RestoreSheetCells(section.DataCells, DataGrid->Core(), AnalysisSheetRows);
    P0Edit->setText(ToQString(section.P0Text));
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        const std::string& name = analysis::ModelCatalogue()[k].Name;
        ModelChecks[k]->setChecked(std::find(section.Models.begin(), section.Models.end(), name) !=
                                   section.Models.end());
    }
    LinearTermCheck->setChecked(section.LinearTerm);
    WeightCheck->setChecked(section.WeightPerSignal);
    RestoreFixedCells(section.FixedParams, FixedGrid->Core(), kFixedRows);
    ReplicatesSpin->setValue(section.Replicates);
    ConcErrorEdit->setText(ToQString(section.ConcErrorText));
    SeedSpin->setValue(static_cast<int>(
        std::min<std::uint64_t>(section.Seed, static_cast<std::uint64_t>(SeedSpin->maximum()))));
    volumes_ = section.Volumes;
    ClearResults();
    StatusLabel->clear();
    SheetReplaced();
    // Saved results come back as they were shown, stale only if they were then.
    stale_ = section.Results && section.Results->Stale;
    if (section.Results) {
        result_ = section.Results->Result;
        resultData_ = section.Results->Data;
        ShowResult();
    }
}

void TAnalysisForm::SelectRejected() {
    if (const std::optional<TGridRect> cells = RejectedCells(*DataGrid, runData_)) {
        DataGrid->SetSelection(*cells);
        DataGrid->setFocus();
    } else if (runData_.Host.size() == 1 && !(runData_.Host.front() > 0.0)) {
        P0Edit->selectAll();
        P0Edit->setFocus();
    }
}

void TAnalysisForm::ShowResult() {
    const analysis::TAnalysisResult& result = *result_;
    StatusLabel->setText(ToQString(RunStatusText(result)));
    SetHeader(ComparisonTable, ComparisonHeader(result));
    FillTable(ComparisonTable, ComparisonRows(result));
    VerdictLabel->setText(ToQString(result.Verdict));
    const std::string warning = WarningText(result);
    WarningLabel->setText(ToQString(warning));
    WarningLabel->setVisible(!warning.empty());
    {
        const QSignalBlocker block(SignalCombo);
        SignalCombo->clear();
        for (const std::string& name : result.SignalNames) {
            SignalCombo->addItem(ToQString(name));
        }
    }
    const QSignalBlocker block(ModelCombo);
    ModelCombo->clear();
    for (const TModelResult& m : result.Models) {
        ModelCombo->addItem(ToQString(m.Model.Name));
    }
    // The verdict's model first, so that its table and curves are what the user sees.
    const auto preferred =
        std::find_if(result.Models.begin(), result.Models.end(),
                     [&](const TModelResult& m) { return m.Model.Name == result.Preferred; });
    ModelCombo->setCurrentIndex(
        preferred == result.Models.end() ? 0 : static_cast<int>(preferred - result.Models.begin()));
    ShowChosenModel();
}

const TModelResult* TAnalysisForm::ChosenModel() const {
    const int k = ModelCombo->currentIndex();
    if (!result_ || k < 0 || k >= static_cast<int>(result_->Models.size())) {
        return nullptr;
    }
    return &result_->Models[std::size_t(k)];
}

void TAnalysisForm::ShowChosenModel() {
    const TModelResult* model = ChosenModel();
    if (model == nullptr) {
        return;
    }
    FillTable(ParamTable, ParamTableRows(*model));
    Charts->Show(*model, resultData_, result_->SignalNames);
    UpdateUseInMain();
    ShowSignalQ();
}

void TAnalysisForm::ShowSignalQ() {
    const TModelResult* model = ChosenModel();
    const int s = SignalCombo->currentIndex();
    if (model == nullptr || s < 0 || model->Residuals.empty()) {
        SignalQLabel->clear();
        return;
    }
    SignalQLabel->setText(QStringLiteral("Q = ") + ToQString(ResultNumber(SignalQ(*model, s))));
}

void TAnalysisForm::SetMainTableBusy(bool busy) {
    mainTableBusy_ = busy;
    UpdateUseInMain();
}

// Results of earlier data stay readable but marked, and nothing carries them elsewhere.
void TAnalysisForm::UpdateUseInMain() {
    const TModelResult* model = ChosenModel();
    const bool current = result_.has_value() && !stale_;
    StaleLabel->setVisible(result_.has_value() && stale_);
    const int s = SignalCombo->currentIndex();
    UseInMainButton->setEnabled(current && !mainTableBusy_ && model != nullptr &&
                                !model->Params.empty() && s >= 0 &&
                                MainTableVector(*model, s).has_value());
    CopyResultsButton->setEnabled(current);
    CopyResidualsButton->setEnabled(current);
    ExportTablesButton->setEnabled(current);
    ReportButton->setEnabled(current);
}

void TAnalysisForm::UseInMainButtonClick() {
    const TModelResult* model = ChosenModel();
    const int s = SignalCombo->currentIndex();
    if (model == nullptr || model->Params.empty() || s < 0) {
        return;
    }
    if (const std::optional<TParamVector> v = MainTableVector(*model, s)) {
        mainForm_->SetDataAndParams(MainTableData(resultData_, s), MainTableP0(resultData_), *v);
    }
}

TRunRecord TAnalysisForm::ResultRecord() const {
    return WindowRunRecord(resultSettings_, resultData_, volumes_);
}

void TAnalysisForm::CopyResultsButtonClick() {
    if (result_) {
        TOriginGrid::Clipboard().SetText(
            ResultsCopyText(*result_, ProvenanceLines(*result_, resultData_, ResultRecord())));
    }
}

void TAnalysisForm::ExportChartButtonClick() {
    mainForm_->Files->ExportChart(Charts->CurrentFigure(), this);
}

void TAnalysisForm::CopyResidualsButtonClick() {
    if (const TModelResult* model = ChosenModel()) {
        TOriginGrid::Clipboard().SetText(
            ResidualsCopyText(*model, resultData_, result_->SignalNames,
                              ProvenanceLines(*result_, resultData_, ResultRecord())));
    }
}

void TAnalysisForm::ExportTablesButtonClick() {
    if (result_) {
        ExportTables(*mainForm_->Files, this, *result_, resultData_, ResultRecord());
    }
}

void TAnalysisForm::ReportButtonClick() {
    if (result_) {
        WriteWindowReport(*mainForm_->Files, this, *result_, resultData_, ResultRecord());
    }
}

}  // namespace kelmora
