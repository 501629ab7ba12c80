#include "analysis/StartSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kelmora::analysis {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Two descents that end closer than this (in every parameter) found the same point.
constexpr double SamePoint = 1e-4;
// SS must rise by this share above the higher of two minima between them for two basins; it is
// looked for at a quarter of the lattice step, so that no valley the lattice resolves hides the
// rise, and at no more than so many points.
constexpr double Barrier = 1e-6;
// Changes of SS below this share are rounding: a plateau (a constant the data do not show)
// has slopes and dips of random sign at that level, which must not each start a descent.
constexpr double Flat = 1e-7;
constexpr int MaxBarrierProbes = 64;

struct TLatticePoint {
    Eigen::VectorXd X;
    double Ss = Infinity;
    Eigen::VectorXd G;  // gradient of SS/2
};

struct TStart {
    Eigen::VectorXd X;
    double Ss = Infinity;
    Eigen::VectorXd Lo;  // the box the first descent stays in
    Eigen::VectorXd Hi;
    int Cell = -1;   // for a cell's start, the lattice index of its low corner
    int Point = -1;  // for a lattice minimum's start, its lattice index
};

class TLattice {
  public:
    explicit TLattice(const TStartLattice& lattice) : lattice_(lattice) {
        const Eigen::Index dims = lattice.First.size();
        for (Eigen::Index d = 0; d < dims; ++d) {
            const double span = (lattice.Last[d] - lattice.First[d]) / lattice.Step;
            count_.push_back(std::max(1, static_cast<int>(std::lround(span)) + 1));
            stride_.push_back(size_);
            size_ *= count_.back();
        }
    }

    int Size() const { return size_; }
    int Dims() const { return static_cast<int>(count_.size()); }
    int Count(int d) const { return count_[static_cast<std::size_t>(d)]; }
    int Stride(int d) const { return stride_[static_cast<std::size_t>(d)]; }
    int Coordinate(int index, int d) const { return index / Stride(d) % Count(d); }

    Eigen::VectorXd Point(int index) const {
        Eigen::VectorXd x = lattice_.First;
        for (int d = 0; d < Dims(); ++d) {
            x[d] += lattice_.Step * Coordinate(index, d);
        }
        return x;
    }

  private:
    const TStartLattice& lattice_;
    std::vector<int> count_;
    std::vector<int> stride_;
    int size_ = 1;
};

double SsAt(const TResidualFunction& f, const Eigen::VectorXd& x) {
    Eigen::VectorXd r;
    if (!f(x, r, nullptr)) {
        return Infinity;
    }
    const double ss = r.squaredNorm();
    return std::isfinite(ss) ? ss : Infinity;
}

// A lattice point below every axis neighbour by more than rounding.
bool LatticeMinimum(const TLattice& lattice, const std::vector<TLatticePoint>& points, int i) {
    for (int d = 0; d < lattice.Dims(); ++d) {
        const int c = lattice.Coordinate(i, d);
        const auto below = [&](int j) {
            return points[static_cast<std::size_t>(j)].Ss <=
                   points[static_cast<std::size_t>(i)].Ss * (1.0 + Flat);
        };
        if ((c > 0 && below(i - lattice.Stride(d))) ||
            (c + 1 < lattice.Count(d) && below(i + lattice.Stride(d)))) {
            return false;
        }
    }
    return std::isfinite(points[static_cast<std::size_t>(i)].Ss);
}

// Where the cubic through SS and its slope at both ends of a lattice edge (Hermite's) has a
// minimum strictly inside, as a share of the edge; a valley narrower than the step shows
// there even when neither end's slope points into it.
std::optional<double> CubicMinimum(double f0, double f1, double g0, double g1) {
    // p(t) = f0 + g0 t + b t^2 + a t^3 over t in [0, 1], slopes per edge.
    const double a = g0 + g1 - 2.0 * (f1 - f0);
    const double b = 3.0 * (f1 - f0) - 2.0 * g0 - g1;
    // p'(t) = 3a t^2 + 2b t + g0 = 0 at a minimum where p'' = 6a t + 2b > 0.
    if (a == 0.0) {
        return b > 0.0 && -g0 / (2.0 * b) > 0.0 && -g0 / (2.0 * b) < 1.0
                   ? std::optional<double>(-g0 / (2.0 * b))
                   : std::nullopt;
    }
    const double disc = b * b - 3.0 * a * g0;
    if (disc <= 0.0) {
        return std::nullopt;
    }
    const double t = (-b + std::sqrt(disc)) / (3.0 * a);  // the root where p'' > 0
    return t > 0.0 && t < 1.0 ? std::optional<double>(t) : std::nullopt;
}

