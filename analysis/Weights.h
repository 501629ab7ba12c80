#pragma once

// Signals of different noise. Weighting each signal by its own residual variance is the same
// as fitting the shifts divided by that signal's sd: the lg K do not change under the scaling
// and the per-signal linear parameters scale with it, so the whole analysis runs on scaled
// shifts and its per-signal numbers are scaled back to ppm at the end.

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "analysis/SeparableFit.h"

namespace kelmora::analysis {

// Each signal's residual sd (ppm) under the layout's model, iterated until the fit weighted
// by them gives them back.
Eigen::VectorXd SignalSd(const TLayout& layout, const TFitData& data);

// The shifts of each signal divided by its sd.
TFitData ScaledData(TFitData data, const Eigen::VectorXd& sd);

// A model described on scaled shifts, in ppm again: values, errors, intervals, covariance,
// residuals and replicates of the per-signal parameters.
void Unscale(TModelResult& r, const TLayout& layout, const Eigen::VectorXd& sd);

// "Signals of different noise (residual RMS, ppm): s1 0.0011, s2 0.031; …" when one signal's
// RMS differs from the others' by more than a factor 3; empty otherwise.
std::string NoiseNote(const TModelResult& r, const std::vector<std::string>& signalNames);

}  // namespace kelmora::analysis
