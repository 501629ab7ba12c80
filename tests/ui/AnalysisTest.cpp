// The Analysis window driven as a user drives it: paste a titration, set the settings, Fit, read
// the tables and charts, stop a long run, put a fit into the main table, and make mistakes.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <cstdio>
#include <functional>
#include <map>

#include "UiFixture.h"
#include "analysisview/AnalysisReport.h"
#include "analysisview/AnalysisSheet.h"
#include "files/DataFile.h"
#include "ui/AnalysisCharts.h"
#include "ui/Analysis_u.h"
#include "ui/FileMenu.h"
#include "ui/TitrationImportDialog.h"
#include "ui/VolumesDialog.h"
#include "ui/WorkUndo.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

// Numbers as text that reads back to the same double.
std::string Exact(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", x);
    return buf;
}

// A 1:2 titration of two signals made from known constants, with a small fixed pattern of
// noise; the host is diluted by the titrant when asked.
analysis::TTitration MakeTitration(bool diluted) {
    analysis::TModelValues truth;
    truth.Model = *analysis::FindModel("1:2");
    truth.LgK = {3.2, 5.9};
    truth.Signals = {{false, {7.0, 8.1, 9.0}, 0.4}, {false, {5.2, 4.6, 4.1}, 0.0}};
    analysis::TTitration t;
    const double noise[5] = {0.0021, -0.0013, 0.0008, -0.0024, 0.0015};
    for (int i = 0; i < 16; ++i) {
        const double c = 0.0008 * i;
        const double h = diluted ? 0.002 / (1.0 + 0.03 * i) : 0.002;
        t.Conc.push_back(c);
        if (diluted || i == 0) {
            t.Host.push_back(h);
        }
        const analysis::TModelPoint p = analysis::EvaluateModel(truth, c, h);
        t.Shifts.push_back({p.Shifts[0] + noise[i % 5], p.Shifts[1] - noise[(i + 2) % 5]});
    }
    return t;
}

// Columns of a titration as a spreadsheet puts them on the clipboard.
QString Columns(const analysis::TTitration& t, bool conc, bool host, bool shifts) {
    QString text;
    for (std::size_t i = 0; i < t.Conc.size(); ++i) {
        QStringList cells;
        if (conc) {
            cells << QString::fromStdString(Exact(t.Conc[i]));
        }
        if (host) {
            cells << QString::fromStdString(Exact(t.HostAt(i)));
        }
        if (shifts) {
            for (const double y : t.Shifts[i]) {
                cells << QString::fromStdString(Exact(y));
            }
        }
        text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return text;
}

class Analysis : public StartedProgram {
  protected:
    TAnalysisForm& Open() {
        Click(Main.AnalysisButton);
        TAnalysisForm* form = Main.AnalysisForm();
        EXPECT_NE(form, nullptr);
        return *form;
    }
    // Selects the sheet's columns first..last by dragging over their headers, then Ctrl+V.
    void Paste(TAnalysisForm& form, int first, int last, const QString& text) {
        TOriginGrid& grid = *form.DataGrid;
        QWidget* header = grid.horizontalHeader()->viewport();
        const auto over = [&](int col) {
            return grid.FromGridPoint(header, {grid.ColWidth(0) * col + 10, 5});
        };
        QTest::mousePress(header, Qt::LeftButton, {}, over(first));
        QTest::mouseMove(header, over(last));
        QTest::mouseRelease(header, Qt::LeftButton, {}, over(last));
        ASSERT_EQ(grid.Selection(), (TGridRect{first, 0, last, grid.RowCount() - 1}));
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    }
    // Clicks Fit and waits for the run to end; input that is refused before any run starts
    // ends it at once.
    void Fit(TAnalysisForm& form) {
        QSignalSpy ended(&form, &TAnalysisForm::RunEnded);
        Click(form.FitButton);
        if (ended.count() == 0 && form.Running()) {
            ASSERT_TRUE(ended.wait(120000)) << "the run did not end";
        }
    }
    static void ChooseModel(TAnalysisForm& form, const std::string& model) {
        const int k = form.ModelCombo->findText(QString::fromStdString(model));
        ASSERT_GE(k, 0);
        form.ModelCombo->setCurrentIndex(k);
    }
    static QString Cell(const QTableWidget* table, int row, int col) {
        const QTableWidgetItem* item = table->item(row, col);
        return item ? item->text() : QString();
    }
    static void ExpectTableShows(const QTableWidget* table, const TTextRows& rows) {
        ASSERT_EQ(table->rowCount(), static_cast<int>(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                EXPECT_EQ(Cell(table, int(r), int(c)), QString::fromStdString(rows[r][c]))
                    << "row " << r << " column " << c;
            }
        }
    }
};

TEST_F(Analysis, OpensBesideTheMainWindowAndKeepsItsPlaceAndSize) {
    EXPECT_EQ(Main.AnalysisButton->geometry(), QRect(848, 120, 105, 25));
    EXPECT_EQ(Main.AnalysisButton->text(), QStringLiteral("Analysis..."));
    for (QWidget* other :
         Main.ClientArea->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != Main.AnalysisButton && other->isVisible()) {
            EXPECT_FALSE(other->geometry().intersects(Main.AnalysisButton->geometry()))
                << other->metaObject()->className() << " under the button";
        }
    }
    TAnalysisForm& form = Open();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isWindow());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Analysis"));
    const QRect place(60, 70, 900, 620);
    form.setGeometry(place);
    form.close();
    EXPECT_FALSE(form.isVisible());
    Click(Main.Button1);  // the main window goes on working meanwhile
    Open();
    EXPECT_EQ(Main.AnalysisForm(), &form);
    EXPECT_EQ(form.geometry(), place);
}

