#pragma once

// Every basin of a least-squares problem in a few parameters (the free lg K of a model, one to
// three of them), not just the one nearest to a guess.
//
// What it promises: SS and its gradient are taken on a lattice of the given step over the
// given box; a descent is started from
//   - the lowest lattice point, and every lattice point below all its axis neighbours (edges
//     included), and
//   - every lattice cell that shows a valley along each axis: some corner on its low face
//     descends towards higher values and some corner on its high face towards lower ones, or
//     the cubic through SS and slope at an edge's two ends dips inside the edge.
// A minimum inside a cell over which SS is near its cubic model always meets the second rule,
// however narrow its valley, so a basin that holds a cell, or that is seen as a lattice
// minimum, is entered. Changes of SS below 1e-7 of it count as rounding, so a plateau starts
// nothing but its lowest point. Each descent first stays in its cell (or the cells around its
// lattice point), so it cannot jump over the basin it was started for, and then is set free should
// it end on that box's walls, unless SS falls from there into the cell beyond them (across a
// face, or an edge or corner where a valley runs diagonally), and that cell has a start of its
// own, which takes the valley on. Descents that end in one basin are one minimum:
// two minima are distinct only when SS rises between them.

#include <Eigen/Dense>
#include <functional>
#include <vector>

#include "analysis/LevenbergMarquardt.h"

namespace kelmora::analysis {

struct TStartLattice {
    Eigen::VectorXd First;  // one entry per parameter
    Eigen::VectorXd Last;
    double Step = 0.1;
};

struct TSearchMinimum {
    Eigen::VectorXd X;
    double Ss = 0.0;
    TLmSummary Summary;
};

struct TSearchResult {
    std::vector<TSearchMinimum> Minima;  // distinct, lowest SS first; those found when stopped
    bool Stopped = false;
    int LatticePoints = 0;
    int Descents = 0;
};

// Whether b lies in a basin of its own rather than in a's: SS (ss at a point), looked for at
// points a quarter of spacing apart on the straight way between them (at least 7, at most 64),
// rises above the higher of the two by more than a millionth of it somewhere.
bool SeparateBasins(const std::function<double(const Eigen::VectorXd&)>& ss,
                    const Eigen::VectorXd& a, double ssA, const Eigen::VectorXd& b, double ssB,
                    double spacing, const std::function<bool()>& stop = {});

// Fills r with the residuals at x and g with the gradient of SS/2 there (Jᵀr); false when x
// cannot be evaluated.
using TGradientFunction =
    std::function<bool(const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::VectorXd& g)>;

// options bound every descent (its Lower and Upper, required, hold the whole search) and may
// stop the search; extraStarts are descended from as well (a nested model's optimum, say), each
// unless a minimum was found before it: starts go lowest SS first, so that minimum is no higher.
// gradient, when given, stands in for f where only SS and its gradient are wanted (the lattice),
// should it come cheaper than the Jacobian.
TSearchResult SearchMinima(const TResidualFunction& f, const TStartLattice& lattice,
                           const TLmOptions& options,
                           const std::vector<Eigen::VectorXd>& extraStarts = {},
                           const TGradientFunction& gradient = {});

}  // namespace kelmora::analysis
