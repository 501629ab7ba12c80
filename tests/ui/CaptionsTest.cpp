// What the main window shows around Optimize and Scan: its captions in order and the command
// buttons going off and on again, as a person watching it would see them change.
#include <QCheckBox>
#include <QEvent>
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
    const QString refining = QStringLiteral("Идет дооптимизация");
    const QString scanningOn = QStringLiteral("Идет сканирование");
    struct TCase {
        const char* name;
        bool scan;
        bool refine;
        const char* faultyCell;  // into the Max. step of lg K1
        QStringList titles;      // a run of refinements in the middle is checked apart
        QStringList buttons;
        QStringList messages;
    };
    const std::vector<TCase> cases = {
        {"optimize",
         false,
         false,
         nullptr,
         {QStringLiteral("Optimizing..."), QStringLiteral("Optimization complete")},
         {QStringLiteral("off"), QStringLiteral("on")},
         {}},
        {"optimize, faulty cell",
         false,
         false,
         "x",
         {QStringLiteral("Optimizing...")},
         {},
         {QStringLiteral("'x' is not a valid floating point value")}},
        {"scan",
         true,
         false,
         nullptr,
         {QStringLiteral("Scanning..."), QStringLiteral("Scanning complete")},
         {QStringLiteral("off"), QStringLiteral("on")},
         {}},
        {"scan with refinement",
         true,
         true,
         nullptr,
         {QStringLiteral("Scanning..."), QStringLiteral("Scanning complete")},
         {QStringLiteral("off"), QStringLiteral("on")},
         {}},
    };
    EnterExample("titration-1to1.txt");
    // One parameter over 21 lattice values: a handful of minima, quickly.
    SetParamCell(7, 1, "21");
    SetParamCell(4, 3, "");
    SetParamCell(4, 4, "");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Messages().clear();
        SetParamCell(2, 1, c.faultyCell != nullptr ? c.faultyCell : "0.1");
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
        if (c.scan) {
            EXPECT_GT(Minima.Store().Count(), 0);
        }
    }
}

}  // namespace
}  // namespace kelmora::uitest
