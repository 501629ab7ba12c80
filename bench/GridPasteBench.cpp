#include <benchmark/benchmark.h>

#include <string>

#include "grid/GridCore.h"

using namespace kelmora;

namespace {

// Titration-like data as a spreadsheet puts it on the clipboard: two values a line, CR LF.
std::string PasteText(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += "0.00" + std::to_string(i) + "\t8.3121" + std::to_string(i % 97) + "\r\n";
    }
    return text;
}

// The source-data table as designed: 2 columns, 100 rows, a header row; paste from row 1 grows it.
void BM_PasteLines(benchmark::State& state) {
    const std::string text = PasteText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TGridCore grid;
        grid.SetColCount(2);
        grid.SetRowCount(100);
        grid.SetFixedCols(0);
        grid.SetFixedRows(1);
        grid.SetSelection({0, 1, 1, 1});
        grid.PasteText(text);
        benchmark::DoNotOptimize(grid.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PasteLines)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CopyLines(benchmark::State& state) {
    TGridCore grid;
    grid.SetColCount(2);
    grid.SetFixedCols(0);
    grid.SetSelection({0, 1, 1, 1});
    grid.PasteText(PasteText(static_cast<int>(state.range(0))));
    grid.SetSelection({0, 1, 1, grid.RowCount() - 1});
    for (auto _ : state) {
        benchmark::DoNotOptimize(grid.CopyText());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyLines)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