TEST_F(Analysis, TwoSignalsWithAHostColumnShowTheLibrarysNumbers) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(true);
    Paste(form, SheetColC, SheetFirstShiftCol + 1,
          QStringLiteral("C\tP0\tHa\tHb\r\n") + Columns(t, true, true, true));
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol, 0), "Ha");
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol + 1, 0), "Hb");
    EXPECT_EQ(form.DataGrid->Cell(SheetColC, 1), Exact(t.Conc[0]));
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("16 points, 2 signals"));
    form.ReplicatesSpin->setValue(60);
    form.SeedSpin->setValue(7);

    Fit(form);

    analysis::TAnalysisSettings settings;
    settings.Replicates = 60;
    settings.Seed = 7;
    analysis::TTitration named = t;
    named.SignalNames = {"Ha", "Hb"};
    const analysis::TAnalysisResult expected = analysis::RunAnalysis(named, settings);
    ASSERT_TRUE(form.Result().has_value());
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(form.ModelCombo->count(), 3);
    ASSERT_TRUE(expected.Preferred.has_value());
    EXPECT_EQ(form.ModelCombo->currentText(), QString::fromStdString(*expected.Preferred));
    for (const analysis::TModelResult& m : expected.Models) {
        SCOPED_TRACE(m.Model.Name);
        ChooseModel(form, m.Model.Name);
        ExpectTableShows(form.ParamTable, ParamTableRows(m));
        EXPECT_EQ(Cell(form.ParamTable, 0, 0), QStringLiteral("lgK1"));
        EXPECT_EQ(Cell(form.ParamTable, 0, 1),
                  QString::fromStdString(ResultNumber(m.Params[0].Value)));
        EXPECT_EQ(form.Charts->ShiftChart->chart()->title(),
                  QStringLiteral("Model ") + form.ModelCombo->currentText());
    }
    ExpectTableShows(form.ComparisonTable, ComparisonRows(expected));
    EXPECT_EQ(form.VerdictLabel->text(), QString::fromStdString(expected.Verdict));
    EXPECT_FALSE(form.VerdictLabel->text().isEmpty());
    EXPECT_EQ(form.StatusLabel->text(), QStringLiteral("Done: 60 Monte Carlo replicates"));
    EXPECT_TRUE(form.FitButton->isEnabled());
    EXPECT_FALSE(form.StopButton->isEnabled());

    // The charts: markers and a curve per signal, residuals around zero, three species.
    const QChart* shifts = form.Charts->ShiftChart->chart();
    EXPECT_EQ(shifts->series().size(), 4);
    EXPECT_EQ(qobject_cast<QScatterSeries*>(shifts->series().at(0))->count(), 16);
    EXPECT_EQ(form.Charts->ResidualChart->chart()->series().size(), 3);
    EXPECT_EQ(form.Charts->SpeciesChart->chart()->series().size(), 3);
    for (const QChartView* view :
         {form.Charts->ShiftChart, form.Charts->ResidualChart, form.Charts->SpeciesChart}) {
        for (const QAbstractAxis* axis : view->chart()->axes()) {
            EXPECT_FALSE(axis->titleText().isEmpty());
        }
    }

    Click(form.CopyResultsButton);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QStringLiteral("Kelmora ")));
    EXPECT_TRUE(copied.contains(QStringLiteral("Monte Carlo replicates: 60 done of 60; seed ")));
    EXPECT_TRUE(copied.endsWith(QString::fromStdString(ResultsCopyText(expected, {}))));
}

