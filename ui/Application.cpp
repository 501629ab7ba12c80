#include "ui/Application.h"

#include <QMessageBox>
#include <exception>

#include "util/Errors.h"

namespace kelmora {

TKelmoraApplication::TKelmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetMessageSink([](const QString& message) {
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                              message);
    });
}

bool TKelmoraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
    return true;
}

void TKelmoraApplication::ShowError(const QString& message) {
    if (sink_) {
        sink_(message);
    }
}

}  // namespace kelmora
