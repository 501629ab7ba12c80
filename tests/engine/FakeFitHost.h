#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/FitHost.h"
#include "engine/FitState.h"
#include "util/TextTable.h"

namespace kelmora::testing {

// A window stand-in: a clock that moves by a set amount at every reading, counters for the
// UI calls, an ordered log of them, and hooks that let a test press Stop from inside a run.
class TFakeFitHost : public IFitHost {
  public:
    std::uint32_t Clock = 0;
    std::uint32_t TickAdvance = 0;
    std::function<void()> OnTick;
    std::function<void()> OnProcessMessages;

    TStringTable Table{8, 7};
    std::string IterText = "1000000000";
    bool FinishMinima = false;

    int ProcessCount = 0;
    int RedrawCount = 0;
    int BeepCount = 0;
    int DisableCount = 0;
    int EnableCount = 0;
    int ResetMinimaCount = 0;
    int EnableListCount = 0;
    std::vector<std::string> Captions;
    std::vector<std::string> Log;
    std::vector<std::pair<TParamVector, double>> Minima;

    std::uint32_t TickCount() override {
        const std::uint32_t t = Clock;
        Clock += TickAdvance;
        if (OnTick) {
            OnTick();
        }
        return t;
    }
    void ProcessMessages() override {
        ++ProcessCount;
        Log.emplace_back("process");
        if (OnProcessMessages) {
            OnProcessMessages();
        }
    }
    void SetCaption(const std::string& text) override {
        Captions.push_back(text);
        Log.push_back("caption " + text);
    }
    void Beep() override {
        ++BeepCount;
        Log.emplace_back("beep");
    }
    ITextTable& ParamsTable() override { return Table; }
    std::string IterCountText() override { return IterText; }
    bool FinishMinimaChecked() override { return FinishMinima; }
    void RedrawChart() override {
        ++RedrawCount;
        Log.emplace_back("redraw");
    }
    void DisableButtons() override {
        ++DisableCount;
        Log.emplace_back("disable");
    }
    void EnableButtons() override {
        ++EnableCount;
        Log.emplace_back("enable");
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
