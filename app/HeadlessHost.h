#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/FitSink.h"
#include "engine/FitState.h"
#include "minima/MinimaStore.h"
#include "util/TextTable.h"

namespace kelmora {

// Ctrl+C as the Stop button. While a guard lives, SIGINT only raises a flag that the host hands
// to the run at its next refresh; the flag stays up, so a refinement that clears StopRequested
// cannot swallow it. A second Ctrl+C ends the program the usual way.
class TSigintGuard {
  public:
    TSigintGuard();
    ~TSigintGuard();
    TSigintGuard(const TSigintGuard&) = delete;
    TSigintGuard& operator=(const TSigintGuard&) = delete;

    static bool Raised();
    static void ResetForTest();  // lowers the flag
};

// What the progress line says, kept apart from the terminal so that it can be checked.
struct TProgressInfo {
    bool Scanning = false;
    double ShareDone = 0.0;  // scan: of the outermost level, 0..1
    int MinimaFound = 0;
    std::int64_t Sweeps = 0;  // optimize
    double Q = 0.0;
};
std::string ProgressLineText(const TProgressInfo& info);

// The window, without a window: the parameter table as texts, the minima list as its store, a
// real millisecond clock, Ctrl+C as Stop and, when given a stream, a progress line drawn at each
// refresh the window would make.
class THeadlessFitHost : public IFitSink {
  public:
    THeadlessFitHost(const TFitState& state, TMinimaStore& minima, std::ostream* progress);
    ~THeadlessFitHost() override;
    THeadlessFitHost(const THeadlessFitHost&) = delete;
    THeadlessFitHost& operator=(const THeadlessFitHost&) = delete;

    TStringTable Table{ParamsGridCols, ParamsGridRows};

    std::uint32_t TickCount() override;
    // The answer is written once, at the end.
    void Refresh(const TFitState&) override {}
    bool TestStop() override;
    void PhaseChanged(TFitPhase phase) override;
    void ResetMinima() override { minima_.Reset(); }
    void AddMinimum(const TParamVector& v, double q) override { minima_.AddMinimum(v, q); }
    void EnableMinimaList() override {}

    // Takes the progress line off the terminal, as the run has ended (or failed).
    void EndProgressLine();
    // The progress line as the last refresh would draw it.
    TProgressInfo Progress() const;

  private:
    const TFitState& state_;
    TMinimaStore& minima_;
    std::ostream* progress_;
    bool scanning_ = false;
    bool refining_ = false;
    double shareDone_ = 0.0;
    std::int32_t iterAtStart_ = 0;
    bool lineShown_ = false;
};

}  // namespace kelmora
