#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/FitSink.h"
#include "engine/FitState.h"
#include "util/TextTable.h"
#include "util/TickCount.h"

namespace kelmora::testing {

inline const char* PhaseName(TFitPhase phase) {
    switch (phase) {
        case TFitPhase::Optimizing:
            return "Optimizing";
        case TFitPhase::Scanning:
            return "Scanning";
        case TFitPhase::Refining:
            return "Refining";
        case TFitPhase::ScanningOn:
            return "ScanningOn";
    }
    return "?";
}

// A front end without a window: the parameter table as texts (a refresh writes the state into
// it, as the window does with its grid), the settings the window would hand over, a clock that
// moves by a set amount at every reading (or the machine's own), counters and an ordered log
// of the calls, and hooks that let a test press Stop from inside a run.
class TFakeFitSink : public IFitSink {
  public:
    std::uint32_t Clock = 0;
    std::uint32_t TickAdvance = 0;
    std::uint32_t RefreshCost = 0;  // ms a refresh takes on the fake clock: a slow redraw
    bool RealClock = false;         // benchmarks: milliseconds as they pass
    std::function<void()> OnTick;
    std::function<void()> OnTestStop;
    bool StopAnswer = false;  // what TestStop says after its hook

    TStringTable Table{ParamsGridCols, ParamsGridRows};
    TFitSettings Settings;

    int TestStopCount = 0;
    int RefreshCount = 0;
    int ResetMinimaCount = 0;
    int EnableListCount = 0;
    std::vector<TFitPhase> Phases;
    std::vector<std::string> Log;
    std::vector<std::pair<TParamVector, double>> Minima;

    std::uint32_t TickCount() override {
        if (RealClock) {
            return MonotonicTickCount();
        }
        const std::uint32_t t = Clock;
        Clock += TickAdvance;
        if (OnTick) {
            OnTick();
        }
        return t;
    }
    void Refresh(const TFitState& state) override {
        ++RefreshCount;
        Clock += RefreshCost;
        state.WriteParamsTable(Table);
        Log.emplace_back("refresh");
    }
    bool TestStop() override {
        ++TestStopCount;
        Log.emplace_back("test stop");
        if (OnTestStop) {
            OnTestStop();
        }
        return StopAnswer;
    }
    void PhaseChanged(TFitPhase phase) override {
        Phases.push_back(phase);
        Log.push_back(std::string("phase ") + PhaseName(phase));
    }
    void ResetMinima() override {
        ++ResetMinimaCount;
        Minima.clear();
        Log.emplace_back("reset list");
    }
    void AddMinimum(const TParamVector& v, double q) override { Minima.emplace_back(v, q); }
    void EnableMinimaList() override {
        ++EnableListCount;
        Log.emplace_back("enable list");
    }
};

// Titration points whose shifts the model reproduces exactly for the state's current Values.
inline void MakeSyntheticTitration(TFitState& state, int n, double p0, double maxConc) {
    state.SetPointCount(n);
    state.PorphyrinConc = p0;
    state.Weight = 10000.0 / n;
    for (int j = 0; j < n; ++j) {
        state.Points[j].Conc = maxConc * (j + 1) / n;
    }
    state.ComputeQ();
    for (TDataPoint& pt : state.Points) {
        pt.ExpShift = pt.TheorShift;
    }
}

}  // namespace kelmora::testing
