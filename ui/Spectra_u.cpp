#include "ui/Spectra_u.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "analysisview/AnalysisSheet.h"
#include "analysisview/SheetImport.h"
#include "analysisview/SpectraView.h"
#include "files/DataFile.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/QtText.h"
#include "ui/AnalysisWidgets.h"
#include "ui/FileMenu.h"
#include "ui/ResultTables.h"
#include "ui/SpectraCharts.h"
#include "ui/main_u.h"
#include "util/NumberText.h"

namespace kelmora {

using analysis::TSpectraModelResult;

namespace {

constexpr int kPointRows = 61;

QString Number(double x) {
    return ToQString(FormatGeneral(x));
}

analysis::TObservable ChosenObservable(const QComboBox& combo) {
    return analysis::ObservableFromName(combo.currentText().toStdString())
        .value_or(analysis::TObservable::Absorbance);
}

// The window as it first opens.
TSpectraSection StartingSection() {
    const analysis::TSpectraSettings defaults;
    TSpectraSection section;
    section.P0Text = FormatGeneral(2e-6);
    section.Models = defaults.Models;
    section.PathLengthText = FormatGeneral(defaults.PathLength);
    section.Replicates = defaults.Replicates;
    section.Seed = defaults.Seed;
    return section;
}

}  // namespace

TSpectraForm::TSpectraForm(TMainForm* mainForm)
    : QWidget(mainForm, Qt::Window), mainForm_(mainForm) {
    setWindowTitle(QStringLiteral("Spectra"));
    run_ = new TSpectraRun(this);
    connect(run_, &TSpectraRun::Progressed, this, &TSpectraForm::ShowProgress);
    connect(run_, &TSpectraRun::Finished, this, &TSpectraForm::RunFinished);

    QWidget* data = CreateDataPanel();
    QWidget* settings = CreateSettingsPanel();
    LayOutAnalysisWindow(this, data, settings, CreateResultsPanel(), mainForm_->Files->FileMenu);

    setMinimumSize(900, 600);
    resize(1280, 860);
    RestoreSpectra(std::nullopt);
    SetRunning(false);
    WatchForChanges();
}

TSpectraForm::~TSpectraForm() = default;

QWidget* TSpectraForm::CreateDataPanel() {
    auto* box = new QGroupBox(QStringLiteral("Data"), this);
    ImportSpectraButton = PlainButton(QStringLiteral("Import spectra…"), box);
    connect(ImportSpectraButton, &QPushButton::clicked, this,
            &TSpectraForm::ImportSpectraButtonClick);
    InRowsCheck = new QCheckBox(QStringLiteral("Spectra in rows"), box);
    InRowsCheck->setToolTip(
        QStringLiteral("The first line holds the wavelengths and each further line one spectrum"));
    SpectraLabel = new QLabel(QStringLiteral("No spectra"), box);
    SpectraLabel->setWordWrap(true);

    PointsGrid = EditableGrid(box, 2, kPointRows, 90);
    PointsGrid->setToolTip(QStringLiteral(
        "One row per spectrum, in the spectra's order: C and, when it changes, the host"));
    PointsFileButton = PlainButton(QStringLiteral("Points file…"), box);
    connect(PointsFileButton, &QPushButton::clicked, this, &TSpectraForm::PointsFileButtonClick);
    P0Edit = new QLineEdit(box);

    FromEdit = new QLineEdit(box);
    ToEdit = new QLineEdit(box);
    StepSpin = new QSpinBox(box);
    StepSpin->setRange(1, 1000);
    StepSpin->setPrefix(QStringLiteral("every "));
    ChosenLabel = new QLabel(box);
    for (QLineEdit* edit : {FromEdit, ToEdit}) {
        connect(edit, &QLineEdit::editingFinished, this, &TSpectraForm::WavelengthsChanged);
    }
    connect(StepSpin, &QSpinBox::valueChanged, this, &TSpectraForm::WavelengthsChanged);

    auto* fileRow = new QHBoxLayout();
    fileRow->addWidget(ImportSpectraButton);
    fileRow->addWidget(InRowsCheck);
    fileRow->addStretch(1);
    auto* pointsRow = new QHBoxLayout();
    pointsRow->addWidget(new QLabel(QStringLiteral("P0, M (when the P0 column is empty)"), box));
    pointsRow->addWidget(P0Edit, 1);
    pointsRow->addWidget(PointsFileButton);
    auto* rangeRow = new QHBoxLayout();
    rangeRow->addWidget(new QLabel(QStringLiteral("λ from"), box));
    rangeRow->addWidget(FromEdit);
    rangeRow->addWidget(new QLabel(QStringLiteral("to"), box));
    rangeRow->addWidget(ToEdit);
    rangeRow->addWidget(new QLabel(QStringLiteral("nm,"), box));
    rangeRow->addWidget(StepSpin);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(fileRow);
    layout->addWidget(SpectraLabel);
    layout->addWidget(PointsGrid, 1);
    layout->addLayout(pointsRow);
    layout->addLayout(rangeRow);
    layout->addWidget(ChosenLabel);
    return box;
}

QWidget* TSpectraForm::CreateSettingsPanel() {
    auto* box = new QGroupBox(QStringLiteral("Settings"), this);
    ObservableCombo = new QComboBox(box);
    for (const auto o : {analysis::TObservable::Absorbance, analysis::TObservable::Fluorescence}) {
        ObservableCombo->addItem(ToQString(std::string(analysis::ObservableName(o))));
    }
    auto* models = new QGridLayout();
    for (const analysis::TModelDef& model : analysis::ModelCatalogue()) {
        const auto k = static_cast<int>(ModelChecks.size());
        auto* check = new QCheckBox(ToQString(model.Title), box);
        check->setToolTip(ToQString(model.Equations));
        ModelChecks.push_back(check);
        models->addWidget(check, k / 3, k % 3);
    }
    models->setColumnStretch(3, 1);
    PathLengthEdit = new QLineEdit(box);
    LigandAbsorbsCheck = new QCheckBox(QStringLiteral("Free ligand absorbs (its own ε)"), box);
    LigandAbsorbsCheck->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ReplicatesSpin = new QSpinBox(box);
    ReplicatesSpin->setRange(0, 1000000);
    SeedSpin = new QSpinBox(box);
    SeedSpin->setRange(0, 2147483647);

    RunButton = PlainButton(QStringLiteral("Run"), box);
    StopButton = PlainButton(QStringLiteral("Stop"), box);
    ProgressBar = new QProgressBar(box);
    StatusLabel = new QLabel(box);
    StatusLabel->setWordWrap(true);
    connect(RunButton, &QPushButton::clicked, this, &TSpectraForm::RunButtonClick);
    connect(StopButton, &QPushButton::clicked, this, &TSpectraForm::StopButtonClick);

    auto* form = new QFormLayout();
    form->addRow(QStringLiteral("Observable"), ObservableCombo);
    form->addRow(QStringLiteral("Models"), models);
    form->addRow(QStringLiteral("Path length, cm"), PathLengthEdit);
    form->addRow(QString(), LigandAbsorbsCheck);
    form->addRow(QStringLiteral("Monte Carlo replicates"), ReplicatesSpin);
    form->addRow(QStringLiteral("Seed"), SeedSpin);
    auto* runRow = new QHBoxLayout();
    runRow->addWidget(RunButton);
    runRow->addWidget(StopButton);
    runRow->addWidget(ProgressBar, 1);
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(form);
    layout->addLayout(runRow);
    layout->addWidget(StatusLabel);
    return box;
}

QWidget* TSpectraForm::CreateResultsPanel() {
    auto* panel = new QWidget(this);
    ModelCombo = new QComboBox(panel);
    connect(ModelCombo, &QComboBox::currentIndexChanged, this, &TSpectraForm::ShowChosenModel);
    FactorLabel = new QLabel(panel);
    ParamTable = ResultTable(panel, ParamTableHeader());
    ComparisonTable = ResultTable(panel, {});
    VerdictLabel = new QLabel(panel);
    VerdictLabel->setWordWrap(true);
    QFont bold = VerdictLabel->font();
    bold.setBold(true);
    VerdictLabel->setFont(bold);
    WarningLabel = new QLabel(panel);
    WarningLabel->setWordWrap(true);
    WarningLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    ExportChartButton = PlainButton(QStringLiteral("Export chart..."), panel);
    connect(ExportChartButton, &QPushButton::clicked, this, &TSpectraForm::ExportChartButtonClick);
    Charts = new TSpectraCharts(panel);

    auto* modelRow = new QHBoxLayout();
    modelRow->addWidget(new QLabel(QStringLiteral("Model"), panel));
    modelRow->addWidget(ModelCombo);
    StaleLabel = new QLabel(QStringLiteral("from earlier data — Run again"), panel);
    StaleLabel->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    StaleLabel->hide();
    modelRow->addWidget(StaleLabel);
    modelRow->addWidget(FactorLabel, 1);
    modelRow->addWidget(ExportChartButton);
    auto* tables = new QWidget(panel);
    auto* tableLayout = new QVBoxLayout(tables);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addLayout(modelRow);
    tableLayout->addWidget(ParamTable, 1);
    tableLayout->addWidget(ComparisonTable, 1);
    tableLayout->addWidget(VerdictLabel);
    tableLayout->addWidget(WarningLabel);
    auto* split = new QSplitter(Qt::Vertical, panel);
    split->addWidget(tables);
    split->addWidget(Charts);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    split->setSizes({260, 560});
    split->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    return panel;
}

void TSpectraForm::Open() {
    if (!geometry_.isEmpty()) {
        restoreGeometry(geometry_);
    }
    show();
    raise();
    activateWindow();
}

void TSpectraForm::closeEvent(QCloseEvent* event) {
    run_->Stop();  // a run must not go on with nobody to see it
    geometry_ = saveGeometry();
    QWidget::closeEvent(event);
}

void TSpectraForm::ImportSpectraButtonClick() {
    QString name;
    if (const std::optional<std::string> text =
            mainForm_->Files->AskTextFile(this, QStringLiteral("Import spectra"), &name)) {
        ImportSpectra(*text, name);
    }
}

void TSpectraForm::ImportSpectra(const std::string& text, const QString& fileName) {
    TSpectraFile file = ReadSpectraText(text, fileName.toStdString(), InRowsCheck->isChecked());
    spectra_ = std::move(file);
    spectraName_ = fileName;
    const std::vector<double>& w = spectra_->Wavelengths;
    const auto [lo, hi] = std::minmax_element(w.begin(), w.end());
    FromEdit->setText(Number(*lo));
    ToEdit->setText(Number(*hi));
    ShowSpectraName();
    ClearResults();
    WavelengthsChanged();
    mainForm_->Files->DocumentChanged();
}

void TSpectraForm::ShowSpectraName() {
    if (!spectra_) {
        SpectraLabel->setText(QStringLiteral("No spectra"));
        return;
    }
    const std::vector<double>& w = spectra_->Wavelengths;
    const auto [lo, hi] = std::minmax_element(w.begin(), w.end());
    SpectraLabel->setText(spectraName_ + QStringLiteral(": ") +
                          QString::number(spectra_->Values.size()) + QStringLiteral(" spectra, ") +
                          QString::number(w.size()) + QStringLiteral(" wavelengths, ") +
                          Number(*lo) + QStringLiteral("–") + Number(*hi) + QStringLiteral(" nm"));
}

void TSpectraForm::PointsFileButtonClick() {
    QString name;
    if (const std::optional<TDataFile> file =
            mainForm_->Files->AskDataFile(this, QStringLiteral("Points file"), &name)) {
        RestoreSheetCells(ImportedPointsCells(*file, name.toStdString()), PointsGrid->Core(),
                          kPointRows);
    }
}

// The chosen wavelengths as they stand, and the measured spectra at them.
void TSpectraForm::WavelengthsChanged() {
    if (!spectra_) {
        ChosenLabel->clear();
        return;
    }
    const std::optional<double> from = TryParseFloat(FromEdit->text().toStdString());
    const std::optional<double> to = TryParseFloat(ToEdit->text().toStdString());
    if (!from || !to) {
        ChosenLabel->setText(QStringLiteral("The range needs two wavelengths"));
        return;
    }
    const std::vector<std::size_t> chosen =
        ChosenWavelengths(spectra_->Wavelengths, *from, *to, StepSpin->value());
    ChosenLabel->setText(QString::number(chosen.size()) + QStringLiteral(" of ") +
                         QString::number(spectra_->Wavelengths.size()) +
                         QStringLiteral(" wavelengths chosen"));
    if (!result_ && !chosen.empty()) {
        analysis::TTitration none;
        none.Conc.resize(spectra_->Values.size());
        const analysis::TSpectraTitration shown = ChosenSpectra(*spectra_, chosen, none);
        Charts->ShowData(shown, ChosenObservable(*ObservableCombo));
    }
}

analysis::TSpectraTitration TSpectraForm::ChosenTitration() const {
    if (!spectra_) {
        throw EKelmoraError("Import the spectra first.");
    }
    analysis::TTitration points;
    try {
        points = ReadSheet(*PointsGrid, P0Edit->text().toStdString());
    } catch (const ESheetCellError& e) {
        PointsGrid->SetSelection({e.Col, e.Row, e.Col, e.Row});
        PointsGrid->setFocus();
        throw;
    }
    const std::vector<std::size_t> chosen =
        ChosenWavelengths(spectra_->Wavelengths, ParseFloat(FromEdit->text().toStdString()),
                          ParseFloat(ToEdit->text().toStdString()), StepSpin->value());
    return ChosenSpectra(*spectra_, chosen, points);
}

analysis::TSpectraSettings TSpectraForm::ReadSettings() const {
    analysis::TSpectraSettings settings;
    settings.Observable = ChosenObservable(*ObservableCombo);
    settings.Models.clear();
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        if (ModelChecks[k]->isChecked()) {
            settings.Models.push_back(analysis::ModelCatalogue()[k].Name);
        }
    }
    settings.PathLength = ParseFloat(PathLengthEdit->text().toStdString());
    settings.LigandAbsorbs = LigandAbsorbsCheck->isChecked();
    settings.Replicates = ReplicatesSpin->value();
    settings.Seed = static_cast<std::uint64_t>(SeedSpin->value());
    return settings;
}

