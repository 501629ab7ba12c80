#include "ui/FilePrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/FigureFormatDialog.h"

namespace kelmora {

TUnsavedChoice TDialogFilePrompts::AskUnsaved(QWidget* parent, const QString& documentName) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kelmora"),
                    QStringLiteral("Save the changes to %1?").arg(documentName),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("Without saving, the changes are lost."));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return TUnsavedChoice::Save;
        case QMessageBox::Discard:
            return TUnsavedChoice::Discard;
        default:
            return TUnsavedChoice::Cancel;
    }
}

QString TDialogFilePrompts::OpenFileName(QWidget* parent, const QString& caption,
                                         const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString TDialogFilePrompts::SaveFileName(QWidget* parent, const QString& caption,
                                         const QString& suggestion, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, suggestion, filter);
}

void TDialogFilePrompts::ShowAbout(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::about(parent, title, text);
}

std::optional<TFigureFormat> TDialogFilePrompts::FigureFormat(QWidget* parent,
                                                              const TFigureFormat& start,
                                                              bool png) {
    TFigureFormatDialog dialog(start, png, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Format();
}

}  // namespace kelmora
