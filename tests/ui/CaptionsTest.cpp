// What the main window shows around Optimize and Scan: its captions in order and the command
// buttons going off and on again, as a person watching it would see them change.
#include <QCheckBox>
#include <QEvent>
#include <QListWidget>
#include <QObject>
#include <QStringList>

#include "UiFixture.h"

namespace kelmora::uitest {
namespace {

// Every change of the window's caption and of the Optimize button's enabled state.
class TChangeRecorder : public QObject {
  public:
    explicit TChangeRecorder(TMainForm& main) : main_(main) {
        main_.installEventFilter(this);
        main_.Button2->installEventFilter(this);
    }
    QStringList Titles;
    QStringList ButtonStates;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &main_ && event->type() == QEvent::WindowTitleChange) {
            Titles << main_.windowTitle();
        } else if (watched == main_.Button2 && event->type() == QEvent::EnabledChange) {
            ButtonStates << (main_.Button2->isEnabled() ? QStringLiteral("on")
                                                        : QStringLiteral("off"));
        }
        return false;
    }

  private:
    TMainForm& main_;
};

using Captions = StartedProgram;

TEST_F(Captions, FollowTheCommandAndTheButtonsComeBackOnce) {
    const QString refining = QStringLiteral("Идет дооптимизация[*]");
    const QString scanningOn = QStringLiteral("Идет сканирование[*]");
    // The row of lg K1 besides its Value and mark: Max. step, Min. val, Max. val, Steps count.
    struct TLgK1Row {
        const char* maxStep = "0.1";
        const char* minVal = "-10";
        const char* maxVal = "10";
        const char* steps = "21";  // a handful of minima, quickly
    };
    struct TCase {
        const char* name;
        bool scan;
        bool refine;
        TLgK1Row row;
        QStringList titles;  // a run of refinements in the middle is checked apart
        QStringList buttons;
        QStringList messages;
    };
    const QStringList offOn = {QStringLiteral("off"), QStringLiteral("on")};
    const std::vector<TCase> cases = {
        {"optimize",
         false,
         false,
         {},
         {QStringLiteral("Optimizing...[*]"), QStringLiteral("Optimization complete[*]")},
         offOn,
         {}},
        {"optimize, faulty cell",
         false,
         false,
         {.maxStep = "x"},
         {QStringLiteral("Optimizing...[*]"), QStringLiteral("Optimization complete[*]")},
         {},
         {QStringLiteral("'x' is not a valid floating point value")}},
        {"optimize, error during the run",
         false,
         false,
         {.maxStep = "1000", .minVal = "-1000000", .maxVal = "1000000"},
         {QStringLiteral("Optimizing...[*]"), QStringLiteral("Optimization complete[*]")},
         offOn,
         {QStringLiteral("Floating point overflow")}},
        {"scan",
         true,
         false,
         {},
         {QStringLiteral("Scanning...[*]"), QStringLiteral("Scanning complete[*]")},
         offOn,
         {}},
        {"scan with refinement",
         true,
         true,
         {},
         {QStringLiteral("Scanning...[*]"), QStringLiteral("Scanning complete[*]")},
         offOn,
         {}},
        {"scan, error during the run",
         true,
         false,
         {.minVal = "300", .maxVal = "320"},  // lg K1 past 308 on the lattice
         {QStringLiteral("Scanning...[*]"), QStringLiteral("Scanning complete[*]")},
         offOn,
         {QStringLiteral("Floating point overflow")}},
        {"scan, a single lattice value",
         true,
         false,
         {.steps = "1"},
         {QStringLiteral("Scanning...[*]"), QStringLiteral("Scanning complete[*]")},
         {},
         {QStringLiteral("Steps count of Lg(K1) must be at least 2 for a scan")}},
    };
    EnterExample("titration-1to1.txt");
    SetParamCell(4, 3, "");
    SetParamCell(4, 4, "");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Messages().clear();
        SetParamCell(1, 1, "1.2");
        SetParamCell(2, 1, c.row.maxStep);
        SetParamCell(5, 1, c.row.minVal);
        SetParamCell(6, 1, c.row.maxVal);
        SetParamCell(7, 1, c.row.steps);
        Main.FinishMinimaCheck->setChecked(c.refine);
        TChangeRecorder recorder(Main);
        Click(c.scan ? Main.Button8 : Main.Button2);

        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(recorder.ButtonStates, c.buttons);
        QStringList titles = recorder.Titles;
        int refinements = 0;
        while (titles.size() > 2 && titles[1] == refining) {
            EXPECT_EQ(titles[2], scanningOn);
            titles.remove(1, 2);
            ++refinements;
        }
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(refinements > 0, c.refine);
    }
}

// A refused scan changes nothing: not the table, not the list of the scan before.
TEST_F(Captions, ARefusedScanLeavesTableAndListAsTheyWere) {
    EnterExample("titration-1to1.txt");
    SetParamCell(7, 1, "21");
    SetParamCell(4, 3, "");
    SetParamCell(4, 4, "");
    Click(Main.Button8);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    const int listed = Minima.ListBox1->count();
    ASSERT_GT(listed, 0);
    const TParamVector values = Main.State().GetParamVector();

    SetParamCell(7, 1, "0");
    std::vector<std::string> cells;
    for (int r = 1; r <= ParamCount; ++r) {
        for (int col = 1; col < ParamsGridCols; ++col) {
            cells.push_back(ParamCell(col, r));
        }
    }
    Click(Main.Button8);
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Steps count of Lg(K1) must be at least 2 for a scan")});
    EXPECT_EQ(Minima.ListBox1->count(), listed);
    EXPECT_EQ(Main.State().GetParamVector(), values);
    std::size_t k = 0;
    for (int r = 1; r <= ParamCount; ++r) {
        for (int col = 1; col < ParamsGridCols; ++col) {
            EXPECT_EQ(ParamCell(col, r), cells[k++]) << col << ", " << r;
        }
    }
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Scanning complete[*]"));
}

}  // namespace
}  // namespace kelmora::uitest