void TSpectraForm::RunButtonClick() {
    if (Running()) {
        return;
    }
    analysis::TSpectraTitration data = ChosenTitration();
    const analysis::TSpectraSettings settings = ReadSettings();
    runData_ = data;
    discardRun_ = false;
    stale_ = false;  // what changes from now on makes the coming results stale
    ProgressBar->setRange(0, 0);
    StatusLabel->setText(QStringLiteral("Fitting…"));
    SetRunning(true);
    run_->Start(std::move(data), settings);
}

void TSpectraForm::StopButtonClick() {
    run_->Stop();
}

void TSpectraForm::SetRunning(bool running) {
    RunButton->setEnabled(!running);
    StopButton->setEnabled(running);
}

void TSpectraForm::ShowProgress() {
    const TSpectraProgress p = run_->LastProgress();
    ProgressBar->setRange(0, std::max(p.Total, 1));
    ProgressBar->setValue(std::min(p.Done, std::max(p.Total, 1)));
    StatusLabel->setText(QStringLiteral("Monte Carlo ") + ToQString(p.Model) +
                         QStringLiteral(": ") + QString::number(p.Done) + QStringLiteral(" of ") +
                         QString::number(p.Total) + QStringLiteral(" replicates"));
}

void TSpectraForm::RunFinished() {
    SetRunning(false);
    struct TAnnounce {
        TSpectraForm* form;
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
    }
    result_ = run_->TakeResult();  // an error of the analysis is reported from here
    resultData_ = runData_;
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(1);
    StatusLabel->setText(result_->Stopped ? QStringLiteral("Stopped") : QStringLiteral("Done"));
    ShowResult();
}

