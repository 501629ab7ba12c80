#include "ui/FileMenu.h"

#include <QAction>
#include <QBuffer>
#include <QChartView>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "files/AtomicFile.h"
#include "files/DataFile.h"
#include "files/KelmoraFile.h"
#include "grid/OriginGrid_u.h"
#include "qtutil/QtText.h"
#include "ui/ChartExport.h"
#include "ui/ImportDialog.h"
#include "ui/WindowDocument.h"
#include "ui/WorkUndo.h"
#include "ui/getdata_u.h"
#include "ui/main_u.h"
#include "util/Version.h"

#ifndef KELMORA_EXAMPLES_INSTALL_DIR
#define KELMORA_EXAMPLES_INSTALL_DIR ""
#endif

namespace kelmora {

namespace {

const QString KelmoraSuffix = QStringLiteral("kelmora");
const QString RecentFilesKey = QStringLiteral("recentFiles");
const QString FigureWidthKey = QStringLiteral("figure/widthMm");
const QString FigureHeightKey = QStringLiteral("figure/heightMm");
const QString FigureFontKey = QStringLiteral("figure/fontPt");
const QString FigureDpiKey = QStringLiteral("figure/dpi");

QString KelmoraFilter() {
    return QStringLiteral("Kelmora files (*.kelmora);;All files (*)");
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The one local file a drag carries, or nothing.
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return {};
    }
    return data->urls().front().toLocalFile();
}

QAction* AddCommand(QMenu* menu, TMainForm& form, const QString& text, const QKeySequence& keys) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    // Also on the window itself, so that the keys work without the menu bar having been used.
    form.addAction(action);
    return action;
}

}  // namespace

TFileMenu::TFileMenu(TMainForm& form, QMenuBar* menuBar)
    : QObject(&form),
      form_(form),
      ownPrompts_(std::make_unique<TDialogFilePrompts>()),
      prompts_(ownPrompts_.get()) {
    modifiedCheck_ = new QTimer(this);
    modifiedCheck_->setSingleShot(true);
    modifiedCheck_->setInterval(0);
    connect(modifiedCheck_, &QTimer::timeout, this, &TFileMenu::UpdateModified);
    CreateActions(menuBar);
    RebuildRecentMenu();
}

TFileMenu::~TFileMenu() = default;

