#include "ui/WorkUndo.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QUndoStack>

#include "engine/FitSink.h"
#include "ui/WindowDocument.h"
#include "ui/main_u.h"

namespace kelmora {

TWorkChange::TWorkChange(TMainForm& form, TKelmoraDocument before, TKelmoraDocument after,
                         const QString& text)
    : QUndoCommand(text), form_(form), before_(std::move(before)), after_(std::move(after)) {}

void TWorkChange::undo() {
    Put(before_);
}

void TWorkChange::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    Put(after_);
}

void TWorkChange::Put(const TKelmoraDocument& doc) {
    RestoreDocument(form_, nullptr, doc);
    RecomputeDocument(form_, doc);
}

TWorkHistory::TWorkHistory(TMainForm& form, QMenu* editMenu) : QObject(editMenu), form_(form) {
    Stack = new QUndoStack(this);
    Stack->setUndoLimit(100);
    UndoAction = editMenu->addAction(QStringLiteral("&Undo"));
    RedoAction = editMenu->addAction(QStringLiteral("&Redo"));
    UndoAction->setShortcut(QKeySequence::Undo);
    RedoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence::Redo});
    // Also on the window itself, as the File menu's, so that the keys work at once.
    form.addActions({UndoAction, RedoAction});
    connect(UndoAction, &QAction::triggered, this, [this] {
        if (!running_) {
            Stack->undo();
        }
    });
    connect(RedoAction, &QAction::triggered, this, [this] {
        if (!running_) {
            Stack->redo();
        }
    });
    connect(Stack, &QUndoStack::indexChanged, this, &TWorkHistory::UpdateActions);
    UpdateActions();
}

void TWorkHistory::Record(const QString& text, const std::function<void()>& command) {
    if (recording_ > 0) {
        command();
        return;
    }
    TKelmoraDocument before = CaptureDocument(form_, nullptr);
    const auto push = [&] {
        --recording_;
        TKelmoraDocument after = CaptureDocument(form_, nullptr);
        if (!SameWork(before, after)) {
            Stack->push(new TWorkChange(form_, std::move(before), std::move(after), text));
        }
    };
    ++recording_;
    const TOnUnwind onError(push);
    command();
    push();
}

void TWorkHistory::SetRunning(bool running) {
    running_ = running;
    UpdateActions();
}

void TWorkHistory::Clear() {
    Stack->clear();
}

void TWorkHistory::UpdateActions() {
    UndoAction->setEnabled(!running_ && Stack->canUndo());
    RedoAction->setEnabled(!running_ && Stack->canRedo());
}

}  // namespace kelmora