void TSpectraForm::ClearResults() {
    result_.reset();
    ModelCombo->clear();
    ParamTable->setRowCount(0);
    ComparisonTable->setRowCount(0);
    FactorLabel->clear();
    VerdictLabel->clear();
    WarningLabel->clear();
    Charts->Clear();
    ShowStale();
}

void TSpectraForm::ShowResult() {
    const analysis::TSpectraResult& result = *result_;
    FactorLabel->setText(ToQString(FactorText(result.Factors)));
    SetHeader(ComparisonTable, SpectraComparisonHeader(result));
    FillTable(ComparisonTable, SpectraComparisonRows(result));
    VerdictLabel->setText(ToQString(result.Verdict));
    const std::string warning = SpectraWarningText(result);
    WarningLabel->setText(ToQString(warning));
    WarningLabel->setVisible(!warning.empty());
    const QSignalBlocker block(ModelCombo);
    ModelCombo->clear();
    for (const TSpectraModelResult& m : result.Models) {
        ModelCombo->addItem(ToQString(m.Model));
    }
    // The verdict's model first, so that its table and charts are what the user sees.
    ModelCombo->setCurrentIndex(std::max(0, ModelCombo->findText(ToQString(result.Preferred))));
    ShowChosenModel();
    ShowStale();
}

