// Closing the main window while a long command runs ends the run and the program. Each test
// quits the application, so CTest runs each in a process of its own.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>

#include "UiFixture.h"
#include "ui/Analysis_u.h"

namespace kelmora::uitest {
namespace {

class CloseDuringRun : public StartedProgram {
  protected:
    // Presses the button, closes the window once the caption reads whileCaption, and runs
    // the application until it quits.
    void CloseWhile(QPushButton* button, const QString& whileCaption) {
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        bool commandReturned = false;
        TRunWhen closer([&] { return Main.windowTitle() == whileCaption; },
                        [&] {
                            closeSent_ = true;
                            Main.close();
                        });
        QTimer::singleShot(0, &Main, [&] {
            Click(button);
            commandReturned = true;
        });
        // Only a guard against a hang: a run that never ends fails here instead of timing out.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        watchdog.start(60000);

        const int exitCode = QApplication::exec();

        EXPECT_EQ(exitCode, 0);
        EXPECT_TRUE(closeSent_);
        EXPECT_TRUE(commandReturned);
        EXPECT_EQ(quitting.count(), 1);
        EXPECT_FALSE(Main.isVisible());
        EXPECT_FALSE(Minima.isVisible());
        EXPECT_TRUE(Main.State().StopRequested);
        EXPECT_GT(Main.State().IterLeft, 0);  // stopped, not counted out
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    }

    static bool RunsAlone() { return ::testing::UnitTest::GetInstance()->test_to_run_count() == 1; }

    bool closeSent_ = false;
};

TEST_F(CloseDuringRun, TheRunStopsAndTheProgramEnds) {
    if (!RunsAlone()) {
        GTEST_SKIP() << "quits the application; run it alone (--gtest_filter=CloseDuringRun.*)";
    }
    EnterExample("titration-1to1.txt");
    SetParamCell(3, 1, "0");  // lg K1 Min. step 0: nothing but Stop or a close ends this run
    CloseWhile(Main.Button2, QStringLiteral("Optimizing...[*]"));
}

// The close comes while a refinement runs. The refinement starts with the stop cleared, so
// only a close that stays seen at every later refresh ends the scan around it as well.
TEST_F(CloseDuringRun, AScanWithRefinementStopsAndTheProgramEnds) {
    if (!RunsAlone()) {
        GTEST_SKIP() << "quits the application; run it alone (--gtest_filter=CloseDuringRun.*)";
    }
    // Enough points that one refinement outlasts a refresh interval.
    EnterExampleRepeated("titration-1to1.txt", 1000);
    ASSERT_EQ(Main.State().PointCount, 30000);
    SetParamCell(3, 1, "0");  // lg K1 Min. step 0: a refinement runs its whole count
    SetParamCell(7, 1, "21");
    SetParamCell(4, 3, "");
    SetParamCell(4, 4, "");
    Main.FinishMinimaCheck->setChecked(true);
    CloseWhile(Main.Button8, QStringLiteral("Идет дооптимизация[*]"));
    EXPECT_GE(Minima.Store().Count(), 1);  // the refined minimum is listed
}

// The analysis runs on a thread of its own; closing the main window closes the Analysis window
// too, which stops the run, and the program ends without waiting for a million replicates.
TEST_F(CloseDuringRun, AnAnalysisRunStopsAndTheProgramEnds) {
    if (!RunsAlone()) {
        GTEST_SKIP() << "quits the application; run it alone (--gtest_filter=CloseDuringRun.*)";
    }
    EnterExample("titration-1to1.txt");
    Click(Main.AnalysisButton);
    TAnalysisForm& form = *Main.AnalysisForm();
    Click(form.FromMainButton);
    form.ReplicatesSpin->setValue(1000000);
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    TRunWhen closer(
        [&] { return form.StatusLabel->text().startsWith(QStringLiteral("Monte Carlo")); },
        [&] {
            closeSent_ = true;
            Main.close();
        });
    QTimer::singleShot(0, &form, [&] { Click(form.FitButton); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(60000);

    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(closeSent_);
    EXPECT_EQ(quitting.count(), 1);
    EXPECT_FALSE(Main.isVisible());
    EXPECT_FALSE(form.isVisible());
    QSignalSpy ended(&form, &TAnalysisForm::RunEnded);
    ASSERT_TRUE(!form.Running() || ended.wait(30000)) << "the run went on after the close";
    ASSERT_TRUE(form.Result().has_value());
    EXPECT_TRUE(form.Result()->Stopped);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

}  // namespace
}  // namespace kelmora::uitest
