// A scan of the default table's three marked parameters (100 x 100 x 101 lattice) on a
// 30-point titration, headless.
#include <benchmark/benchmark.h>

#include "BenchCommand.h"
#include "engine/Scan.h"

namespace {

void BM_ScanDefaultTable(benchmark::State& state) {
    kelmora::bench::BenchCommand(state, kelmora::ScanCommand);
}
// lg K2 -1000 is the default table (PL2 off); 3 turns the second equilibrium on.
BENCHMARK(BM_ScanDefaultTable)->Arg(-1000)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
