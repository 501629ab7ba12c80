// The File and Help menus: Kelmora files saved and opened as they were, the unsaved mark and
// the question before work is lost, data files imported, the chart exported, drops.
#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <cstring>

#include "UiFixture.h"
#include "ui/Analysis_u.h"
#include "files/KelmoraFile.h"
#include "ui/FileMenu.h"
#include "ui/ImportDialog.h"
#include "ui/WindowDocument.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora::uitest {
namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Files : public StartedProgram {
  protected:
    ~Files() override { SetNumberDecimalSeparator("."); }

    QString Scratch(const QString& name) const { return dir_.filePath(name); }
    void WriteFile(const QString& name, const QByteArray& bytes) const {
        QFile f(Scratch(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Inside the event loop, as a menu command runs: an error reaches the application's
    // handler and its message is recorded.
    void AsCommand(const std::function<void()>& command) {
        bool ran = false;
        QTimer::singleShot(0, &Main, [&] {
            ran = true;
            command();
        });
        while (!ran) {
            QCoreApplication::processEvents();
        }
    }
    bool Modified() {
        QCoreApplication::processEvents();  // the mark is brought up to date after the events
        return Main.isWindowModified();
    }
    TKelmoraDocument Work() { return CaptureDocument(Main, nullptr); }

    QTemporaryDir dir_;
};

TEST_F(Files, TheMenuBarHoldsTheCommandsWithTheirStandardKeys) {
    TFileMenu& f = *Main.Files;
    struct TCommand {
        QAction* Action;
        QString Text;
        QKeySequence Keys;
    };
    const TCommand commands[] = {
        {f.NewAction, QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N)},
        {f.OpenAction, QStringLiteral("&Open…"), QKeySequence(Qt::CTRL | Qt::Key_O)},
        {f.SaveAction, QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S)},
        {f.SaveAsAction, QStringLiteral("Save &As…"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {f.ImportAction, QStringLiteral("&Import Data…"), QKeySequence()},
        {f.ExportAction, QStringLiteral("&Export Chart…"), QKeySequence()},
        {f.QuitAction, QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const TCommand& c : commands) {
        EXPECT_EQ(c.Action->text(), c.Text);
        EXPECT_EQ(c.Action->shortcut(), c.Keys) << c.Text.toStdString();
        EXPECT_TRUE(f.FileMenu->actions().contains(c.Action)) << c.Text.toStdString();
    }
    EXPECT_EQ(f.RecentMenu->title(), QStringLiteral("Open &Recent"));
    EXPECT_FALSE(f.RecentMenu->isEnabled());  // nothing opened yet
    EXPECT_EQ(Main.MenuBar->actions().size(), 3);  // File, Edit, Help
    EXPECT_TRUE(f.HelpMenu->actions().contains(f.AboutAction));

    Main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main));
    QTest::keyClick(&Main, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Prompts.FileCaptions, QStringList{QStringLiteral("Save As")});  // untitled
}

// The Analysis window carries the same File menu, so its shortcuts save the work from there too.
TEST_F(Files, TheFileShortcutsWorkFromTheAnalysisWindow) {
    Click(Main.AnalysisButton);
    TAnalysisForm& form = *Main.AnalysisForm();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.DataGrid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Prompts.FileCaptions, QStringList{QStringLiteral("Save As")});
}

TEST_F(Files, TheCaptionShowsTheFileAndAMarkWhileChangesAreUnsaved) {
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("Kelmora[*]"));
    EXPECT_FALSE(Modified());
    SetParamCell(1, 1, "2.5");
    EXPECT_TRUE(Modified());
    SetParamCell(1, 1, "1.2");  // back as it was: nothing to save
    EXPECT_FALSE(Modified());
    for (const auto& edit : std::vector<std::function<void()>>{
             [&] { TypeInto(Main.IterCountEdit, QStringLiteral("5")); },
             [&] { Click(Main.FinishMinimaCheck); },
             [&] { Click(Main.Mode2Button); },
             [&] { EnterData(QStringLiteral("0.001\t8.1\r\n")); },
         }) {
        edit();
        EXPECT_TRUE(Modified());
        Main.Files->MarkClean();
    }

    Prompts.FileNames = {Scratch(QStringLiteral("fit.kelmora"))};
    Main.Files->SaveAs();
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("fit.kelmora[*] - Kelmora"));
    EXPECT_FALSE(Modified());
    EnterExample("titration-1to1.txt");
    Click(Main.Button2);
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("fit.kelmora[*] - Optimization complete"));
    EXPECT_TRUE(Modified());
    Main.Files->Save();
    EXPECT_FALSE(Modified());
}

