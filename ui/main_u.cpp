#include "ui/main_u.h"

#include <QApplication>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "engine/DataEntry.h"
#include "engine/Optimizer.h"
#include "engine/Scan.h"
#include "files/KelmoraDocument.h"
#include "grid/OriginGrid_u.h"
#include "minima/RemParams_u.h"
#include "qtutil/ChartAxis.h"
#include "qtutil/FormLayout.h"
#include "qtutil/QtText.h"
#include "ui/Analysis_u.h"
#include "ui/ChartExport.h"
#include "ui/FileMenu.h"
#include "ui/OutGrid_u.h"
#include "ui/Spectra_u.h"
#include "ui/WorkUndo.h"
#include "ui/getdata_u.h"
#include "util/NumberText.h"
#include "util/TickCount.h"

namespace kelmora {

namespace {

// The designed client area; the chart takes whatever the window grows beyond it.
constexpr int kClientWidth = 964;
constexpr int kClientHeight = 636;
constexpr int kChartLeft = 8;
constexpr int kChartTop = 256;
constexpr int kChartRightMargin = kClientWidth - (8 + 945);
constexpr int kChartBottomMargin = kClientHeight - (256 + 377);
// Pixels a cell needs around its text.
constexpr int kCellPadding = 6;

QString PhaseCaption(TFitPhase phase) {
    switch (phase) {
        case TFitPhase::Optimizing:
            return QStringLiteral("Optimizing...");
        case TFitPhase::Scanning:
            return QStringLiteral("Scanning...");
        case TFitPhase::Refining:
            return QStringLiteral("Идет дооптимизация");
        case TFitPhase::ScanningOn:
            return QStringLiteral("Идет сканирование");
    }
    return {};
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    MenuBar = new QMenuBar(this);
    Files = new TFileMenu(*this, MenuBar);
    auto* editMenu = new QMenu(QStringLiteral("&Edit"), MenuBar);
    MenuBar->insertMenu(Files->HelpMenu->menuAction(), editMenu);
    History = new TWorkHistory(*this, editMenu);
    SetCommandCaption(QStringLiteral("Kelmora"));
    setAcceptDrops(true);
    // Every control sits on the client area at its designed place, and the client area never
    // gets smaller than designed. Whatever is put above it (a menu bar, through
    // layout()->setMenuBar) adds to the window's minimum size by itself.
    ClientArea = new QWidget(this);
    ClientArea->setMinimumSize(kClientWidth, kClientHeight);
    ClientArea->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ClientArea);
    layout->setMenuBar(MenuBar);
    resize(kClientWidth, kClientHeight + MenuBar->sizeHint().height());
    CreateControls();
    CreateChart();
    FormCreate();
    // Made now, though shown only on demand, so that a file's analysis part is kept from the start.
    analysisForm_ = new TAnalysisForm(this);
    Files->SetAnalysisDocument(analysisForm_);
    spectraForm_ = new TSpectraForm(this);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateControls() {
    ParamsGrid = new TOriginGrid(ClientArea);
    ParamsGrid->setGeometry(8, 8, 609, 185);
    ParamsGrid->SetColCount(ParamsGridCols);
    ParamsGrid->SetRowCount(ParamsGridRows);
    ParamsGrid->SetFixedCols(1);
    ParamsGrid->SetFixedRows(1);
    // Designed widths, widened where this font needs more for a header, a row label or a
    // 15-digit Value; the Value column also takes whatever room the grid has left.
    const int designed[ParamsGridCols] = {86, 124, 64, 64, 66, 56, 56, 80};
    int used = 0;
    for (int c = 0; c < ParamsGridCols; ++c) {
        QStringList texts{QString::fromUtf8(ParamColumnHeaders[c])};
        if (c == 0) {
            for (const char* label : ParamRowLabels) {
                texts.append(QString::fromUtf8(label));
            }
        } else if (c == 1) {
            texts.append(WidestNumberText());
        }
        ParamsGrid->SetColWidth(c, ColumnWidthFor(ParamsGrid, designed[c], texts, kCellPadding));
        used += ParamsGrid->ColWidth(c);
    }
    const int room = ParamsGrid->width() - 2 * ParamsGrid->frameWidth() - used;
    ParamsGrid->SetColWidth(1, ParamsGrid->ColWidth(1) + std::max(0, room));
    ParamsGrid->SetEditing(true);

    Button1 = MakeButton(ClientArea, QStringLiteral("Compute this point"), 624, 21, 121, 25);
    Button8 = MakeButton(ClientArea, QStringLiteral("Scan"), 624, 96, 121, 25);
    Button3 = MakeButton(ClientArea, QStringLiteral("Stop"), 760, 120, 75, 25);
    Button2 = MakeButton(ClientArea, QStringLiteral("Optimize"), 624, 128, 121, 25);
    Label1 = new QLabel(QStringLiteral("Max. iterations in optimization"), ClientArea);
    Label1->move(624, 160);
    Label1->adjustSize();
    IterCountEdit = new QLineEdit(QString::fromLatin1(DefaultIterCountText), ClientArea);
    IterCountEdit->setGeometry(624, 176, 121, 21);
    FinishMinimaCheck =
        new QCheckBox(QStringLiteral("Complete optimization of minima during scan"), ClientArea);
    FinishMinimaCheck->setGeometry(624, 200, 225, 17);
    FinishMinimaCheck->adjustSize();
    Button5 = MakeButton(ClientArea, QStringLiteral("Enter sorce data"), 824, 8, 139, 25);
    SepLabEditLabel = new QLabel(QStringLiteral("Decimal separator"), ClientArea);
    SepLabEditLabel->move(832, 64);
    SepLabEditLabel->adjustSize();
    SepLabEdit = new QLineEdit(QStringLiteral("."), ClientArea);
    SepLabEdit->setGeometry(832, 80, 65, 21);
    SepLabEditLabel->setBuddy(SepLabEdit);
    UpdateDecSepButton = MakeButton(ClientArea, QStringLiteral("Update"), 904, 78, 57, 25);
    Mode1Button =
        MakeButton(ClientArea, QStringLiteral("Exp., theor. chemical shifts"), 8, 224, 200, 22);
    Mode2Button = MakeButton(ClientArea, QStringLiteral("Fractional conversions by reactions"), 216,
                             224, 200, 22);
    ShrinkFontToFit(Mode1Button);
    ShrinkFontToFit(Mode2Button);
    Mode1Button->setCheckable(true);
    Mode2Button->setCheckable(true);
    Mode1Button->setChecked(true);
    modeGroup_ = new QButtonGroup(this);
    modeGroup_->setExclusive(true);
    modeGroup_->addButton(Mode1Button, 0);  // the id is the tag: the display mode
    modeGroup_->addButton(Mode2Button, 1);
    Button4 = MakeButton(ClientArea, QStringLiteral("Copy into table"), 848, 224, 105, 25);
    // Free space below "Update", in line with "Copy into table".
    AnalysisButton = MakeButton(ClientArea, QStringLiteral("Analysis..."), 848, 120, 105, 25);
    SpectraButton = MakeButton(ClientArea, QStringLiteral("Spectra..."), 848, 152, 105, 25);

    connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
    connect(Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
    connect(UpdateDecSepButton, &QPushButton::clicked, this, &TMainForm::UpdateDecSepButtonClick);
    connect(AnalysisButton, &QPushButton::clicked, this, &TMainForm::AnalysisButtonClick);
    connect(SpectraButton, &QPushButton::clicked, this, &TMainForm::SpectraButtonClick);
    connect(modeGroup_, &QButtonGroup::idClicked, this, &TMainForm::Mode1ButtonClick);
}

void TMainForm::CreateChart() {
    chart1Chart_ = new QChart();
    const QColor colours[3] = {Qt::red, Qt::green, Qt::yellow};
    axisX_ = new QValueAxis(chart1Chart_);
    axisY_ = new QValueAxis(chart1Chart_);
    axisX_->setLabelFormat(QStringLiteral("%g"));
    axisX_->setTitleText(QString::fromUtf8(kConcAxisTitle));
    axisY_->setTitleText(QString::fromUtf8(kShiftAxisTitle));
    axisY_->setLabelFormat(QStringLiteral("%g"));
    chart1Chart_->addAxis(axisX_, Qt::AlignBottom);
    chart1Chart_->addAxis(axisY_, Qt::AlignLeft);
    for (int k = 0; k < 3; ++k) {
        series_[k] = new QLineSeries(chart1Chart_);
        series_[k]->setName(QString::fromUtf8(kShiftSeriesTitles[k]));
        QPen pen(colours[k]);
        pen.setWidth(2);
        series_[k]->setPen(pen);
        chart1Chart_->addSeries(series_[k]);
        series_[k]->attachAxis(axisX_);
        series_[k]->attachAxis(axisY_);
    }
    chart1Chart_->legend()->setVisible(true);
    chart1Chart_->legend()->setAlignment(Qt::AlignRight);
    Chart1 = new QChartView(chart1Chart_, ClientArea);
    Chart1->setRenderHint(QPainter::Antialiasing);
    Chart1->setGeometry(kChartLeft, kChartTop, 945, 377);
}

void TMainForm::FormCreate() {
    FillDefaultParamsTable(*ParamsGrid);
    // The equilibrium object was created with the fitting state, with its two reactions.
}

void TMainForm::SetForms(TGetDataForm* getData, TOutGridForm* outGrid,
                         TRememberParamsForm* minima) {
    getDataForm_ = getData;
    outGridForm_ = outGrid;
    minimaForm_ = minima;
    if (minimaForm_ != nullptr) {
        minimaForm_->SetParamVectorHandler([this](const TParamVector& v) { SetParamVector(v); });
    }
    WatchForChanges();
}

void TMainForm::WatchForChanges() {
    const auto changed = [this] { Files->DocumentChanged(); };
    const auto watchModel = [&](QAbstractItemModel* model) {
        connect(model, &QAbstractItemModel::dataChanged, Files, changed);
        connect(model, &QAbstractItemModel::modelReset, Files, changed);
        connect(model, &QAbstractItemModel::layoutChanged, Files, changed);
        connect(model, &QAbstractItemModel::rowsInserted, Files, changed);
        connect(model, &QAbstractItemModel::rowsRemoved, Files, changed);
    };
    watchModel(ParamsGrid->model());
    connect(IterCountEdit, &QLineEdit::textChanged, Files, changed);
    connect(FinishMinimaCheck, &QCheckBox::toggled, Files, changed);
    connect(modeGroup_, &QButtonGroup::idClicked, Files, changed);
    // A separator change that finds nothing to convert still changes the work.
    connect(UpdateDecSepButton, &QPushButton::clicked, Files, changed);
    if (getDataForm_ != nullptr) {
        watchModel(getDataForm_->OriginGrid1->model());
        connect(getDataForm_->Edit1, &QLineEdit::textChanged, Files, changed);
    }
    if (minimaForm_ != nullptr) {
        watchModel(minimaForm_->ListBox1->model());
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Files->MarkClean();  // what the user first sees is nothing to save
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (runDepth_ == 0 && TFileMenu::CanDrop(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    Files->Drop(event->mimeData());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientArea && event->type() == QEvent::Resize) {
        // The chart takes whatever the client area grows beyond its designed size.
        Chart1->setGeometry(kChartLeft, kChartTop,
                            std::max(0, ClientArea->width() - kChartLeft - kChartRightMargin),
                            std::max(0, ClientArea->height() - kChartTop - kChartBottomMargin));
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!Files->MayReplaceWork()) {
        event->ignore();
        return;
    }
    if (runDepth_ > 0) {
        // A run must not go on invisibly: stop it at its next refresh and end the program
        // as soon as the command has returned.
        closing_ = true;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->hide();
        }
        event->ignore();
        return;
    }
    QApplication::closeAllWindows();
    event->accept();
}

template <class TCommand>
void TMainForm::RunLongCommand(TFitPhase phase, const QString& doneCaption, TCommand command) {
    struct TDepth {
        TMainForm* form;
        explicit TDepth(TMainForm* f) : form(f) { ++form->runDepth_; }
        ~TDepth() {
            if (--form->runDepth_ == 0 && form->closing_) {
                QApplication::quit();
            }
        }
    } depth(this);
    stopClicked_ = false;
    // A failed command has nothing to say in the caption: it shows what it showed before.
    const TOnUnwind restoreOnError([this, before = commandCaption_] {
        SetCommandButtonsEnabled(true);
        Files->SetRunning(false);
        History->SetRunning(false);
        SetCommandCaption(before);
    });
    SetCommandCaption(PhaseCaption(phase));
    Files->SetRunning(true);
    History->SetRunning(true);
    command(*ParamsGrid, CommandSettings());
    SetCommandButtonsEnabled(true);
    Files->SetRunning(false);
    History->SetRunning(false);
    SetCommandCaption(doneCaption);
    QApplication::beep();
}

// ---- Commands ----

void TMainForm::Button1Click() {
    state_.ReadParamsTable(*ParamsGrid, CommandSettings());
    state_.ComputeQ();
    RedrawChart();
}

void TMainForm::Button2Click() {
    History->Record(QStringLiteral("Optimize"), [this] {
        RunLongCommand(TFitPhase::Optimizing, QStringLiteral("Optimization complete"),
                       [this](const ITextTable& table, const TFitSettings& settings) {
                           OptimizeCommand(state_, table, settings, *this);
                       });
    });
}

void TMainForm::Button3Click() {
    stopClicked_ = true;
}

void TMainForm::Button8Click() {
    History->Record(QStringLiteral("Scan"), [this] {
        RunLongCommand(TFitPhase::Scanning, QStringLiteral("Scanning complete"),
                       [this](const ITextTable& table, const TFitSettings& settings) {
                           ScanCommand(state_, table, settings, *this);
                       });
    });
}

TFitSettings TMainForm::CommandSettings() const {
    return {IterCountEdit->text().toStdString(), FinishMinimaCheck->isChecked()};
}

void TMainForm::Button5Click() {
    History->Record(QStringLiteral("Data entry"), [this] { EnterData(); });
}

void TMainForm::EnterData() {
    if (getDataForm_ == nullptr || !getDataForm_->Execute()) {
        return;
    }
    try {
        state_.LoadDataSet(*getDataForm_->OriginGrid1, getDataForm_->Edit1->text().toStdString());
    } catch (const EDataEntryError& e) {
        // The message goes on to the application's handler; the dialog keeps the place, so
        // that the next showing opens on it.
        getDataForm_->MarkFaultyPlace(e.Col(), e.Row());
        throw;
    }
}

void TMainForm::Button4Click() {
    TOriginGrid* grid = outGridForm_->OriginGrid1;
    const TLineSeries& first = chart_.Series[0];
    grid->ClearGrid();
    grid->SetColCount(static_cast<int>(chart_.Series.size()) + 1);
    grid->SetRowCount(first.Count() + 1);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);  // with no points this cannot be, and the command ends here
    grid->SetCell(0, 0, "Ligand concentr.");
    for (std::size_t k = 0; k < chart_.Series.size(); ++k) {
        grid->SetCell(static_cast<int>(k) + 1, 0, chart_.Series[k].Title);
    }
    for (int i = 0; i < first.Count(); ++i) {
        grid->SetCell(0, i + 1, FormatGeneral(first.X(i)));
        for (std::size_t k = 0; k < chart_.Series.size(); ++k) {
            grid->SetCell(static_cast<int>(k) + 1, i + 1, FormatGeneral(chart_.Series[k].Y(i)));
        }
    }
    outGridForm_->exec();
}

void TMainForm::Mode1ButtonClick(int tag) {
    Mode = tag;
    RedrawChart();
}

void TMainForm::SetParamVector(const TParamVector& v) {
    History->Record(QStringLiteral("Parameters"), [&] {
        state_.SetParamValues(v);
        state_.ComputeQ();
        state_.WriteParamsTable(*ParamsGrid);
        RedrawChart();
    });
}

void TMainForm::SetDataAndParams(const std::vector<std::array<std::string, 2>>& cells,
                                 const std::string& p0Text, const TParamVector& v) {
    History->Record(QStringLiteral("Use in main table"), [&] {
        RestoreDataCells(cells, getDataForm_->OriginGrid1->Core());
        getDataForm_->Edit1->setText(ToQString(p0Text));
        state_.LoadDataSet(*getDataForm_->OriginGrid1, p0Text);
        SetParamVector(v);
    });
}

void TMainForm::UpdateDecSepButtonClick() {
    SetDecimalSeparator(SepLabEdit->text().toStdString());
}

// Only the first character is taken; an empty text changes nothing.
void TMainForm::SetDecimalSeparator(const std::string& ch) {
    std::string p0 = getDataForm_ != nullptr ? getDataForm_->Edit1->text().toStdString() : "";
    ApplyDecimalSeparator(ch, p0, *ParamsGrid);
    if (getDataForm_ != nullptr) {
        getDataForm_->Edit1->setText(ToQString(p0));
    }
    if (!ch.empty()) {
        analysisForm_->DecimalSeparatorChanged();
    }
}

void TMainForm::AnalysisButtonClick() {
    analysisForm_->Open();
}

void TMainForm::SpectraButtonClick() {
    spectraForm_->Open();
}

// ---- Chart ----

void TMainForm::RedrawChart() {
    FillChart(chart_, state_, Mode);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
    for (int k = 0; k < 3; ++k) {
        const TLineSeries& s = chart_.Series[k];
        QList<QPointF> points;
        points.reserve(s.Count());
        for (const TChartPoint& p : s.Points()) {
            points.append(QPointF(p.X, p.Y));
            if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
                continue;
            }
            if (!any) {
                minX = maxX = p.X;
                minY = maxY = p.Y;
                any = true;
            }
            minX = std::min(minX, p.X);
            maxX = std::max(maxX, p.X);
            minY = std::min(minY, p.Y);
            maxY = std::max(maxY, p.Y);
        }
        series_[k]->replace(points);
        series_[k]->setName(ToQString(s.Title));
        // Measured shifts (and their residual line) print as markers, the theory as a line; on
        // the screen all stay lines, which redraw fast during a long Scan.
        series_[k]->setProperty(MeasuredSeriesProperty, Mode == 0 && k != 1);
    }
    axisX_->setTitleText(ToQString(chart_.XAxisTitle));
    axisY_->setTitleText(ToQString(chart_.YAxisTitle));
    // Automatic scaling: the axes span what the series hold, widened to round numbers.
    if (any) {
        SetNiceRange(axisX_, minX, maxX);
        SetNiceRange(axisY_, minY, maxY);
    }
    QString title;
    for (const std::string& line : chart_.TitleLines) {
        title += (title.isEmpty() ? QString() : QStringLiteral("<br>")) + ToQString(line);
    }
    chart1Chart_->setTitle(title);
}

// ---- Caption ----

void TMainForm::SetCommandCaption(const QString& text) {
    commandCaption_ = text;
    ShowCaption();
}

void TMainForm::ShowCaption() {
    if (Files->FilePath().isEmpty()) {
        setWindowTitle(commandCaption_ + QStringLiteral("[*]"));
    } else {
        setWindowTitle(Files->DocumentName() + QStringLiteral("[*] - ") + commandCaption_);
    }
}

// ---- Sink of the long commands ----

std::uint32_t TMainForm::TickCount() {
    return MonotonicTickCount();
}

void TMainForm::Refresh(const TFitState& state) {
    state.WriteParamsTable(*ParamsGrid);
    RedrawChart();
}

bool TMainForm::TestStop() {
    QApplication::processEvents(QEventLoop::AllEvents);
    // A closed window stops every refresh from now on: a refinement starts with the state's
    // stop cleared, and the window is gone.
    const bool stop = stopClicked_ || closing_;
    stopClicked_ = false;
    return stop;
}

void TMainForm::PhaseChanged(TFitPhase phase) {
    SetCommandCaption(PhaseCaption(phase));
    // Only now that the table has been read: a faulty cell leaves the buttons alone. A nested
    // command would overwrite the running command's point.
    SetCommandButtonsEnabled(false);
}

void TMainForm::SetCommandButtonsEnabled(bool enabled) {
    Button1->setEnabled(enabled);
    Button2->setEnabled(enabled);
    Button8->setEnabled(enabled);
    if (analysisForm_ != nullptr) {
        analysisForm_->SetMainTableBusy(!enabled);  // it computes there, as Compute does
    }
}

void TMainForm::ResetMinima() {
    if (minimaForm_ != nullptr) {
        minimaForm_->ResetMinima();
    }
}

void TMainForm::AddMinimum(const TParamVector& v, double q) {
    if (minimaForm_ != nullptr) {
        minimaForm_->AddMinimum(v, q);
    }
}

void TMainForm::EnableMinimaList() {
    if (minimaForm_ != nullptr) {
        minimaForm_->EnableMinimaList();
    }
}

}  // namespace kelmora
