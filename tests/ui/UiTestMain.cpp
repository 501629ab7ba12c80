// The widget tests run inside the program's own application object, so an error that escapes a
// handler goes through the real default handler; only its message box is swapped for a recorder.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "UiFixture.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    // The list of recent files lives in the settings: the tests keep theirs apart from the
    // user's and start with none.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    kelmora::TKelmoraApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KelmoraTests"));
    QCoreApplication::setApplicationName(QStringLiteral("KelmoraTests"));
    app.SetMessageSink([](const QString& message) { kelmora::uitest::Messages().append(message); });
    return RUN_ALL_TESTS();
}
