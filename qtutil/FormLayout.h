#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QPushButton>
#include <QString>

namespace kelmora {

// The designed windows place every control at fixed pixel positions.
inline QPushButton* MakeButton(QWidget* parent, const QString& text, int left, int top, int width,
                               int height) {
    auto* b = new QPushButton(text, parent);
    b->setGeometry(left, top, width, height);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// The designed sizes come from a smaller system font than most desktops use today; a caption
// that would be clipped gets a slightly smaller font instead.
inline void ShrinkFontToFit(QPushButton* button, int padding = 12) {
    QFont font = button->font();
    while (font.pointSizeF() > 6.0 &&
           QFontMetrics(font).horizontalAdvance(button->text()) + padding > button->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    button->setFont(font);
}

// A dialog border: fixed client size, no minimise or maximise, opened centred.
inline void MakeFixedDialog(QDialog* dialog, int clientWidth, int clientHeight) {
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setModal(true);
}

}  // namespace kelmora