TEST_F(Analysis, StopDuringMonteCarloKeepsTheReplicatesDoneAndTheWindowsAnswer) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(false);
    Paste(form, SheetColC, SheetColC, Columns(t, true, false, false));
    Paste(form, SheetFirstShiftCol, SheetFirstShiftCol + 1, Columns(t, false, false, true));
    form.P0Edit->setText(QStringLiteral("0.002"));
    form.ReplicatesSpin->setValue(1000000);
    bool stopped = false;
    TRunWhen stopper(
        [&] {
            return form.StatusLabel->text().startsWith(QStringLiteral("Monte Carlo")) &&
                   form.ProgressBar->value() > 0;
        },
        [&] {
            EXPECT_FALSE(form.FitButton->isEnabled());
            EXPECT_TRUE(form.StopButton->isEnabled());
            Click(Main.Mode2Button);  // the main window answers during the run
            EXPECT_EQ(Main.Mode, 1);
            Click(form.StopButton);
            stopped = true;
        });
    Fit(form);
    EXPECT_TRUE(stopped);
    ASSERT_TRUE(form.Result().has_value());
    const analysis::TAnalysisResult& r = *form.Result();
    EXPECT_TRUE(r.Stopped);
    int done = 0;
    for (const analysis::TModelResult& m : r.Models) {
        EXPECT_LT(m.ReplicatesDone, 1000000);
        done += m.ReplicatesDone;
    }
    EXPECT_GT(done, 0);
    EXPECT_EQ(form.StatusLabel->text(), QString::fromStdString(RunStatusText(r)));
    EXPECT_TRUE(form.StatusLabel->text().startsWith(QStringLiteral("Stopped. ")));
    EXPECT_TRUE(form.FitButton->isEnabled());
    EXPECT_FALSE(form.StopButton->isEnabled());
}

TEST_F(Analysis, ClosingTheWindowDuringARunStopsIt) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(true);
    Paste(form, SheetColC, SheetFirstShiftCol + 1, Columns(t, true, true, true));
    form.ReplicatesSpin->setValue(1000000);
    TRunWhen closer(
        [&] { return form.StatusLabel->text().startsWith(QStringLiteral("Monte Carlo")); },
        [&] { form.close(); });
    Fit(form);
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(form.Result().has_value());
    EXPECT_TRUE(form.Result()->Stopped);
}

