// "Optimize" and "Stop": the fit of an example, a run that only Stop can end, and an error in
// the middle of a run.
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QLineEdit>

#include "UiFixture.h"
#include "ui/WorkUndo.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

using Optimize = StartedProgram;

void ExpectButtonsEnabled(const TMainForm& main, bool enabled) {
    EXPECT_EQ(main.Button1->isEnabled(), enabled);
    EXPECT_EQ(main.Button2->isEnabled(), enabled);
    EXPECT_EQ(main.Button8->isEnabled(), enabled);
    EXPECT_TRUE(main.Button3->isEnabled());
}

TEST_F(Optimize, FitsTheOneToOneExampleAndShowsTheResult) {
    EnterExample("titration-1to1.txt");
    Click(Main.Button2);

    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Optimization complete[*]"));
    ExpectButtonsEnabled(Main, true);
    EXPECT_NEAR(TableValue(0), 2.5, 0.1);
    EXPECT_NEAR(TableValue(2), 8.0, 0.02);
    EXPECT_NEAR(TableValue(3), 9.5, 0.05);
    EXPECT_EQ(ParamCell(1, 2), "-1000");  // unmarked: not moved
    EXPECT_EQ(ParamCell(2, 1), "0.1");    // the table was written back in its shortest form
    ExpectTableShowsTheRecords();
    // Noise of 0.002 ppm gives Q about 0.04; the default start was near 6800.
    const double q = Main.State().Q;
    EXPECT_LT(q, 0.1);
    EXPECT_EQ(q, FreshQ(Main.State().GetParamVector()));
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(q));
}

// The table an Optimize replaced comes back with Undo (Ctrl+Z), exactly, with its Q; Redo
// (Ctrl+Shift+Z) gives the fit again. The data entry before it is a step of its own.
TEST_F(Optimize, UndoBringsBackTheTableTheRunReplacedAndRedoTheFit) {
    EnterExample("titration-1to1.txt");
    SetParamCell(1, 1, "2.25");
    Main.Button1->click();
    const std::string before = ParamCell(1, 1);
    const double qBefore = Main.State().Q;
    Click(Main.Button2);
    const std::string fitted = ParamCell(1, 1);
    const double qFitted = Main.State().Q;
    ASSERT_NE(fitted, before);

    QAction* undo = Main.History->UndoAction;
    QAction* redo = Main.History->RedoAction;
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_EQ(redo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    undo->trigger();
    EXPECT_EQ(ParamCell(1, 1), before);
    EXPECT_EQ(Main.State().Q, qBefore);
    EXPECT_EQ(Main.State().PointCount, 30);
    redo->trigger();
    EXPECT_EQ(ParamCell(1, 1), fitted);
    EXPECT_EQ(Main.State().Q, qFitted);
    undo->trigger();
    undo->trigger();  // the data entry
    EXPECT_EQ(Main.State().PointCount, 0);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

// A run with Min. step 0 ends only by Stop. A rejected last trial would leave a Q that does not
// belong to the table. The check evaluates the table's Values again rather than on a fresh
// state: by the time Stop is seen lg K1's step may have shrunk below the 1e-10 within which
// stored fractions are reused, and a fresh solve would then differ in the last digits.
TEST_F(Optimize, StopEndsARunThatWouldNeverConverge) {
    EnterExampleRepeated("titration-1to1.txt", 1000);
    ASSERT_EQ(Main.State().PointCount, 30000);
    SetParamCell(1, 1, "2.5");
    SetParamCell(3, 1, "0");  // lg K1 Min. step
    SetParamCell(1, 4, "9.5");

    bool sawRunning = false;
    TRunWhen stopper([&] { return Main.windowTitle() == QStringLiteral("Optimizing...[*]"); },
                     [&] {
                         sawRunning = true;
                         ExpectButtonsEnabled(Main, false);
                         // The window answers while the run goes on: the mode buttons redraw.
                         Click(Main.Mode2Button);
                         EXPECT_EQ(Main.ChartData().Series[0].Title, "Alpha1");
                         Click(Main.Button3);
                     });
    Click(Main.Button2);

    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Optimization complete[*]"));
    ExpectButtonsEnabled(Main, true);
    EXPECT_GT(Main.State().IterLeft, 1000000000 - 10000);  // stopped, not counted out
    ExpectTableShowsTheRecords();
    const double shown = Main.State().Q;
    EXPECT_EQ(shown, Main.State().ComputeQ());
    EXPECT_EQ(Main.ChartData().Series[0].Title, "Alpha1");
    EXPECT_EQ(ChartTitle().toStdString(), TitleFor(shown));
}

// lg K1 leaves the double range at its first trial step; the message is shown, the window
// gets its buttons back and its caption from before the command, and the table stays as the
// failed run left it.
TEST_F(Optimize, AnErrorDuringTheRunIsShownAndTheButtonsComeBack) {
    EnterExample("titration-1to1.txt");
    SetParamCell(2, 1, "1000");
    SetParamCell(5, 1, "-1000000");
    SetParamCell(6, 1, "1000000");
    Click(Main.Button2);

    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Floating point overflow")});
    ExpectButtonsEnabled(Main, true);
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Kelmora[*]"));
    EXPECT_EQ(ParamCell(1, 1), "1.2");

    // The window goes on working with the same table once the step is sensible again.
    Messages().clear();
    SetParamCell(2, 1, "0.1");
    Click(Main.Button2);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Optimization complete[*]"));
    EXPECT_NEAR(TableValue(0), 2.5, 0.1);
}

}  // namespace
}  // namespace kelmora::uitest