// Results of earlier data stay readable, but marked.
void TSpectraForm::ShowStale() {
    StaleLabel->setVisible(result_.has_value() && stale_);
}

void TSpectraForm::InputsChanged() {
    mainForm_->Files->DocumentChanged();
    stale_ = true;
    ShowStale();
}

const TSpectraModelResult* TSpectraForm::ChosenModel() const {
    const int k = ModelCombo->currentIndex();
    if (!result_ || k < 0 || k >= static_cast<int>(result_->Models.size())) {
        return nullptr;
    }
    return &result_->Models[std::size_t(k)];
}

void TSpectraForm::ShowChosenModel() {
    if (const TSpectraModelResult* model = ChosenModel()) {
        FillTable(ParamTable, SpectraParamRows(*model));
        Charts->Show(*result_, resultData_, *model);
    }
}

void TSpectraForm::ExportChartButtonClick() {
    if (const std::optional<TFigure> figure = Charts->CurrentFigure()) {
        mainForm_->Files->ExportChart(*figure, this);
    } else {
        mainForm_->Files->ExportImage(Charts->ResidualImage(), this);
    }
}

void TSpectraForm::WatchForChanges() {
    const auto changed = [this] { InputsChanged(); };
    connect(PointsGrid->model(), &QAbstractItemModel::dataChanged, this, changed);
    connect(PointsGrid->model(), &QAbstractItemModel::modelReset, this, changed);
    for (const QLineEdit* edit : {P0Edit, FromEdit, ToEdit, PathLengthEdit}) {
        connect(edit, &QLineEdit::textChanged, this, changed);
    }
    for (const QCheckBox* check : ModelChecks) {
        connect(check, &QCheckBox::toggled, this, changed);
    }
    for (const QCheckBox* check : {InRowsCheck, LigandAbsorbsCheck}) {
        connect(check, &QCheckBox::toggled, this, changed);
    }
    for (const QSpinBox* spin : {StepSpin, ReplicatesSpin, SeedSpin}) {
        connect(spin, &QSpinBox::valueChanged, this, changed);
    }
    connect(ObservableCombo, &QComboBox::currentIndexChanged, this, changed);
}