// The main window holds other data: "Use in main table" brings the chosen signal's data and P0
// along with the parameters, so Compute gives the Q shown here; Undo brings the old data back.
TEST_F(Analysis, UseInMainTableThenComputeGivesTheQOfThatSignal) {
    const analysis::TTitration t = MakeTitration(false);
    analysis::TTitration other = t;
    for (std::vector<double>& y : other.Shifts) {
        y = {y[0] + 1.0};
    }
    WithDataDialog([&] {
        PasteIntoDataGrid(Columns(other, true, false, true));
        TypeInto(GetData.Edit1, QStringLiteral("0.005"));
        Click(GetData.Button1);
    });
    const std::string otherShift = GetData.OriginGrid1->Cell(1, 1);
    TAnalysisForm& form = Open();
    Paste(form, SheetColC, SheetColC, Columns(t, true, false, false));
    Paste(form, SheetFirstShiftCol, SheetFirstShiftCol + 1, Columns(t, false, false, true));
    TypeInto(form.P0Edit, QStringLiteral("0.002"));
    Click(form.LinearTermCheck);
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    ASSERT_TRUE(form.Result().has_value());

    const struct {
        const char* model;
        const char* lgK2;  // what the main table shows for lg K2, when fixed by the model
    } cases[] = {{"1:1", "-1000"}, {"1:2", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        ChooseModel(form, c.model);
        form.SignalCombo->setCurrentIndex(1);
        const analysis::TModelResult& m = *form.ChosenModel();
        const double q = SignalQ(m, 1);
        EXPECT_EQ(form.SignalQLabel->text(),
                  QStringLiteral("Q = ") + QString::fromStdString(ResultNumber(q)));
        Click(form.UseInMainButton);
        if (c.lgK2 != nullptr) {
            EXPECT_EQ(ParamCell(1, 2), c.lgK2);
        }
        EXPECT_EQ(GetData.Edit1->text(), QStringLiteral("0.002"));
        Click(Main.Button1);
        // The main window solves the equilibria with a solver of its own, to its own tolerance.
        EXPECT_NEAR(Main.State().Q, q, 1e-8 * q);
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    }
    Main.History->UndoAction->trigger();
    Main.History->UndoAction->trigger();
    EXPECT_EQ(GetData.Edit1->text(), QStringLiteral("0.005"));
    EXPECT_EQ(GetData.OriginGrid1->Cell(1, 1), otherShift);
    EXPECT_DOUBLE_EQ(Main.State().PorphyrinConc, 0.005);
}

// One P0 is all the main window holds: a host that varies is refused in words.
TEST_F(Analysis, UseInMainTableRefusesAHostThatVaries) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(true);
    Paste(form, SheetColC, SheetFirstShiftCol + 1, Columns(t, true, true, true));
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    ASSERT_TRUE(form.UseInMainButton->isEnabled());
    Click(form.UseInMainButton);
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral(
                  "The main window holds one P0 for all points, and the host concentration of "
                  "these data varies from point to point: they cannot be used there.")});
    EXPECT_EQ(Main.State().PointCount, 0);
}

// The worked example of the volumes test, typed into the dialog: C and P0 follow the dilution,
// and the inputs stay with the work.
TEST_F(Analysis, FromVolumesFillsCAndP0AndKeepsItsInputsWithTheWork) {
    TAnalysisForm& form = Open();
    TVolumesDialog& d = *form.VolumesDialog;
    const std::vector<std::string> added = {"0", "10", "10", "20"};
    TDialogDriver driver(&d, [&] {
        TypeInto(d.HostStockEdit, QStringLiteral("0.003"));
        TypeInto(d.LigandStockEdit, QStringLiteral("0.05"));
        TypeInto(d.StartVolumeEdit, QStringLiteral("500"));
        for (std::size_t k = 0; k < added.size(); ++k) {
            TypeIntoCell(*d.AddedGrid, 0, int(k) + 1, QString::fromStdString(added[k]));
        }
        Click(d.Buttons->button(QDialogButtonBox::Ok));
    });
    Click(form.FromVolumesButton);
    ASSERT_TRUE(driver.Ran());
    EXPECT_EQ(form.DataGrid->Cell(SheetColC, 2), FormatGeneral(0.5 / 510));
    EXPECT_EQ(form.DataGrid->Cell(SheetColP0, 4), FormatGeneral(1.5 / 540));
    EXPECT_EQ(form.DataGrid->Cell(SheetColC, 5), "");
    const TAnalysisSection section = form.CaptureAnalysis();
    ASSERT_TRUE(section.Volumes.has_value());
    EXPECT_EQ(section.Volumes->Added, added);
    EXPECT_EQ(section.Volumes->HostStock, "0.003");

    Main.Files->NewFile();
    EXPECT_FALSE(form.CaptureAnalysis().Volumes.has_value());
    form.RestoreAnalysis(section);
    EXPECT_EQ(form.CaptureAnalysis(), section);
}

