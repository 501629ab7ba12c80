#pragma once

// The constants chemists quote beside the overall ones: the stepwise lg K2 (PL + L <=> PL2) and
// the interaction parameter alpha = 4·K2step/K1, which is 1 when the two sites bind alike.

#include <Eigen/Dense>
#include <vector>

#include "analysis/Analysis.h"

namespace kelmora::analysis {

// lgK2step and alpha from a full parameter vector of the model (lg K first); empty for a model
// without both PL and PL2.
std::vector<double> DerivedValues(const TModelDef& model, const Eigen::VectorXd& values);

// lgK2step and alpha of a described model, with their SE from its covariance and 95 %
// intervals (alpha's is the interval of lg alpha raised to the power, so it stays positive);
// empty for a model without both PL and PL2.
std::vector<TParamResult> DerivedParams(const TModelResult& r);

}  // namespace kelmora::analysis
