#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QString>
#include <QStringList>
#include <algorithm>

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

// The widest value a table shows: a sign and 15 significant digits.
inline QString WidestNumberText() {
    return QStringLiteral("-8.88888888888888");
}

// Pixels a grid column of widget needs so that none of the texts is clipped, never less than
// the designed width: the designed sizes come from a smaller font than most desktops use.
inline int ColumnWidthFor(const QWidget* widget, int designed, const QStringList& texts,
                          int padding) {
    const QFontMetrics metrics(widget->font());
    int width = designed;
    for (const QString& text : texts) {
        width = std::max(width, metrics.horizontalAdvance(text) + padding);
    }
    return width;
}

// A modal dialog as designed: fixed client size, no minimise or maximise, opened centred on
// the screen (not over its parent), and neither a default (Enter) nor a cancel (Escape) button.
class TDesignedDialog : public QDialog {
  public:
    TDesignedDialog(QWidget* parent, int clientWidth, int clientHeight) : QDialog(parent) {
        setFixedSize(clientWidth, clientHeight);
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
        setModal(true);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (const QScreen* s = screen()) {
            move(s->availableGeometry().center() - rect().center());
        }
    }
};

}  // namespace kelmora