// A spreadsheet export with a column of sample names, a host column and an empty cell: the
// guessed columns are imported, the whole sheet is replaced and no earlier name sticks.
TEST_F(Analysis, ImportTitrationReplacesTheWholeSheetWithTheGuessedColumns) {
    TAnalysisForm& form = Open();
    Paste(form, SheetColC, SheetColCount - 1,
          QStringLiteral("C\tP0\tH1\tH2\tH3\r\n1\t2\t3\t4\t5\r\n6\t7\t8\t9\t10\r\n"));
    const TDataFile file =
        SplitDataFile("Sample;Guest, M;Host, M;δ Ha\nA;0;0,01;7,1\nB;0,001;0,0099;\n", "t.csv");
    bool shown = false;
    QObject::connect(&form, &TAnalysisForm::ImportDialogShown, &form,
                     [&](TTitrationImportDialog* dialog) {
                         shown = true;
                         EXPECT_EQ(dialog->Columns(), (TTitrationColumns{1, 2, {3}}));
                         Click(dialog->Buttons->button(QDialogButtonBox::Ok));
                     });
    form.ImportTitration(file, QStringLiteral("t.csv"));
    ASSERT_TRUE(shown);
    const std::vector<std::vector<std::string>> expected = {{"C", "P0", "δ Ha", "s2", "s3"},
                                                            {"0", "0.01", "7.1", "", ""},
                                                            {"0.001", "0.0099", "", "", ""}};
    for (std::size_t r = 0; r < expected.size(); ++r) {
        for (std::size_t c = 0; c < expected[r].size(); ++c) {
            EXPECT_EQ(form.DataGrid->Cell(int(c), int(r)), expected[r][c]) << r << "," << c;
        }
    }
    EXPECT_EQ(form.DataGrid->Cell(SheetColC, 3), "");
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("2 points, 1 signal"));
}

// Results of earlier data stay on screen marked, and go nowhere until the next Fit.
TEST_F(Analysis, ChangedDataOrSettingsMarkTheResultsStaleUntilTheNextFit) {
    EnterExample("titration-1to1.txt");
    TAnalysisForm& form = Open();
    Click(form.FromMainButton);
    form.ReplicatesSpin->setValue(0);
    const auto usable = [&] {
        return form.UseInMainButton->isEnabled() && form.CopyResultsButton->isEnabled() &&
               form.CopyResidualsButton->isEnabled();
    };
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"a cell", [&] { TypeIntoCell(*form.DataGrid, SheetColC, 2, QStringLiteral("1e-4")); }},
        {"P0", [&] { TypeInto(form.P0Edit, QStringLiteral("0.002")); }},
        {"a setting", [&] { Click(form.LinearTermCheck); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        Fit(form);
        ASSERT_TRUE(form.Result().has_value());
        EXPECT_TRUE(form.StaleLabel->isHidden());
        EXPECT_TRUE(usable());
        change();
        EXPECT_FALSE(form.StaleLabel->isHidden());
        EXPECT_EQ(form.StaleLabel->text(), QStringLiteral("from earlier data — Fit again"));
        EXPECT_FALSE(form.UseInMainButton->isEnabled() || form.CopyResultsButton->isEnabled() ||
                     form.CopyResidualsButton->isEnabled());
    }
}

// Optimize computes in the main table; the analysis must not write into it meanwhile.
TEST_F(Analysis, UseInMainTableWaitsWhileTheMainWindowOptimizes) {
    EnterExample("titration-1to1.txt");
    TAnalysisForm& form = Open();
    EXPECT_FALSE(form.UseInMainButton->isEnabled());  // nothing to use yet
    Click(form.FromMainButton);
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    EXPECT_TRUE(form.UseInMainButton->isEnabled());

    SetParamCell(3, 1, "0");  // lg K1 Min. step 0: only Stop ends this run
    bool sawRunning = false;
    TRunWhen stopper([&] { return Main.windowTitle() == QStringLiteral("Optimizing...[*]"); },
                     [&] {
                         sawRunning = true;
                         EXPECT_FALSE(form.UseInMainButton->isEnabled());
                         Click(Main.Button3);
                     });
    Click(Main.Button2);
    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(form.UseInMainButton->isEnabled());
}

