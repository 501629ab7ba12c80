#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "grid/OriginGrid_u.h"
#include "minima/RemParams_u.h"
#include "ui/FilePrompts.h"
#include "ui/OutGrid_u.h"
#include "ui/getdata_u.h"
#include "ui/main_u.h"

class QLineEdit;

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kelmora::uitest {

// What the application's error handler showed; the test main puts a recorder in place of the
// message box.
QStringList& Messages();

// One titration line of an example file, as its texts.
struct TExampleLine {
    std::string C;
    std::string Shift;
};
std::vector<TExampleLine> ReadExample(const std::string& fileName);
// Lines the way a spreadsheet puts them on the clipboard: TAB between cells, CR LF after each.
QString ClipboardText(const std::vector<TExampleLine>& lines);

// Runs an action once a modal dialog is up, from inside its exec() loop; a dialog the action
// left open is closed so that a failing test cannot hang. Destroying the driver cancels it.
class TDialogDriver {
  public:
    TDialogDriver(QWidget* dialog, std::function<void()> action);
    bool Ran() const { return ran_; }

  private:
    void Poll();
    QObject context_;
    QWidget* dialog_;
    std::function<void()> action_;
    bool ran_ = false;
};

// Runs an action from the event processing of a long command, once ready() holds there;
// destroying it cancels it.
class TRunWhen {
  public:
    TRunWhen(std::function<bool()> ready, std::function<void()> action);
    bool Ran() const { return ran_; }

  private:
    void Poll();
    QObject context_;
    std::function<bool()> ready_;
    std::function<void()> action_;
    bool ran_ = false;
};

// The File menu's questions answered from a script, and what was asked recorded.
class TScriptedPrompts : public IFilePrompts {
  public:
    TUnsavedChoice UnsavedAnswer = TUnsavedChoice::Discard;
    QStringList FileNames;     // the answers of the file dialogs in turn; none left: cancelled
    QStringList UnsavedAsked;  // the document names the question named
    QStringList FileCaptions;  // the file dialogs' captions
    QString AboutTitle;
    QString AboutText;
    std::optional<TFigureFormat> Format = TFigureFormat{};  // the figure dialog's answer

    TUnsavedChoice AskUnsaved(QWidget* parent, const QString& documentName) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                         const QString& filter) override;
    void ShowAbout(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<TFigureFormat> FigureFormat(QWidget*, const TFigureFormat&, bool) override {
        return Format;
    }

  private:
    QString NextFileName(const QString& caption);
};

void Click(QAbstractButton* button);
// Replaces an edit's text by typing, as a user would.
void TypeInto(QLineEdit* edit, const QString& text);
// Selects a cell with the mouse and types text into it (an empty text: Delete).
void TypeIntoCell(TOriginGrid& grid, int col, int row, const QString& text);

// The program as its start-up leaves it: the main window, the two dialogs and the minima list,
// the separator applied, only the main window shown.
class StartedProgram : public ::testing::Test {
  protected:
    StartedProgram();
    // The files a test saved or opened are not the next test's recent files.
    void TearDown() override;

    // The data dialog as a user fills it: both columns selected by their headers, the
    // clipboard pasted, then closed with "Ок" (or "Отмена").
    void EnterData(const QString& clipboardText, bool ok = true);
    void EnterExample(const std::string& fileName) {
        EnterData(ClipboardText(ReadExample(fileName)));
    }
    // The example's lines over and over, for runs slow enough to be caught in the middle.
    void EnterExampleRepeated(const std::string& fileName, int copies);
    // Runs inDialog while the data dialog is up; inDialog must close it.
    void WithDataDialog(const std::function<void()>& inDialog);
    // Inside the data dialog: both columns selected by their headers, then Ctrl+V.
    void PasteIntoDataGrid(const QString& clipboardText);
    // Inside the data dialog: a press on the "C" header and a drag to "Shift".
    void SelectDataColumnsByHeader();

    void SetParamCell(int col, int row, const std::string& text) {
        Main.ParamsGrid->SetCell(col, row, text);
    }
    std::string ParamCell(int col, int row) const { return Main.ParamsGrid->Cell(col, row); }
    // Value column of parameter i, parsed.
    double TableValue(int i) const;
    QString ChartTitle() const;
    // The title the chart shows for a criterion q with every parameter inside its bounds.
    static std::string TitleFor(double q);
    // The criterion a fresh fitting state gives for v, with the data the dialog holds and the
    // bounds and marks of the table.
    double FreshQ(const TParamVector& v) const;
    // The Value column shows the records, to the digits of the general format.
    void ExpectTableShowsTheRecords();

    TScriptedPrompts Prompts;
    TMainForm Main;
    TGetDataForm GetData{&Main};
    TOutGridForm OutGrid{&Main};
    TRememberParamsForm Minima{&Main};
};

}  // namespace kelmora::uitest
