#pragma once

#include <QString>
#include <optional>

#include "report/FigurePainter.h"

class QWidget;

namespace kelmora {

enum class TUnsavedChoice { Save, Discard, Cancel };

// Every question the File menu asks the user. The program asks with message boxes and file
// dialogs; tests answer from a script, so that nothing waits for a person.
class IFilePrompts {
  public:
    virtual ~IFilePrompts() = default;
    // Unsaved changes before they would be lost; documentName is what the caption shows.
    virtual TUnsavedChoice AskUnsaved(QWidget* parent, const QString& documentName) = 0;
    // A file to read or to write; empty when the user cancels.
    virtual QString OpenFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                                 const QString& filter) = 0;
    virtual void ShowAbout(QWidget* parent, const QString& title, const QString& text) = 0;
    // An exported figure's size and text; nothing when the user cancels.
    virtual std::optional<TFigureFormat> FigureFormat(QWidget* parent, const TFigureFormat& start,
                                                      bool png) = 0;
};

// The questions as message boxes and the desktop's file dialogs.
class TDialogFilePrompts : public IFilePrompts {
  public:
    TUnsavedChoice AskUnsaved(QWidget* parent, const QString& documentName) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                         const QString& filter) override;
    void ShowAbout(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<TFigureFormat> FigureFormat(QWidget* parent, const TFigureFormat& start,
                                              bool png) override;
};

}  // namespace kelmora
