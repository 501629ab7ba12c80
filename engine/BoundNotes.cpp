#include "engine/BoundNotes.h"

#include <cmath>

namespace kelmora {

namespace {

// The search ends as soon as halving would take the steps below Min. step, so its last steps
// lie between one and two Min. steps. A Value closer than that to a bound could not take its
// last step towards it.
bool NearBound(double value, double bound, double minStep) {
    return std::fabs(value - bound) < 2.0 * std::fabs(minStep);
}

bool OutOfBounds(const TFitParam& p) {
    return p.Value < p.MinVal || p.Value > p.MaxVal;
}

std::string Note(const char* what, const std::vector<int>& params) {
    if (params.empty()) {
        return "";
    }
    std::string text = std::string(" (") + what + ": ";
    const std::vector<std::string> names = ParamNames(params);
    for (std::size_t k = 0; k < names.size(); ++k) {
        text += (k > 0 ? ", " : "") + names[k];
    }
    return text + ")";
}

}  // namespace

std::vector<int> OutOfBoundsParams(const TFitState& state) {
    std::vector<int> params;
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        if (p.Optimize && OutOfBounds(p)) {
            params.push_back(i);
        }
    }
    return params;
}

std::vector<int> AtBoundParams(const TFitState& state) {
    std::vector<int> params;
    if (!state.OptimizeEnded) {
        return params;
    }
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = state.FitParams[i];
        if (p.Optimize && !OutOfBounds(p) &&
            (NearBound(p.Value, p.MinVal, p.MinStep) || NearBound(p.Value, p.MaxVal, p.MinStep))) {
            params.push_back(i);
        }
    }
    return params;
}

std::vector<std::string> ParamNames(const std::vector<int>& params) {
    std::vector<std::string> names;
    names.reserve(params.size());
    for (const int i : params) {
        names.emplace_back(ParamRowLabels[i]);
    }
    return names;
}

std::string BoundNotesText(const TFitState& state) {
    return Note("out of bounds", OutOfBoundsParams(state)) + Note("at bound", AtBoundParams(state));
}

}  // namespace kelmora
