#include "ui/Application.h"

#include <QMessageBox>
#include <exception>
#include <new>

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
    } catch (const EKelmoraError& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (const std::bad_alloc&) {
        ShowError(QStringLiteral("There is not enough memory to finish this."));
    } catch (const std::exception&) {
        // A library's own text would mean nothing to the user.
        ShowError(QStringLiteral("This could not be finished: a computation inside it failed."));
    }
    return true;
}

void TKelmoraApplication::ShowError(const QString& message) {
    if (sink_) {
        sink_(message);
    }
}

}  // namespace kelmora