TEST_F(Analysis, UpdateConvertsTheSheetAndTheSettings) {
    TAnalysisForm& form = Open();
    Paste(form, SheetColC, SheetColC, QStringLiteral("0.5\r\n"));
    TypeIntoCell(*form.FixedGrid, 0, 1, QStringLiteral("lgK2"));
    TypeIntoCell(*form.FixedGrid, 1, 1, QStringLiteral("4.5"));
    TypeInto(form.ConcErrorEdit, QStringLiteral("1.5"));
    const struct {
        const char* separator;
        const char* p0;
        const char* fixed;
        const char* concError;
        const char* conc;
    } cases[] = {{",", "0,01", "4,5", "1,5", "0,5"}, {".", "0.01", "4.5", "1.5", "0.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.separator);
        TypeInto(Main.SepLabEdit, QString::fromLatin1(c.separator));
        Click(Main.UpdateDecSepButton);
        EXPECT_EQ(form.P0Edit->text(), QString::fromLatin1(c.p0));
        EXPECT_EQ(form.FixedGrid->Cell(1, 1), c.fixed);
        EXPECT_EQ(form.FixedGrid->Cell(0, 1), "lgK2");
        EXPECT_EQ(form.ConcErrorEdit->text(), QString::fromLatin1(c.concError));
        EXPECT_EQ(form.DataGrid->Cell(SheetColC, 1), c.conc);
    }
}

TEST_F(Analysis, OpenedUnderACommaItsP0IsWrittenWithIt) {
    TypeInto(Main.SepLabEdit, QStringLiteral(","));
    Click(Main.UpdateDecSepButton);
    TAnalysisForm& form = Open();
    EXPECT_EQ(form.P0Edit->text(), QStringLiteral("0,01"));
    TypeInto(Main.SepLabEdit, QStringLiteral("."));
    Click(Main.UpdateDecSepButton);
}

TEST_F(Analysis, DataAndSettingsGoIntoTheKelmoraFileAndComeBack) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(true);
    Paste(form, SheetColC, SheetFirstShiftCol + 1,
          QStringLiteral("C\tP0\tHa\tHb\r\n") + Columns(t, true, true, true));
    Click(form.ModelChecks[2]);
    ASSERT_EQ(form.ModelChecks[4]->text(), QStringLiteral("2:1/1:1"));
    Click(form.ModelChecks[4]);
    Click(form.LinearTermCheck);
    Click(form.WeightCheck);
    TypeIntoCell(*form.FixedGrid, 0, 1, QStringLiteral("lgK2"));
    TypeIntoCell(*form.FixedGrid, 1, 1, QStringLiteral("5.5"));
    TypeInto(form.ConcErrorEdit, QStringLiteral("1.5"));
    form.SeedSpin->setValue(42);
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    ASSERT_TRUE(form.Result().has_value());
    const TAnalysisSection before = form.CaptureAnalysis();
    EXPECT_EQ(before.Models, (std::vector<std::string>{"1:1", "1:2", "2:1/1:1"}));
    EXPECT_TRUE(before.WeightPerSignal);
    EXPECT_EQ(form.Result()->SignalSd.size(), 2u);
    EXPECT_EQ(before.FixedParams, (std::map<std::string, std::string>{{"lgK2", "5.5"}}));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.kelmora"));
    Prompts.FileNames = {path};
    const auto shown = [&] {
        QStringList cells{form.VerdictLabel->text(), form.ModelCombo->currentText()};
        for (const QTableWidget* table : {form.ParamTable, form.ComparisonTable}) {
            for (int r = 0; r < table->rowCount(); ++r) {
                for (int c = 0; c < table->columnCount(); ++c) {
                    cells << Cell(table, r, c);
                }
            }
        }
        return cells;
    };
    const QStringList shownBefore = shown();
    ASSERT_TRUE(Main.Files->SaveAs());
    Main.Files->NewFile();
    EXPECT_FALSE(form.Result().has_value());  // results of other data are not kept
    EXPECT_EQ(form.ParamTable->rowCount(), 0);
    EXPECT_EQ(form.DataGrid->Cell(SheetColC, 1), "");
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol, 0), "s1");
    EXPECT_EQ(form.P0Edit->text(), QStringLiteral("0.01"));
    EXPECT_EQ(form.ReplicatesSpin->value(), 1000);
    EXPECT_TRUE(form.ModelChecks[2]->isChecked());
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("0 points, 0 signals"));

    Prompts.FileNames = {path};
    Main.Files->Open();
    EXPECT_EQ(form.CaptureAnalysis(), before);  // the results too, every number to the last bit
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol + 1, 0), "Hb");
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("16 points, 2 signals"));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    // Shown without a refit, current until something changes.
    ASSERT_TRUE(form.Result().has_value());
    EXPECT_EQ(shown(), shownBefore);
    EXPECT_TRUE(form.StaleLabel->isHidden());
    EXPECT_FALSE(Main.isWindowModified());
    TypeInto(form.P0Edit, QStringLiteral("0.02"));
    EXPECT_FALSE(form.StaleLabel->isHidden());
}

