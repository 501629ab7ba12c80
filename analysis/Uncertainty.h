#pragma once

#include <Eigen/Dense>
#include <vector>

namespace kelmora::analysis {

struct TFreeCovariance {
    Eigen::MatrixXd Cov;  // p x p; NaN in the rows and columns of undetermined parameters
    std::vector<bool> Determined;
};

// variance·(JᵀJ)⁻¹ for the free parameters through an SVD of the Jacobian taken with respect
// to each parameter in its natural unit (parameter / unit: ppm for shifts, lg units for lg K,
// ppm at the largest C for a linear term). A direction the data leave flat marks the
// parameters it is made of as undetermined; the others get their covariance with those held
// where they are.
TFreeCovariance FreeCovariance(const Eigen::MatrixXd& jacobian, const Eigen::VectorXd& unit,
                               double variance, std::vector<bool> determined);

// Two-sided 95 % quantile of Student's t with dof degrees of freedom.
double T975(int dof);

// The 95 % quantile of the F distribution with (d1, d2) degrees of freedom.
double F95(int d1, int d2);

// Upper tail of the F distribution with (d1, d2) degrees of freedom at f.
double FUpperTail(double f, int d1, int d2);

}  // namespace kelmora::analysis
