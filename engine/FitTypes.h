#pragma once

#include <array>
#include <cstdint>

namespace kelmora {

// Parameter order, shared by the records, the table rows and the parameter vector.
enum TParamIndex : int {
    piLgK1 = 0,
    piLgK2 = 1,
    piShiftP = 2,
    piShiftPL = 3,
    piShiftPL2 = 4,
    piKUnspecific = 5,
};
inline constexpr int ParamCount = 6;

// The parameters' names, as the rows of the parameter table show them.
inline constexpr std::array<const char*, ParamCount> ParamRowLabels = {
    "Lg(K1)", "Lg(K2)", "C.Shift (P)", "C.Shift (PL)", "C.Shift (PL2)", "K (unspecif)"};

struct TFitParam {
    double Value = 0.0;
    double Step = 0.0;
    double MaxStep = 0.0;
    double MinStep = 0.0;
    double MinVal = 0.0;
    double MaxVal = 0.0;
    std::int32_t StepsCount = 0;
    double ScanStep = 0.0;
    bool AtMinStep = false;
    bool Optimize = false;
    bool ScanFlag = false;
};

struct TDataPoint {
    double Conc = 0.0;
    double ExpShift = 0.0;
    double TheorShift = 0.0;
    double Alpha1 = 0.0;
    double Alpha2 = 0.0;
    double SolvedConc = 0.0;
};

// The six Values in parameter order: how a parameter point is saved, listed and restored.
using TParamVector = std::array<double, ParamCount>;

}  // namespace kelmora