struct TRoundTrip {
    const char* Separator;
    const char* Example;
    bool Scan;
};

TEST_F(Files, SaveQuitOpenGivesTheSameWorkAndQToTheLastDigit) {
    const TRoundTrip cases[] = {{".", "titration-1to2.txt", false},
                                {",", "titration-1to1.txt", true}};
    for (const TRoundTrip& c : cases) {
        SCOPED_TRACE(c.Separator);
        TypeInto(Main.SepLabEdit, QString::fromLatin1(c.Separator));
        Click(Main.UpdateDecSepButton);
        std::vector<TExampleLine> lines = ReadExample(c.Example);
        for (TExampleLine& l : lines) {
            l.C = ReplaceChar(l.C, ".", c.Separator);
            l.Shift = ReplaceChar(l.Shift, ".", c.Separator);
        }
        EnterData(ClipboardText(lines));
        if (c.Scan) {
            SetParamCell(7, 1, "21");
            SetParamCell(4, 3, "");
            SetParamCell(4, 4, "");
            Click(Main.Button8);
        }
        Click(Main.Button2);
        ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
        const QString path =
            Scratch(QStringLiteral("round-%1.kelmora").arg(QString::fromLatin1(c.Example)));
        Prompts.FileNames = {path};
        Main.Files->SaveAs();
        const TKelmoraDocument before = Work();
        const double q = Main.State().Q;
        ASSERT_GT(q, 0.0);

        Main.Files->NewFile();  // as good as quitting: the start-up state
        EXPECT_EQ(Main.State().PointCount, 0);
        EXPECT_EQ(NumberDecimalSeparator(), ".");
        AsCommand([&] { Main.Files->OpenFile(path); });
        ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
        const TKelmoraDocument after = Work();
        EXPECT_TRUE(SameWork(before, after));
        EXPECT_EQ(after.ParamCells, before.ParamCells);
        EXPECT_EQ(after.DataCells, before.DataCells);
        EXPECT_EQ(after.Minima.size(), before.Minima.size());
        EXPECT_EQ(Main.SepLabEdit->text(), QString::fromLatin1(c.Separator));
        EXPECT_EQ(NumberDecimalSeparator(), c.Separator);
        EXPECT_TRUE(SameBits(Main.State().Q, q)) << Main.State().Q << " vs " << q;
        EXPECT_EQ(Minima.Store().Count(), static_cast<int>(before.Minima.size()));
        EXPECT_EQ(Main.windowTitle(), QStringLiteral("round-%1.kelmora[*] - Optimization complete")
                                          .arg(QString::fromLatin1(c.Example)));
        EXPECT_FALSE(Modified());
        EXPECT_EQ(Main.Files->RecentFiles().front(), QFileInfo(path).absoluteFilePath());
    }
}

TEST_F(Files, AFileSavedByKelmoraFitOpensAsTheRunEnded) {
    const QString path = Scratch(QStringLiteral("batch.kelmora"));
    QProcess fit;
    fit.start(QStringLiteral(KELMORA_FIT_PATH),
              {QStringLiteral("optimize"), QStringLiteral("--json"), QStringLiteral("--data"),
               QStringLiteral(KELMORA_EXAMPLES_DIR "/titration-1to2.txt"), QStringLiteral("--save"),
               path});
    ASSERT_TRUE(fit.waitForFinished(120000));
    ASSERT_EQ(fit.exitCode(), 0) << fit.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(fit.readAllStandardOutput());
    const qsizetype at = out.indexOf(QStringLiteral("\"Q\":")) + 4;
    const double q = out.mid(at, out.indexOf(QLatin1Char(','), at) - at).toDouble();

    AsCommand([&] { Main.Files->OpenFile(path); });
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    EXPECT_TRUE(SameBits(Main.State().Q, q)) << Main.State().Q << " vs " << q;
    EXPECT_EQ(Main.State().PointCount, 30);
    EXPECT_EQ(Main.ChartData().Series[0].Count(), 30);  // the chart was drawn
}