std::optional<TSpectraSection> TSpectraForm::CaptureSpectra() const {
    if (!spectra_ && MeasureSheet(*PointsGrid).Points == 0) {
        return std::nullopt;
    }
    TSpectraSection section;
    section.SpectraName = spectraName_.toStdString();
    if (spectra_) {
        section.Spectra = *spectra_;
    }
    section.InRows = InRowsCheck->isChecked();
    section.PointCells = SheetCells(*PointsGrid);
    for (std::vector<std::string>& row : section.PointCells) {
        row.resize(2);  // the sheet's cells are as wide as the Analysis window's
    }
    section.P0Text = P0Edit->text().toStdString();
    section.FromText = FromEdit->text().toStdString();
    section.ToText = ToEdit->text().toStdString();
    section.Step = StepSpin->value();
    section.Observable = ObservableCombo->currentText().toStdString();
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        if (ModelChecks[k]->isChecked()) {
            section.Models.push_back(analysis::ModelCatalogue()[k].Name);
        }
    }
    section.PathLengthText = PathLengthEdit->text().toStdString();
    section.LigandAbsorbs = LigandAbsorbsCheck->isChecked();
    section.Replicates = ReplicatesSpin->value();
    section.Seed = static_cast<std::uint64_t>(SeedSpin->value());
    if (result_) {
        section.Results = TSavedSpectraResults{resultData_, *result_, stale_};
    }
    return section;
}

void TSpectraForm::RestoreSpectra(const std::optional<TSpectraSection>& saved) {
    if (Running()) {
        discardRun_ = true;
        run_->Stop();
    }
    const TSpectraSection section = saved ? *saved : StartingSection();
    if (section.Spectra.Values.empty()) {
        spectra_.reset();
    } else {
        spectra_ = section.Spectra;
    }
    spectraName_ = ToQString(section.SpectraName);
    InRowsCheck->setChecked(section.InRows);
    RestoreSheetCells(section.PointCells, PointsGrid->Core(), kPointRows);
    P0Edit->setText(ToQString(section.P0Text));
    FromEdit->setText(ToQString(section.FromText));
    ToEdit->setText(ToQString(section.ToText));
    {
        const QSignalBlocker block(StepSpin);
        StepSpin->setValue(section.Step);
    }
    ObservableCombo->setCurrentIndex(
        std::max(0, ObservableCombo->findText(ToQString(section.Observable))));
    for (std::size_t k = 0; k < ModelChecks.size(); ++k) {
        const std::string& name = analysis::ModelCatalogue()[k].Name;
        ModelChecks[k]->setChecked(std::find(section.Models.begin(), section.Models.end(), name) !=
                                   section.Models.end());
    }
    PathLengthEdit->setText(ToQString(section.PathLengthText));
    LigandAbsorbsCheck->setChecked(section.LigandAbsorbs);
    ReplicatesSpin->setValue(section.Replicates);
    SeedSpin->setValue(static_cast<int>(
        std::min<std::uint64_t>(section.Seed, static_cast<std::uint64_t>(SeedSpin->maximum()))));
    ClearResults();
    StatusLabel->clear();
    ShowSpectraName();
    if (section.Results) {
        result_ = section.Results->Result;
        resultData_ = section.Results->Data;
        ShowResult();
    }
    WavelengthsChanged();
    // Saved results come back as they were shown, stale only if they were then.
    stale_ = section.Results && section.Results->Stale;
    ShowStale();
}

}  // namespace kelmora