TEST_F(Analysis, AnEditInTheWindowMarksTheWorkUnsaved) {
    TAnalysisForm& form = Open();
    EXPECT_FALSE(Main.isWindowModified());
    TypeIntoCell(*form.DataGrid, SheetColC, 1, QStringLiteral("0.1"));
    QTRY_VERIFY(Main.isWindowModified());
}

TEST_F(Analysis, ExportChartWritesTheChartShown) {
    TAnalysisForm& form = Open();
    Paste(form, SheetColC, SheetFirstShiftCol + 1, Columns(MakeTitration(true), true, true, true));
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    form.Charts->setCurrentWidget(form.Charts->SpeciesChart);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("species.png"));
    Prompts.FileNames = {path};
    Click(form.ExportChartButton);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(8).startsWith("\x89PNG"));
}

TEST_F(Analysis, FromMainWindowTakesTheDataSetAndP0) {
    EnterExample("titration-1to1.txt");
    TAnalysisForm& form = Open();
    Paste(form, SheetFirstShiftCol + 2, SheetFirstShiftCol + 2, QStringLiteral("Old\r\n1\r\n"));
    Click(form.FromMainButton);
    const TFitState& state = Main.State();
    ASSERT_GT(state.PointCount, 0);
    for (int i = 0; i < state.PointCount; ++i) {
        EXPECT_EQ(form.DataGrid->Cell(SheetColC, i + 1), FormatGeneral(state.Points[i].Conc));
        EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol, i + 1),
                  FormatGeneral(state.Points[i].ExpShift));
        EXPECT_EQ(form.DataGrid->Cell(SheetColP0, i + 1), "");
    }
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol + 2, 0), "s3");
    EXPECT_EQ(form.DataGrid->Cell(SheetFirstShiftCol + 2, 1), "");
    EXPECT_EQ(form.P0Edit->text(), QStringLiteral("0.01"));
    EXPECT_EQ(form.CountLabel->text(),
              QString::number(state.PointCount) + QStringLiteral(" points, 1 signal"));
}

TEST_F(Analysis, BadInputIsShownWithItsCellAndKeepsTheDataAndResults) {
    TAnalysisForm& form = Open();
    const analysis::TTitration t = MakeTitration(true);
    Paste(form, SheetColC, SheetFirstShiftCol + 1, Columns(t, true, true, true));
    form.ReplicatesSpin->setValue(0);
    Fit(form);
    ASSERT_TRUE(form.Result().has_value());
    const double ss = form.Result()->Models[0].Ss;
    const QString lgK1 = Cell(form.ParamTable, 0, 1);

    const struct {
        int col, row;
        const char* text;
        const char* message;
    } cases[] = {
        {SheetFirstShiftCol + 1, 3, "7.x", "Row 3, column \"s2\": '7.x' is not a number"},
        {SheetColP0, 5, "", "Row 5, column \"P0\": the cell is empty"},
        {SheetColC, 4, "-0.001",
         "The ligand concentration at point 4 is negative or not a number."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Paste(form, SheetColC, SheetFirstShiftCol + 1, Columns(t, true, true, true));
        TypeIntoCell(*form.DataGrid, c.col, c.row, QString::fromLatin1(c.text));
        Messages().clear();
        Fit(form);
        ASSERT_EQ(Messages().size(), 1);
        EXPECT_EQ(Messages().front(), QString::fromUtf8(c.message));
        EXPECT_EQ(form.DataGrid->Selection(), (TGridRect{c.col, c.row, c.col, c.row}));
        EXPECT_EQ(form.DataGrid->Cell(c.col, c.row), c.text);
        EXPECT_EQ(form.DataGrid->Cell(SheetColC, 16), Exact(t.Conc[15]));
        EXPECT_EQ(form.Result()->Models[0].Ss, ss);
        EXPECT_EQ(Cell(form.ParamTable, 0, 1), lgK1);
        EXPECT_TRUE(form.FitButton->isEnabled());
    }
}

}  // namespace
}  // namespace kelmora::uitest