// The cell whose low corner is i, when along every axis its corners' slopes point inwards (one
// on the low face falls, one on the high face rises) or an edge's cubic dips inside; axes with
// a single lattice value have no extent and no say. The descent starts from the lowest corner,
// moved to its edges' dips.
std::optional<TStart> Cell(const TLattice& lattice, const std::vector<TLatticePoint>& points, int i,
                           double step) {
    std::vector<int> axes;
    for (int d = 0; d < lattice.Dims(); ++d) {
        if (lattice.Count(d) > 1) {
            if (lattice.Coordinate(i, d) + 1 == lattice.Count(d)) {
                return std::nullopt;
            }
            axes.push_back(d);
        }
    }
    if (axes.empty()) {
        return std::nullopt;
    }
    const auto at = [&](int index) -> const TLatticePoint& {
        return points[static_cast<std::size_t>(index)];
    };
    std::vector<bool> fallsIn(axes.size(), false);
    std::vector<bool> risesOut(axes.size(), false);
    std::vector<bool> dips(axes.size(), false);
    TStart start;
    int lowest = i;
    for (int mask = 0; mask < (1 << axes.size()); ++mask) {
        int corner = i;
        for (std::size_t a = 0; a < axes.size(); ++a) {
            corner += ((mask >> a) & 1) * lattice.Stride(axes[a]);
        }
        if (!std::isfinite(at(corner).Ss)) {
            return std::nullopt;
        }
        for (std::size_t a = 0; a < axes.size(); ++a) {
            // The change of SS across the cell the slope foretells, against rounding.
            const double change = 2.0 * at(corner).G[axes[a]] * step;
            const double noise = Flat * at(corner).Ss;
            const bool high = ((mask >> a) & 1) == 1;
            fallsIn[a] = fallsIn[a] || (!high && change < -noise);
            risesOut[a] = risesOut[a] || (high && change > noise);
        }
        if (at(corner).Ss < start.Ss) {
            start.Ss = at(corner).Ss;
            lowest = corner;
        }
    }
    start.X = at(lowest).X;
    for (std::size_t a = 0; a < axes.size(); ++a) {
        // The edges along this axis, from each corner of the low face.
        const int d = axes[a];
        for (int mask = 0; mask < (1 << axes.size()); ++mask) {
            if (((mask >> a) & 1) == 1) {
                continue;
            }
            int lo = i;
            for (std::size_t b = 0; b < axes.size(); ++b) {
                lo += ((mask >> b) & 1) * lattice.Stride(axes[b]);
            }
            const int hi = lo + lattice.Stride(d);
            const double f0 = at(lo).Ss;
            const double f1 = at(hi).Ss;
            const double g0 = at(lo).G[d] * 2.0 * step;
            const double g1 = at(hi).G[d] * 2.0 * step;
            const auto t = CubicMinimum(f0, f1, g0, g1);
            const auto cubic = [&](double x) {
                return f0 + x * (g0 + x * ((3.0 * (f1 - f0) - 2.0 * g0 - g1) +
                                           x * (g0 + g1 - 2.0 * (f1 - f0))));
            };
            if (t && cubic(*t) < std::min(f0, f1) * (1.0 - Flat)) {
                dips[a] = true;
                if (lo == lowest || hi == lowest) {
                    start.X[d] = at(lo).X[d] + *t * step;
                }
            }
        }
        if (!dips[a] && !(fallsIn[a] && risesOut[a])) {
            return std::nullopt;
        }
    }
    start.Cell = i;
    start.Lo = at(i).X;
    start.Hi = start.Lo;
    for (int d : axes) {
        start.Hi[d] += step;
    }
    return start;
}

bool Inside(const Eigen::VectorXd& x, const TStart& box) {
    return (x.array() >= box.Lo.array()).all() && (x.array() <= box.Hi.array()).all();
}

// Whether b lies in a basin of its own rather than in a's; descents that end at one point
// found one.
bool Distinct(const TResidualFunction& f, const TSearchMinimum& a, const TSearchMinimum& b,
              double step, const std::function<bool()>& stop) {
    return (a.X - b.X).cwiseAbs().maxCoeff() >= SamePoint &&
           SeparateBasins([&](const Eigen::VectorXd& x) { return SsAt(f, x); }, a.X, a.Ss, b.X,
                          b.Ss, step, stop);
}