TEST_F(Files, AFileThatCannotBeOpenedLeavesTheOpenWorkUntouched) {
    EnterExample("titration-1to1.txt");
    Click(Main.Button2);
    Prompts.FileNames = {Scratch(QStringLiteral("good.kelmora"))};
    Main.Files->SaveAs();
    QFile goodFile(Scratch(QStringLiteral("good.kelmora")));
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray good = goodFile.readAll();
    SetParamCell(1, 6, "0.5");  // an unsaved change, kept through every refusal
    const TKelmoraDocument before = Work();
    const double q = Main.State().Q;

    struct TBad {
        const char* Name;
        QByteArray Bytes;
        QString Message;  // after the file name
    };
    QByteArray newer = good;
    newer.replace("\"version\": 2", "\"version\": 9");
    QByteArray wrongType = good;
    wrongType.replace("\"refine\": false", "\"refine\": \"no\"");
    QByteArray missing = good;
    missing.replace("\"chartMode\"", "\"mode\"");
    const TBad cases[] = {
        {"truncated", good.left(good.size() / 3), QStringLiteral(" is damaged: it cannot be")},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), QStringLiteral(" is not a Kelmora")},
        {"newer", newer,
         QStringLiteral(" was saved by a newer version of Kelmora (file format 9)")},
        {"wrong type", wrongType, QStringLiteral(" is damaged: refine should be true or false.")},
        {"missing", missing, QStringLiteral(" is damaged: chartMode is missing.")},
    };
    for (const TBad& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString name = QStringLiteral("bad-%1.kelmora").arg(QString::fromLatin1(c.Name));
        WriteFile(name, c.Bytes);
        Messages().clear();
        AsCommand([&] { Main.Files->OpenFile(Scratch(name)); });
        ASSERT_EQ(Messages().size(), 1);
        EXPECT_TRUE(Messages()[0].startsWith(QLatin1Char('\'') + Scratch(name) + QLatin1Char('\'') +
                                             c.Message))
            << Messages()[0].toStdString();
        EXPECT_TRUE(SameWork(Work(), before));
        EXPECT_TRUE(SameBits(Main.State().Q, q));
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Main.windowTitle(), QStringLiteral("good.kelmora[*] - Optimization complete"));
        EXPECT_TRUE(Prompts.UnsavedAsked.isEmpty());  // refused before anything was asked
    }
}

TEST_F(Files, UnsavedWorkIsSavedDiscardedOrKeptAsTheUserAnswers) {
    const QString other = Scratch(QStringLiteral("other.kelmora"));
    WriteKelmoraFile(other.toStdString(), StartupDocument());
    struct TCase {
        TUnsavedChoice Answer;
        bool Replaced;
        bool Saved;
    };
    const TCase cases[] = {{TUnsavedChoice::Cancel, false, false},
                           {TUnsavedChoice::Discard, true, false},
                           {TUnsavedChoice::Save, true, true}};
    for (const TCase& c : cases) {
        Main.Files->NewFile();
        SetParamCell(1, 1, "3.25");
        Prompts.UnsavedAnswer = c.Answer;
        Prompts.UnsavedAsked.clear();
        const QString saveTo = Scratch(QStringLiteral("saved-%1.kelmora").arg(int(c.Answer)));
        Prompts.FileNames = {saveTo};
        AsCommand([&] { Main.Files->OpenFile(other); });
        EXPECT_EQ(Prompts.UnsavedAsked, QStringList{QStringLiteral("Untitled")});
        EXPECT_EQ(ParamCell(1, 1), c.Replaced ? "1.2" : "3.25");
        EXPECT_EQ(QFile::exists(saveTo), c.Saved);
        if (c.Saved) {
            EXPECT_EQ(ReadKelmoraFile(saveTo.toStdString()).ParamCells[0][0], "3.25");
        }
    }
    // Quitting asks too; Cancel keeps the window open.
    SetParamCell(1, 1, "3.5");
    Prompts.UnsavedAnswer = TUnsavedChoice::Cancel;
    Main.close();
    EXPECT_TRUE(Main.isVisible());
}

