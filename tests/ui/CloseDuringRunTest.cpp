// Closing the main window while Optimize runs ends the run and the program. It quits the
// application, so CTest runs it in a process of its own.
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>

#include "UiFixture.h"

namespace kelmora::uitest {
namespace {

using CloseDuringRun = StartedProgram;

TEST_F(CloseDuringRun, TheRunStopsAndTheProgramEnds) {
    if (::testing::UnitTest::GetInstance()->test_to_run_count() != 1) {
        GTEST_SKIP() << "quits the application; run it alone (--gtest_filter=CloseDuringRun.*)";
    }
    EnterExample("titration-1to1.txt");
    SetParamCell(3, 1, "0");  // lg K1 Min. step 0: nothing but Stop or a close ends this run

    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    bool closeSent = false;
    bool commandReturned = false;
    TRunWhen closer([&] { return Main.windowTitle() == QStringLiteral("Optimizing..."); },
                    [&] {
                        closeSent = true;
                        Main.close();
                    });
    QTimer::singleShot(0, &Main, [&] {
        Click(Main.Button2);
        commandReturned = true;
    });
    // Only a guard against a hang: a run that never ends fails here instead of timing out.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(60000);

    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(closeSent);
    EXPECT_TRUE(commandReturned);
    EXPECT_EQ(quitting.count(), 1);
    EXPECT_FALSE(Main.isVisible());
    EXPECT_FALSE(Minima.isVisible());
    EXPECT_TRUE(Main.State().StopRequested);
    EXPECT_GT(Main.State().IterLeft, 0);  // stopped, not counted out
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

}  // namespace
}  // namespace kelmora::uitest
