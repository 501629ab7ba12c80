// One Optimize of the default table on a 30-point titration, from the table's start values.
#include <benchmark/benchmark.h>

#include "BenchCommand.h"
#include "engine/Optimizer.h"

namespace {

void BM_OptimizeDefaultTable(benchmark::State& state) {
    kelmora::bench::BenchCommand(state, kelmora::OptimizeCommand);
}
// lg K2 -1000 is the default table (PL2 off); 3 turns the second equilibrium on.
BENCHMARK(BM_OptimizeDefaultTable)->Arg(-1000)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