// The lattice coordinate along axis e of the cell that holds x, for x within a step of lattice
// point `point`; -1 when x lies on a lattice line, between two cells.
int CellCoordinate(const TLattice& lattice, const TStartLattice& grid, int point,
                   const Eigen::VectorXd& x, int e) {
    const int c = lattice.Coordinate(point, e);
    const double at = grid.First[e] + grid.Step * c;
    return x[e] > at && x[e] < at + grid.Step ? c : x[e] < at && x[e] > at - grid.Step ? c - 1 : -1;
}

// The cell a descent that ended on its box's walls would go on into: the one beyond every wall
// SS falls across (a face's, an edge's or a corner's neighbour, where a valley runs along a
// diagonal); -1 when it ended on no such wall or beyond the lattice. A lattice minimum's box is
// the four (eight) cells around its point.
int CellBeyond(const TLattice& lattice, const TStartLattice& grid, const TStart& start,
               const TLmResult& lm, const TLmOptions& boxed, const TLmOptions& options) {
    const Eigen::VectorXd& x = lm.X;
    const Eigen::VectorXd& g = lm.Gradient;
    if ((start.Cell < 0 && start.Point < 0) || g.size() != x.size()) {
        return -1;
    }
    int beyond = 0;
    bool across = false;
    for (int d = 0; d < lattice.Dims(); ++d) {
        const bool down = x[d] <= boxed.Lower[d] && boxed.Lower[d] > options.Lower[d] && g[d] > 0.0;
        const bool up = x[d] >= boxed.Upper[d] && boxed.Upper[d] < options.Upper[d] && g[d] < 0.0;
        across = across || down || up;
        const int shift = up ? 1 : down ? -1 : 0;
        if (lattice.Count(d) == 1 && shift == 0) {
            continue;  // an axis the lattice does not extend along has no cells to go on into
        }
        const int c = start.Cell >= 0 ? lattice.Coordinate(start.Cell, d) + shift
                      : shift != 0    ? lattice.Coordinate(start.Point, d) + (up ? 1 : -2)
                                      : CellCoordinate(lattice, grid, start.Point, x, d);
        if (c < 0 || c + 1 >= lattice.Count(d)) {
            return -1;
        }
        beyond += c * lattice.Stride(d);
    }
    return across ? beyond : -1;
}

// A descent from a cell first stays in its cell, one from a lattice minimum in the cells around
// it. When it ends on a wall with SS falling into a cell that has a start of its own, that start
// follows the valley on (a chain of cells along it ends in the cell that holds its minimum, or
// at a wall into a cell without a start), and this one ends with nothing found. Otherwise it is
// set free from the wall.
std::optional<TSearchMinimum> Descend(const TResidualFunction& f, const TLattice& lattice,
                                      const TStartLattice& grid,
                                      const std::vector<bool>& cellStarts, const TStart& start,
                                      const TLmOptions& options) {
    TLmOptions boxed = options;
    boxed.Lower = start.Lo.cwiseMax(options.Lower);
    boxed.Upper = start.Hi.cwiseMin(options.Upper);
    TLmResult lm = SolveLeastSquares(f, start.X, boxed);
    const bool onInnerWall =
        ((lm.X.array() <= boxed.Lower.array()) && (boxed.Lower.array() > options.Lower.array()))
            .any() ||
        ((lm.X.array() >= boxed.Upper.array()) && (boxed.Upper.array() < options.Upper.array()))
            .any();
    if (onInnerWall && lm.Summary.Stop != TStopReason::Stopped) {
        const int beyond = CellBeyond(lattice, grid, start, lm, boxed, options);
        if (beyond >= 0 && cellStarts[static_cast<std::size_t>(beyond)]) {
            return std::nullopt;
        }
        lm = SolveLeastSquares(f, lm.X, options);
    }
    return TSearchMinimum{lm.X, lm.Ss, lm.Summary};
}

}  // namespace

bool SeparateBasins(const std::function<double(const Eigen::VectorXd&)>& ss,
                    const Eigen::VectorXd& a, double ssA, const Eigen::VectorXd& b, double ssB,
                    double spacing, const std::function<bool()>& stop) {
    const double distance = (a - b).cwiseAbs().maxCoeff();
    const double top = std::max(ssA, ssB) * (1.0 + Barrier);
    const int probes =
        std::clamp(static_cast<int>(std::ceil(4.0 * distance / spacing)), 7, MaxBarrierProbes);
    for (int k = 1; k <= probes && !(stop && stop()); ++k) {
        const double t = static_cast<double>(k) / (probes + 1);
        if (ss((1.0 - t) * a + t * b) > top) {
            return true;
        }
    }
    return false;
}

