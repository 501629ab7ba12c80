#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "analysisview/Figure.h"
#include "files/DataFile.h"
#include "files/KelmoraDocument.h"
#include "ui/FilePrompts.h"

class QAction;
class QImage;
class QMenu;
class QMenuBar;
class QMimeData;
class QTimer;
class QWidget;

namespace kelmora {

class IAnalysisDocument;
class TMainForm;

// The main window's menu bar and what it does with files: Kelmora files opened and saved, data
// files imported, the chart exported, the work's name and unsaved mark in the caption, and the
// question before unsaved work would be lost.
class TFileMenu : public QObject {
    Q_OBJECT
  public:
    static constexpr int MaxRecentFiles = 8;

    TFileMenu(TMainForm& form, QMenuBar* menuBar);
    ~TFileMenu() override;

    // Tests answer the questions themselves; the default asks with dialogs.
    void SetPrompts(IFilePrompts* prompts);
    void SetAnalysisDocument(IAnalysisDocument* analysis);

    // The commands of the menu. Each returns once it is done or the user has cancelled; errors
    // travel on to the application's handler, with the open work untouched.
    void NewFile();
    void Open();
    void OpenFile(const QString& path);
    bool Save();
    bool SaveAs();
    void ImportData();
    void ImportFile(const QString& path);
    // A data file read through the one importer of the program, after asking for its name over
    // parent; nothing when the user cancelled.
    std::optional<TDataFile> AskDataFile(QWidget* parent, const QString& title, QString* name);
    // The whole text of a file asked for over parent, for readers of their own.
    std::optional<std::string> AskTextFile(QWidget* parent, const QString& title, QString* name);
    void ExportChart();
    // A figure of another window, the dialogs over that window: the file, then the figure's
    // size, font and resolution, the answers kept for the next export.
    void ExportChart(const TFigure& figure, QWidget* parent);
    // A picture that is no figure (the residual map) as a PNG file.
    void ExportImage(const QImage& image, QWidget* parent);
    // A file to write, suggested beside the open work under its name with this suffix
    // ("png", "xlsx", ...); empty when the user cancels.
    QString AskSaveName(QWidget* parent, const QString& caption, const QString& suffix,
                        const QString& filter);
    void About();

    // Before the work is replaced or the program ends: false when the user cancelled.
    bool MayReplaceWork();
    // The work as it stands is the saved state: no unsaved mark until it changes.
    void MarkClean();
    // Some part of the work may have changed; the unsaved mark is brought up to date once the
    // events at hand are done, so a burst of changes costs one comparison.
    void DocumentChanged();
    // A long command is running: nothing may replace the work under it.
    void SetRunning(bool running);

    // Drag and drop of a Kelmora file (opened) or of a data file (imported).
    static bool CanDrop(const QMimeData* data);
    void Drop(const QMimeData* data);

    QString FilePath() const { return filePath_; }
    // The file's name, or "Untitled" for work never saved.
    QString DocumentName() const;
    QStringList RecentFiles() const;

    QMenu* FileMenu = nullptr;
    QMenu* RecentMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* NewAction = nullptr;
    QAction* OpenAction = nullptr;
    QAction* SaveAction = nullptr;
    QAction* SaveAsAction = nullptr;
    QAction* ImportAction = nullptr;
    QAction* ExportAction = nullptr;
    QAction* QuitAction = nullptr;
    QAction* AboutAction = nullptr;

  private:
    void CreateActions(QMenuBar* menuBar);
    void RebuildRecentMenu();
    void AddRecentFile(const QString& path);
    void ReplaceWork(const TKelmoraDocument& doc, const QString& path);
    bool SaveTo(const QString& path);
    void UpdateModified();

    TMainForm& form_;
    std::unique_ptr<IFilePrompts> ownPrompts_;
    IFilePrompts* prompts_;
    IAnalysisDocument* analysis_ = nullptr;
    QString filePath_;
    TKelmoraDocument saved_;  // the work as last opened, saved or started
    QTimer* modifiedCheck_ = nullptr;
};

// The text of Help > About: version, licence, the example files.
QString AboutText();

}  // namespace kelmora
