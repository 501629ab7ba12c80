#pragma once

#include <QApplication>
#include <QString>
#include <functional>

namespace kelmora {

// The application's one default error handler: an error that escapes any event handler ends
// that command where it arose, and its message is shown in a message box; an error of a
// library, whose text is not the program's, is shown as a failure of the command. Tests
// replace the box with a recorder.
class TKelmoraApplication : public QApplication {
    Q_OBJECT
  public:
    using TMessageSink = std::function<void(const QString&)>;

    TKelmoraApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    void SetMessageSink(TMessageSink sink) { sink_ = std::move(sink); }
    void ShowError(const QString& message);

  private:
    TMessageSink sink_;
};

}  // namespace kelmora
