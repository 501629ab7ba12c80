#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "engine/FitTypes.h"
#include "util/TextTable.h"

namespace kelmora {

// Everything the long commands need from the window they run in. The desktop window, the
// headless front end and the tests each provide one.
class IFitHost {
  public:
    virtual ~IFitHost() = default;
    virtual std::uint32_t TickCount() = 0;  // ms, 32-bit wrapping
    virtual void ProcessMessages() = 0;     // process all pending window events
    virtual void SetCaption(const std::string& text) = 0;
    virtual void Beep() = 0;
    virtual ITextTable& ParamsTable() = 0;    // the parameter table (util/TextTable.h)
    virtual std::string IterCountText() = 0;  // IterCountEdit's text
    virtual bool FinishMinimaChecked() = 0;   // FinishMinimaCheck
    virtual void RedrawChart() = 0;
    virtual void DisableButtons() = 0;  // the UI disables Compute, Optimize and Scan
    virtual void EnableButtons() = 0;
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