TSearchResult SearchMinima(const TResidualFunction& f, const TStartLattice& startLattice,
                           const TLmOptions& options,
                           const std::vector<Eigen::VectorXd>& extraStarts,
                           const TGradientFunction& gradient) {
    const TGradientFunction slope =
        gradient ? gradient
                 : [&f](const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::VectorXd& g) {
                       Eigen::MatrixXd j;
                       if (!f(x, r, &j)) {
                           return false;
                       }
                       g = j.transpose() * r;
                       return true;
                   };
    const TLattice lattice(startLattice);
    TSearchResult result;
    const auto stopped = [&] { return options.Stop && options.Stop(); };
    std::vector<TLatticePoint> points(static_cast<std::size_t>(lattice.Size()));
    Eigen::VectorXd r;
    for (int i = 0; i < lattice.Size(); ++i) {
        if (stopped()) {
            result.Stopped = true;
            return result;
        }
        TLatticePoint& p = points[static_cast<std::size_t>(i)];
        p.X = lattice.Point(i).cwiseMax(options.Lower).cwiseMin(options.Upper);
        if (slope(p.X, r, p.G)) {
            const double ss = r.squaredNorm();
            p.Ss = std::isfinite(ss) && p.G.allFinite() ? ss : Infinity;
        }
        ++result.LatticePoints;
    }

    std::vector<TStart> starts;
    std::vector<bool> cellStarts(points.size(), false);
    for (const Eigen::VectorXd& x : extraStarts) {
        starts.push_back({x, SsAt(f, x), options.Lower, options.Upper});
    }
    const auto lowest = std::min_element(points.begin(), points.end(),
                                         [](const auto& a, const auto& b) { return a.Ss < b.Ss; }) -
                        points.begin();
    for (int i = 0; i < lattice.Size(); ++i) {
        const TLatticePoint& p = points[static_cast<std::size_t>(i)];
        if ((i == lowest && std::isfinite(p.Ss)) || LatticeMinimum(lattice, points, i)) {
            const Eigen::VectorXd reach = Eigen::VectorXd::Constant(p.X.size(), startLattice.Step);
            starts.push_back({p.X, p.Ss, p.X - reach, p.X + reach, -1, i});
        }
        if (auto cell = Cell(lattice, points, i, startLattice.Step)) {
            starts.push_back(std::move(*cell));
            cellStarts[static_cast<std::size_t>(i)] = true;
        }
    }
    std::stable_sort(starts.begin(), starts.end(),
                     [](const TStart& a, const TStart& b) { return a.Ss < b.Ss; });

    std::vector<TSearchMinimum> found;
    for (const TStart& start : starts) {
        const bool entered = std::any_of(found.begin(), found.end(), [&](const TSearchMinimum& m) {
            return Inside(m.X, start);
        });
        if (entered) {
            continue;
        }
        std::optional<TSearchMinimum> m =
            Descend(f, lattice, startLattice, cellStarts, start, options);
        ++result.Descents;
        if (!m) {
            continue;
        }
        found.push_back(std::move(*m));
        if (found.back().Summary.Stop == TStopReason::Stopped) {
            result.Stopped = true;
            break;
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const TSearchMinimum& a, const TSearchMinimum& b) { return a.Ss < b.Ss; });
    for (TSearchMinimum& m : found) {
        // The nearest first: a descent most often ended in the basin of the minimum closest to
        // it, and the others then need no probing.
        std::vector<const TSearchMinimum*> near;
        for (const TSearchMinimum& k : result.Minima) {
            near.push_back(&k);
        }
        std::sort(near.begin(), near.end(), [&](const TSearchMinimum* a, const TSearchMinimum* b) {
            return (a->X - m.X).squaredNorm() < (b->X - m.X).squaredNorm();
        });
        const bool known = std::any_of(near.begin(), near.end(), [&](const TSearchMinimum* k) {
            return !Distinct(f, *k, m, startLattice.Step, options.Stop);
        });
        if (!known) {
            result.Minima.push_back(std::move(m));
        }
    }
    return result;
}

}  // namespace kelmora::analysis
