#pragma once

#include <QString>
#include <QUndoCommand>
#include <functional>

#include "files/KelmoraDocument.h"

class QAction;
class QMenu;
class QUndoStack;

namespace kelmora {

class TMainForm;

// One command's change of the main window's work (its table, data set and settings; the Analysis
// window keeps its own), undone and redone by putting back the work as it was before or after.
class TWorkChange : public QUndoCommand {
  public:
    TWorkChange(TMainForm& form, TKelmoraDocument before, TKelmoraDocument after,
                const QString& text);
    void undo() override;
    void redo() override;

  private:
    void Put(const TKelmoraDocument& doc);

    TMainForm& form_;
    TKelmoraDocument before_;
    TKelmoraDocument after_;
    bool done_ = true;  // pushed after the command did its work: the first redo is a no-op
};

// The main window's undo history and its Edit menu.
class TWorkHistory : public QObject {
    Q_OBJECT
  public:
    TWorkHistory(TMainForm& form, QMenu* editMenu);

    // Runs command and keeps what it changed in the work as one step, also when it raises an
    // error part-way (a Stop or a failure can leave a table that is not the one wanted).
    void Record(const QString& text, const std::function<void()>& command);
    // While a long command runs, undo and redo wait: the command owns the table then.
    void SetRunning(bool running);
    void Clear();

    QUndoStack* Stack = nullptr;
    QAction* UndoAction = nullptr;
    QAction* RedoAction = nullptr;

  private:
    void UpdateActions();

    TMainForm& form_;
    bool running_ = false;
    int recording_ = 0;  // commands inside commands are part of the outer one
};

}  // namespace kelmora
