// File > Open of a Kelmora file and File > Import Data in the main window, offscreen, for
// titrations of 1,000 to 100,000 points, and the import of one 10 MB line: each should grow
// linearly with the file (the complexity line the library prints) and stay well within 2 s at
// 20,000 points and at 10 MB.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <string>

#include "files/AtomicFile.h"
#include "files/KelmoraFile.h"
#include "minima/RemParams_u.h"
#include "ui/FileMenu.h"
#include "ui/OutGrid_u.h"
#include "ui/WindowDocument.h"
#include "ui/getdata_u.h"
#include "ui/main_u.h"

using namespace kelmora;

namespace {

// The program's windows, made once: a benchmark opens file after file in them as a user would.
struct TWindows {
    TMainForm Main;
    TGetDataForm GetData{&Main};
    TOutGridForm OutGrid{&Main};
    TRememberParamsForm Minima{&Main};
    QTemporaryDir Dir;

    // As the program starts them, the separator shown on the main window in force.
    TWindows() {
        Main.SetForms(&GetData, &OutGrid, &Minima);
        Main.UpdateDecSepButtonClick();
    }

    QString Path(const std::string& name) const {
        return Dir.filePath(QString::fromStdString(name));
    }
};

// Made by main inside the application's lifetime, and gone before it ends.
TWindows* TheWindows = nullptr;

TWindows& Windows() {
    return *TheWindows;
}

// Points of a 1:1 titration, written as the table holds them.
std::vector<std::array<std::string, 2>> Points(int n) {
    std::vector<std::array<std::string, 2>> cells;
    for (int i = 0; i < n; ++i) {
        const double c = 1e-3 * (i + 1) / n * 50.0;
        cells.push_back({std::to_string(c), std::to_string(8.0 + c / (c + 0.003))});
    }
    return cells;
}

void BM_OpenKelmoraFile(benchmark::State& state) {
    TWindows& w = Windows();
    TKelmoraDocument doc = CaptureDocument(w.Main, nullptr);
    doc.DataCells = Points(static_cast<int>(state.range(0)));
    const QString path = w.Path("open-" + std::to_string(state.range(0)) + ".kelmora");
    WriteKelmoraFile(path.toStdString(), doc);
    for (auto _ : state) {
        state.PauseTiming();
        w.Main.Files->MarkClean();  // as just saved: nothing to ask before opening
        state.ResumeTiming();
        w.Main.Files->OpenFile(path);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OpenKelmoraFile)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_ImportDataFile(benchmark::State& state) {
    TWindows& w = Windows();
    std::string text = "C\tShift\n";
    for (const auto& [c, shift] : Points(static_cast<int>(state.range(0)))) {
        text += c + "\t" + shift + "\n";
    }
    const QString path = w.Path("import-" + std::to_string(state.range(0)) + ".txt");
    WriteFileAtomically(path.toStdString(), text);
    for (auto _ : state) {
        w.Main.Files->ImportFile(path);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportDataFile)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// One line of comma-separated numbers, as a broken export writes it: the column choice comes up
// (and is taken at once here) with its bounded preview.
void BM_ImportOneLongLine(benchmark::State& state) {
    TWindows& w = Windows();
    std::string line;
    for (int k = 0; line.size() < static_cast<std::size_t>(state.range(0)); ++k) {
        line += std::to_string(k % 1000) + ".25,";
    }
    const QString path = w.Path("line-" + std::to_string(state.range(0)) + ".csv");
    WriteFileAtomically(path.toStdString(), line);
    for (auto _ : state) {
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->accept();
            }
        });
        w.Main.Files->ImportFile(path);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportOneLongLine)
    ->RangeMultiplier(10)
    ->Range(100000, 10000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The list of recent files lives in the settings: the benchmark keeps its own apart.
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KelmoraBench"));
    TWindows windows;
    TheWindows = &windows;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
