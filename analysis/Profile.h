#pragma once

// Profile-likelihood intervals of the lg K. Only the lg K are nonlinear, so the profile over one
// of them refits at most two other lg K; the linear parameters are exact at every point.

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "analysis/SeparableFit.h"

namespace kelmora::analysis {

struct TProfile {
    // The ends of the region where the profile SS stays at or below the cut; absent where it
    // stays below up to the search limit (the interval is open on that side).
    std::optional<double> Lo;
    std::optional<double> Hi;
    // The range each parameter (full vector) takes at the profile points inside the region:
    // how far the others move while this lg K roams its region.
    Eigen::VectorXd Min;
    Eigen::VectorXd Max;
};

// The SS at which the 95 % profile region ends: SS·(1 + F(0.95; 1, dof)/dof).
double ProfileCut(double ss, int dof);

// The 95 % profile region of the free lg K at index k around the best fit; others are the other
// minima of SS the fit's start search found, of which those under the cut join the region.
TProfile ProfileLgK(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& best, int k,
                    double cut, const std::vector<TFitOutcome>& others = {});

// The profile region of every free lg K of a described model. One whose region is open is
// undetermined, and every parameter that leaves its asymptotic interval while that lg K roams
// its region loses its SE: the covariance took the lg K as known to within its curvature.
// Returns the names of the lg K that lose it though their own region is closed.
std::vector<std::string> SetProfiles(TModelResult& r, const TLayout& layout, const TFitData& data,
                                     const Eigen::VectorXd& values,
                                     const std::vector<TFitOutcome>& others);

// What the data leave open, e.g. "Not determined by the data: lgK2 (lgK2 < 5.38), dPL2.s1.";
// tied names those that lost their SE to an undetermined lg K; empty when all is determined.
std::string UndeterminedNote(const TModelResult& r, const std::vector<std::string>& tied);

}  // namespace kelmora::analysis
