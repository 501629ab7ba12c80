#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    // ctest lists the cases by running the program, with or without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
