#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/FitHost.h"
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
class THeadlessFitHost : public IFitHost {
  public:
    THeadlessFitHost(TFitState& state, TMinimaStore& minima, std::string iterCountText,
                     bool finishMinima, std::ostream* progress);

    TStringTable Table{ParamsGridCols, ParamsGridRows};

    std::uint32_t TickCount() override;
    void ProcessMessages() override;
    void SetCaption(const std::string& text) override;
    void Beep() override {}
    ITextTable& ParamsTable() override { return Table; }
    std::string IterCountText() override { return iterCountText_; }
    bool FinishMinimaChecked() override { return finishMinima_; }
    void RedrawChart() override {}
    void DisableButtons() override;
    void EnableButtons() override;
    void ResetMinima() override { minima_.Reset(); }
    void AddMinimum(const TParamVector& v, double q) override { minima_.AddMinimum(v, q); }
    void EnableMinimaList() override {}

    // The progress line as the last refresh would draw it.
    TProgressInfo Progress() const;

  private:
    TFitState& state_;
    TMinimaStore& minima_;
    std::string iterCountText_;
    bool finishMinima_;
    std::ostream* progress_;
    bool scanning_ = false;
    bool refining_ = false;
    double shareDone_ = 0.0;
    std::int32_t iterAtStart_ = 0;
    bool lineShown_ = false;
};

}  // namespace kelmora
