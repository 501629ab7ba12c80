#pragma once

#include <cstdint>
#include <exception>

#include "engine/FitTypes.h"

namespace kelmora {

class TFitState;

// Where a long command is. Each phase has its own caption in the window and its own progress
// line in kelmora-fit; nobody has to read a caption back to know which one runs.
enum class TFitPhase {
    Optimizing,  // Optimize's search, once the table has been read
    Scanning,    // Scan's lattice walk, once the table has been read
    Refining,    // the optimiser polishing a minimum the scan has just found
    ScanningOn,  // the lattice walk again after a refinement
};

// What a long command tells the front end it runs in while it runs: the desktop window,
// kelmora-fit and the tests each provide one. The command gets its inputs as values when it
// starts; everything else (captions, buttons, the beep) is the front end's own business.
class IFitSink {
  public:
    virtual ~IFitSink() = default;
    virtual std::uint32_t TickCount() = 0;  // ms, 32-bit wrapping
    // A refresh: show the state's Values, Q and model (the table and the chart).
    virtual void Refresh(const TFitState& state) = 0;
    // Lets pending user events run; true when they asked for a stop (Stop, closing the window,
    // Ctrl+C). A stop already recorded in the state counts as well, whatever this says.
    virtual bool TestStop() = 0;
    virtual void PhaseChanged(TFitPhase phase) = 0;
    virtual void ResetMinima() = 0;  // minima list calls
    virtual void AddMinimum(const TParamVector& v, double q) = 0;
    virtual void EnableMinimaList() = 0;
};

// Runs an action only when the scope is left by an exception. The error still travels on to
// the application's handler; this just keeps a failed command from leaving the window
// half-disabled for good.
template <class TAction>
class TOnUnwind {
  public:
    explicit TOnUnwind(TAction action) : action_(action) {}
    TOnUnwind(const TOnUnwind&) = delete;
    TOnUnwind& operator=(const TOnUnwind&) = delete;
    ~TOnUnwind() {
        if (std::uncaught_exceptions() > uncaughtOnEntry_) {
            action_();
        }
    }

  private:
    TAction action_;
    int uncaughtOnEntry_ = std::uncaught_exceptions();
};

}  // namespace kelmora
