#pragma once

#include <array>
#include <cstdint>

#include "engine/FitSink.h"
#include "engine/FitState.h"
#include "util/TextTable.h"

namespace kelmora {

// One nested loop of the scan, copied from its parameter's record when the scan starts.
struct TScanLevel {
    std::int32_t ParamIndex = 0;
    double StartValue = 0.0;
    double ScanStep = 0.0;
    std::int32_t StepsCount = 0;
};

// Alive for one scan. Level 0 is the outermost loop (lowest parameter index).
struct TScanContext {
    TFitState& State;
    IFitSink& Sink;
    std::array<TScanLevel, ParamCount> Levels{};
    std::int32_t LevelCount = 0;
    std::uint32_t LastRefreshTick = 0;
};

// A marked parameter whose Steps count is below 2 has no lattice to walk (one value has no
// spacing; fewer never run the loop, and the scan would end with the Values overwritten). Such a
// table is refused by name before anything is read or changed.
void RefuseShortLattices(const ITextTable& table);

// The "Scan" command: reads the table, scans the marked parameters, shows the end state.
void ScanCommand(TFitState& state, const ITextTable& table, const TFitSettings& settings,
                 IFitSink& sink);

// One nested loop per marked parameter; candidates along the innermost one go through the
// local-minimum test and, when confirmed, into the minima list.
void ScanParameters(TFitState& state, IFitSink& sink);
void ScanLevel(TScanContext& ctx, std::int32_t d);

// The Values into SavedParams and back; Q is neither saved nor restored.
void SaveParams(TFitState& state);
void RestoreParams(TFitState& state);
// Lists the current point with the current Q.
void RememberParams(TFitState& state, IFitSink& sink);
// Polishes a confirmed minimum with the optimiser, on half the lattice spacing.
void RefineMinimum(TFitState& state, IFitSink& sink);

}  // namespace kelmora