void TFileMenu::CreateActions(QMenuBar* menuBar) {
    FileMenu = menuBar->addMenu(QStringLiteral("&File"));
    NewAction = AddCommand(FileMenu, form_, QStringLiteral("&New"), Qt::CTRL | Qt::Key_N);
    OpenAction = AddCommand(FileMenu, form_, QStringLiteral("&Open…"), Qt::CTRL | Qt::Key_O);
    RecentMenu = FileMenu->addMenu(QStringLiteral("Open &Recent"));
    FileMenu->addSeparator();
    SaveAction = AddCommand(FileMenu, form_, QStringLiteral("&Save"), Qt::CTRL | Qt::Key_S);
    SaveAsAction =
        AddCommand(FileMenu, form_, QStringLiteral("Save &As…"), Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    FileMenu->addSeparator();
    ImportAction = AddCommand(FileMenu, form_, QStringLiteral("&Import Data…"), {});
    ExportAction = AddCommand(FileMenu, form_, QStringLiteral("&Export Chart…"), {});
    FileMenu->addSeparator();
    QuitAction = AddCommand(FileMenu, form_, QStringLiteral("&Quit"), Qt::CTRL | Qt::Key_Q);
    HelpMenu = menuBar->addMenu(QStringLiteral("&Help"));
    AboutAction = HelpMenu->addAction(QStringLiteral("&About Kelmora"));

    connect(NewAction, &QAction::triggered, this, &TFileMenu::NewFile);
    connect(OpenAction, &QAction::triggered, this, &TFileMenu::Open);
    connect(SaveAction, &QAction::triggered, this, &TFileMenu::Save);
    connect(SaveAsAction, &QAction::triggered, this, &TFileMenu::SaveAs);
    connect(ImportAction, &QAction::triggered, this, &TFileMenu::ImportData);
    connect(ExportAction, &QAction::triggered, this, qOverload<>(&TFileMenu::ExportChart));
    connect(QuitAction, &QAction::triggered, &form_, &QWidget::close);
    connect(AboutAction, &QAction::triggered, this, &TFileMenu::About);
}

void TFileMenu::SetPrompts(IFilePrompts* prompts) {
    prompts_ = prompts != nullptr ? prompts : ownPrompts_.get();
}

void TFileMenu::SetAnalysisDocument(IAnalysisDocument* analysis) {
    analysis_ = analysis;
    DocumentChanged();
}

QString TFileMenu::DocumentName() const {
    return filePath_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(filePath_).fileName();
}

// ---- The work and its files ----

void TFileMenu::NewFile() {
    if (MayReplaceWork()) {
        ReplaceWork(StartupDocument(), QString());
    }
}

void TFileMenu::Open() {
    const QString path = prompts_->OpenFileName(&form_, QStringLiteral("Open"), KelmoraFilter());
    if (!path.isEmpty()) {
        OpenFile(path);
    }
}

// Read (and so checked) before anything is asked or replaced: a file that cannot be used leaves
// the open work as it was.
void TFileMenu::OpenFile(const QString& path) {
    const TKelmoraDocument doc = ReadKelmoraFile(LocalPath(path));
    if (MayReplaceWork()) {
        ReplaceWork(doc, QFileInfo(path).absoluteFilePath());
    }
}

void TFileMenu::ReplaceWork(const TKelmoraDocument& doc, const QString& path) {
    // Undo brings back the table and data set the open work had, in case they were wanted.
    form_.History->Record(path.isEmpty() ? QStringLiteral("New") : QStringLiteral("Open"), [&] {
        RestoreDocument(form_, analysis_, doc);
        filePath_ = path;
        if (!path.isEmpty()) {
            AddRecentFile(path);
        }
        MarkClean();
        // Last, as it may fail on a text the user saved that is no number; the work is open
        // then and the message says what to mend.
        RecomputeDocument(form_, doc);
    });
}

bool TFileMenu::Save() {
    return filePath_.isEmpty() ? SaveAs() : SaveTo(filePath_);
}

bool TFileMenu::SaveAs() {
    const QString suggestion = filePath_.isEmpty()
                                   ? QDir::current().filePath(QStringLiteral("Untitled.kelmora"))
                                   : filePath_;
    QString path =
        prompts_->SaveFileName(&form_, QStringLiteral("Save As"), suggestion, KelmoraFilter());
    if (path.isEmpty()) {
        return false;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + KelmoraSuffix;
    }
    return SaveTo(path);
}

bool TFileMenu::SaveTo(const QString& path) {
    const TKelmoraDocument doc = CaptureDocument(form_, analysis_);
    WriteKelmoraFile(LocalPath(path), doc);
    filePath_ = QFileInfo(path).absoluteFilePath();
    saved_ = doc;
    form_.setWindowModified(false);
    AddRecentFile(filePath_);
    form_.ShowCaption();
    return true;
}

bool TFileMenu::MayReplaceWork() {
    UpdateModified();
    if (!form_.isWindowModified()) {
        return true;
    }
    switch (prompts_->AskUnsaved(&form_, DocumentName())) {
        case TUnsavedChoice::Save:
            return Save();
        case TUnsavedChoice::Discard:
            return true;
        case TUnsavedChoice::Cancel:
            break;
    }
    return false;
}

void TFileMenu::MarkClean() {
    modifiedCheck_->stop();
    saved_ = CaptureDocument(form_, analysis_);
    form_.setWindowModified(false);
    form_.ShowCaption();
}

void TFileMenu::DocumentChanged() {
    modifiedCheck_->start();
}

void TFileMenu::UpdateModified() {
    modifiedCheck_->stop();
    form_.setWindowModified(!SameWork(CaptureDocument(form_, analysis_), saved_));
}

void TFileMenu::SetRunning(bool running) {
    for (QAction* a : {NewAction, OpenAction, ImportAction}) {
        a->setEnabled(!running);
    }
    RebuildRecentMenu();
}

// ---- Data files and figures ----

std::optional<std::string> TFileMenu::AskTextFile(QWidget* parent, const QString& title,
                                                  QString* name) {
    const QString path = prompts_->OpenFileName(
        parent, title, QStringLiteral("Data files (*.csv *.txt *.tsv *.dat);;All files (*)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    *name = QFileInfo(path).fileName();
    return ReadWholeFile(LocalPath(path));
}

std::optional<TDataFile> TFileMenu::AskDataFile(QWidget* parent, const QString& title,
                                                QString* name) {
    if (const std::optional<std::string> text = AskTextFile(parent, title, name)) {
        return SplitDataFile(*text, name->toStdString());
    }
    return std::nullopt;
}

void TFileMenu::ImportData() {
    const QString path = prompts_->OpenFileName(
        &form_, QStringLiteral("Import Data"),
        QStringLiteral("Data files (*.csv *.txt *.tsv *.dat);;All files (*)"));
    if (!path.isEmpty()) {
        ImportFile(path);
    }
}

// As if the chosen columns were typed into the source-data table and "Ок" pressed.
void TFileMenu::ImportFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const TDataFile file = SplitDataFile(ReadWholeFile(LocalPath(path)), name.toStdString());
    std::array<int, 2> columns = GuessDataColumns(file);
    if (file.ColumnCount > 2) {
        TImportDialog dialog(file, name, &form_);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        columns = {dialog.CColumn(), dialog.ShiftColumn()};
    }
    const std::vector<std::array<std::string, 2>> cells =
        DataColumns(file, columns[0], columns[1], name.toStdString());
    TGetDataForm* data = form_.GetDataForm();
    form_.History->Record(QStringLiteral("Import"), [&] {
        RestoreDataCells(cells, data->OriginGrid1->Core());
        form_.State().LoadDataSet(*data->OriginGrid1, data->Edit1->text().toStdString());
    });
}

void TFileMenu::ExportChart() {
    ExportChart(FigureFromChart(form_.Chart1->chart()), &form_);
}

QString TFileMenu::AskSaveName(QWidget* parent, const QString& caption, const QString& suffix,
                               const QString& filter) {
    const QString base = filePath_.isEmpty() ? QDir::current().filePath(QStringLiteral("chart"))
                                             : QFileInfo(filePath_).path() + QLatin1Char('/') +
                                                   QFileInfo(filePath_).completeBaseName();
    return prompts_->SaveFileName(parent, caption, base + QLatin1Char('.') + suffix, filter);
}

void TFileMenu::ExportChart(const TFigure& figure, QWidget* parent) {
    const QString path = AskSaveName(parent, QStringLiteral("Export Chart"), QStringLiteral("png"),
                                     ChartFileFilter());
    if (path.isEmpty()) {
        return;
    }
    QSettings settings;
    TFigureFormat start;
    start.WidthMm = settings.value(FigureWidthKey, start.WidthMm).toDouble();
    start.HeightMm = settings.value(FigureHeightKey, start.HeightMm).toDouble();
    start.FontPt = settings.value(FigureFontKey, start.FontPt).toDouble();
    start.Dpi = settings.value(FigureDpiKey, start.Dpi).toInt();
    const bool png =
        QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0;
    const std::optional<TFigureFormat> format = prompts_->FigureFormat(parent, start, png);
    if (!format) {
        return;
    }
    settings.setValue(FigureWidthKey, format->WidthMm);
    settings.setValue(FigureHeightKey, format->HeightMm);
    settings.setValue(FigureFontKey, format->FontPt);
    settings.setValue(FigureDpiKey, format->Dpi);
    WriteFigureFile(figure, *format, path);
}

void TFileMenu::ExportImage(const QImage& image, QWidget* parent) {
    const QString path = AskSaveName(parent, QStringLiteral("Export Chart"), QStringLiteral("png"),
                                     QStringLiteral("PNG image (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    WriteFileAtomically(LocalPath(path), std::string_view(bytes.constData(), bytes.size()));
}

bool TFileMenu::CanDrop(const QMimeData* data) {
    return !DroppedFile(data).isEmpty();
}

void TFileMenu::Drop(const QMimeData* data) {
    const QString path = DroppedFile(data);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().compare(KelmoraSuffix, Qt::CaseInsensitive) == 0) {
        OpenFile(path);
    } else {
        ImportFile(path);
    }
}

// ---- Recent files and About ----

QStringList TFileMenu::RecentFiles() const {
    return QSettings().value(RecentFilesKey).toStringList();
}

void TFileMenu::AddRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > MaxRecentFiles) {
        files.removeLast();
    }
    QSettings().setValue(RecentFilesKey, files);
    RebuildRecentMenu();
}

void TFileMenu::RebuildRecentMenu() {
    RecentMenu->clear();
    const QStringList files = RecentFiles();
    for (const QString& path : files) {
        QAction* action = RecentMenu->addAction(QFileInfo(path).fileName());
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
    }
    RecentMenu->setEnabled(!files.isEmpty() && NewAction->isEnabled());
}

void TFileMenu::About() {
    prompts_->ShowAbout(&form_, QStringLiteral("About Kelmora"), AboutText());
}

QString AboutText() {
    QString examples = QString::fromUtf8(KELMORA_EXAMPLES_INSTALL_DIR);
    if (examples.isEmpty() || !QFileInfo(examples).isDir()) {
        examples = QStringLiteral("the examples folder of the sources");
    }
    return QStringLiteral(
               "<h3>Kelmora %1</h3>"
               "<p>Fits a two-step binding model (P + L ⇌ PL, K1; P + 2L ⇌ PL2, overall K2) "
               "to NMR titration data.</p>"
               "<p>Licence: GNU General Public License, version 3 or any later version.</p>"
               "<p>Two example titrations come with the program, in %2:</p>"
               "<ul><li><b>titration-1to1.txt</b>: a 1:1 titration (lg K1 2.5, no PL2)</li>"
               "<li><b>titration-1to2.txt</b>: a titration with PL2 (lg K1 2.0, lg K2 4.0)</li>"
               "</ul><p>Open one with File, Import Data… and press Optimize.</p>")
        .arg(QString::fromLatin1(KelmoraVersion), examples.toHtmlEscaped());
}

}  // namespace kelmora
