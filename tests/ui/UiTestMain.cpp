// The widget tests run inside the program's own application object, so an error that escapes a
// handler goes through the real default handler; only its message box is swapped for a recorder.
#include <gtest/gtest.h>

#include "UiFixture.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    kelmora::TKelmoraApplication app(argc, argv);
    app.SetMessageSink([](const QString& message) { kelmora::uitest::Messages().append(message); });
    return RUN_ALL_TESTS();
}