TEST_F(Files, ImportReadsSpreadsheetFilesIntoTheSourceDataTable) {
    for (const char* example : {"titration-1to1.txt", "titration-1to2.txt"}) {
        AsCommand([&] {
            Main.Files->ImportFile(QStringLiteral(KELMORA_EXAMPLES_DIR "/") +
                                   QString::fromLatin1(example));
        });
        const std::vector<TExampleLine> lines = ReadExample(example);
        ASSERT_EQ(Main.State().PointCount, static_cast<int>(lines.size()));
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_EQ(GetData.OriginGrid1->Cell(0, int(k) + 1), lines[k].C);
            EXPECT_EQ(GetData.OriginGrid1->Cell(1, int(k) + 1), lines[k].Shift);
        }
    }
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();

    // Semicolons, decimal commas, a byte order mark, a header and a third column: the preview
    // asks which columns are C and Shift.
    WriteFile(QStringLiteral("europe.csv"),
              "\xEF\xBB\xBFShift, ppm;C, mol/l;Note\r\n8,1144;0,001;a\r\n8,2218;0,002;b\r\n");
    bool previewed = false;
    TRunWhen chooser(
        [] { return qobject_cast<TImportDialog*>(QApplication::activeModalWidget()) != nullptr; },
        [&] {
            auto* dialog = qobject_cast<TImportDialog*>(QApplication::activeModalWidget());
            previewed = true;
            EXPECT_EQ(dialog->Preview->columnCount(), 3);
            EXPECT_EQ(dialog->CColumn(), 1);  // guessed from the header
            EXPECT_EQ(dialog->ShiftColumn(), 0);
            dialog->ShiftColumnBox->setCurrentIndex(1);  // one column cannot be both
            EXPECT_FALSE(dialog->Buttons->button(QDialogButtonBox::Ok)->isEnabled());
            dialog->ShiftColumnBox->setCurrentIndex(0);
            Click(dialog->Buttons->button(QDialogButtonBox::Ok));
        });
    AsCommand([&] { Main.Files->ImportFile(Scratch(QStringLiteral("europe.csv"))); });
    EXPECT_TRUE(previewed);
    EXPECT_EQ(Main.State().PointCount, 2);
    EXPECT_EQ(GetData.OriginGrid1->Cell(0, 1), "0.001");
    EXPECT_EQ(GetData.OriginGrid1->Cell(1, 2), "8.2218");
    EXPECT_EQ(GetData.OriginGrid1->Cell(0, 3), "");

    WriteFile(QStringLiteral("bad.csv"), "0.001\t8.1\n0.002\tx\n");
    AsCommand([&] { Main.Files->ImportFile(Scratch(QStringLiteral("bad.csv"))); });
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("'bad.csv', line 2, column 2: 'x' is not a number.")});
    EXPECT_EQ(Main.State().PointCount, 2);  // the table and the data set as they were
    EXPECT_EQ(GetData.OriginGrid1->Cell(0, 1), "0.001");
}

// A file of one endless line shows, and offers, a bounded number of columns.
TEST(ImportDialog, AWideFileShowsItsFirstColumnsOnly) {
    std::string line;
    for (int k = 0; k < 5000; ++k) {
        line += std::to_string(k) + ";";
    }
    const TImportDialog dialog(SplitDataFile(line, "wide.csv"), QStringLiteral("wide.csv"));
    EXPECT_EQ(dialog.Preview->columnCount(), TImportDialog::PreviewColumns);
    EXPECT_EQ(dialog.Preview->rowCount(), 1);
    EXPECT_EQ(dialog.CColumnBox->count(), TImportDialog::PreviewColumns);
    EXPECT_TRUE(
        dialog.LayoutLabel->text().endsWith(QStringLiteral("the first 100 columns are offered")))
        << dialog.LayoutLabel->text().toStdString();
}

TEST_F(Files, DroppingAFileOpensOrImportsIt) {
    const QString kelmora = Scratch(QStringLiteral("dropped.kelmora"));
    TKelmoraDocument doc = StartupDocument();
    doc.P0Text = "0.02";
    WriteKelmoraFile(kelmora.toStdString(), doc);
    const auto drop = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&Main, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&Main, &dropped);
    };
    drop(kelmora);
    EXPECT_EQ(GetData.Edit1->text(), QStringLiteral("0.02"));
    EXPECT_EQ(Main.windowTitle(), QStringLiteral("dropped.kelmora[*] - Kelmora"));
    drop(QStringLiteral(KELMORA_EXAMPLES_DIR "/titration-1to1.txt"));
    EXPECT_EQ(Main.State().PointCount, 30);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

TEST_F(Files, ExportedFiguresOpenAndThePngHasTheSizeAndResolutionAsked) {
    EnterExample("titration-1to2.txt");
    Click(Main.Button1);
    Prompts.Format = TFigureFormat{85.0, 60.0, 8.0, 300};
    const QSize size(static_cast<int>(std::lround(85.0 / 25.4 * 300)),
                     static_cast<int>(std::lround(60.0 / 25.4 * 300)));
    for (QPushButton* mode : {Main.Mode1Button, Main.Mode2Button}) {
        Click(mode);
        const QString yTitle = mode == Main.Mode1Button ? QStringLiteral("Chemical shift, ppm")
                                                        : QStringLiteral("Fraction");
        for (const QString& ext :
             {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")}) {
            SCOPED_TRACE(ext.toStdString());
            const QString path = Scratch(QStringLiteral("chart-%1.%2").arg(Main.Mode).arg(ext));
            Prompts.FileNames = {path};
            AsCommand([&] { Main.Files->ExportChart(); });
            ASSERT_TRUE(Messages().isEmpty())
                << Messages().join(QStringLiteral("; ")).toStdString();
            ASSERT_TRUE(QFile::exists(path));
            if (ext == QLatin1String("png")) {
                const QImage image(path);
                EXPECT_EQ(image.size(), size);
                EXPECT_EQ(image.dotsPerMeterX(), std::lround(300 / 0.0254));
            } else if (ext == QLatin1String("svg")) {
                EXPECT_EQ(
                    QProcess::execute(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path}),
                    0);
                QFile svg(path);
                ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
                const QByteArray text = svg.readAll();
                EXPECT_TRUE(text.contains(yTitle.toUtf8()));  // vector text, not a picture
                EXPECT_TRUE(text.contains("C, mol/l"));
                // Measured shifts print as markers; the fractions are all theory.
                EXPECT_EQ(text.contains("<ellipse") || text.contains("<circle"),
                          mode == Main.Mode1Button);
            } else {
                QProcess info;
                info.start(QStringLiteral("pdfinfo"), {path});
                ASSERT_TRUE(info.waitForFinished(30000));
                EXPECT_EQ(info.exitCode(), 0);
                EXPECT_TRUE(info.readAllStandardOutput().contains("Pages:           1"));
            }
        }
    }
    Prompts.FileNames = {Scratch(QStringLiteral("chart.bmp"))};
    AsCommand([&] { Main.Files->ExportChart(); });
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_FALSE(QFile::exists(Scratch(QStringLiteral("chart.bmp"))));
}

TEST_F(Files, AboutNamesTheVersionTheLicenceAndTheExamples) {
    Main.Files->AboutAction->trigger();
    EXPECT_EQ(Prompts.AboutTitle, QStringLiteral("About Kelmora"));
    for (const char* part : {"Kelmora " KELMORA_VERSION_TEXT, "GNU General Public License",
                             "titration-1to1.txt", "titration-1to2.txt"}) {
        EXPECT_TRUE(Prompts.AboutText.contains(QString::fromUtf8(part))) << part;
    }
}

}  // namespace
}  // namespace kelmora::uitest
