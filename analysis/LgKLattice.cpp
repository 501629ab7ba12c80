#include "analysis/LgKLattice.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelmora::analysis {
namespace {

constexpr double RelativeTolerance = 1e-12;
constexpr int MaxIterations = 500;
constexpr double Eps = std::numeric_limits<double>::epsilon();

// The start lattice: each coordinate (see LatticeMap) from -1 to 9, finer the fewer lg K are
// free, so that three free lg K cost about what two do. The search itself may go anywhere
// within -10 to 20 in each coordinate, the limits of a first-order lg K.
constexpr double LatticeFirst = -1.0;
constexpr double LatticeLast = 9.0;
constexpr double LatticeStep[3] = {0.1, 0.5, 1.0};
constexpr double CoordinateMin = -10.0;
constexpr double CoordinateMax = 20.0;

// The descents only tell the basins apart; each minimum found is then refined to the full
// tolerance. So they stop as soon as SS settles to a few digits, or after a score of steps
// along a valley that runs off towards a limit (its refinement follows it on).
constexpr double SearchTolerance = 1e-8;
constexpr int SearchIterations = 20;

// The order of lg K j: that of the first complex it moves, m + n - 1.
int LgKOrder(const TModelDef& model, int j) {
    for (const TModelComplex& c : model.Complexes) {
        if (c.LgKCoefficients[static_cast<std::size_t>(j)] != 0.0) {
            return c.Species.M + c.Species.N - 1;
        }
    }
    return 1;
}

// The lg K that is PL's constant alone, from which the lattice measures the higher ones; -1 when
// the model has none.
int StepBase(const TModelDef& model) {
    for (const TModelComplex& c : model.Complexes) {
        const auto& k = c.LgKCoefficients;
        if (c.Species == TSpecies{1, 1} &&
            std::count(k.begin(), k.end(), 0.0) + 1 == static_cast<std::ptrdiff_t>(k.size())) {
            const auto it = std::find_if(k.begin(), k.end(), [](double x) { return x == 1.0; });
            if (it != k.end()) {
                return static_cast<int>(it - k.begin());
            }
        }
    }
    return -1;
}

// The start search walks the coordinates in which the chemistry's features run along the axes:
// lg K1, and each higher constant as its step beyond lg K1 (lg K2 - lg K1 for PL2, lg K21 - lg K1
// for P2L: the stepwise constants); without lg K1 a constant of order o walks lg K / o, the mean
// constant per bond. Free lg K = M u + C over the search's u.
struct TLatticeMap {
    Eigen::MatrixXd M;
    Eigen::VectorXd C;
};

TLatticeMap LatticeMap(const TLgKSpace& space, const std::vector<int>& freeLgK) {
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    TLatticeMap map{Eigen::MatrixXd::Identity(k, k), Eigen::VectorXd::Zero(k)};
    const int base = StepBase(space.Model);
    const auto baseAt = std::find(freeLgK.begin(), freeLgK.end(), base);
    for (Eigen::Index a = 0; a < k; ++a) {
        const int j = freeLgK[static_cast<std::size_t>(a)];
        const int order = LgKOrder(space.Model, j);
        if (order == 1 || j == base) {
            continue;
        }
        if (base < 0) {
            map.M(a, a) = order;
        } else if (baseAt == freeLgK.end()) {
            map.C[a] = space.FixedValues[base];
        } else {
            map.M(a, baseAt - freeLgK.begin()) = 1.0;
        }
    }
    return map;
}

}  // namespace

double LgKMin(const TModelDef& model, int j) {
    return -10.0 * LgKOrder(model, j);
}

double LgKMax(const TModelDef& model, int j) {
    return 20.0 * LgKOrder(model, j);
}

TLmOptions LgKFitOptions(const Eigen::MatrixXd& observations, const std::function<bool()>& stop) {
    TLmOptions options;
    options.RelativeTolerance = RelativeTolerance;
    options.MaxIterations = MaxIterations;
    const double largest = observations.size() > 0 ? observations.cwiseAbs().maxCoeff() : 0.0;
    options.SsFloor = static_cast<double>(observations.size()) * std::pow(16.0 * Eps * largest, 2);
    options.Stop = stop;
    return options;
}

std::vector<int> TLgKSpace::Free() const {
    std::vector<int> free;
    for (std::size_t j = 0; j < Model.LgK.size(); ++j) {
        if (!Fixed[j]) {
            free.push_back(static_cast<int>(j));
        }
    }
    return free;
}

TLgKSearch SearchLgK(const TLgKSpace& space, const TResidualFunction& residuals, TLmOptions options,
                     const std::vector<Eigen::VectorXd>& extraStarts, int latticeOf,
                     const TGradientFunction& gradient) {
    const std::vector<int> freeLgK = space.Free();
    const auto k = static_cast<Eigen::Index>(freeLgK.size());
    const TLatticeMap map = LatticeMap(space, freeLgK);
    options.RelativeTolerance = SearchTolerance;
    options.MaxIterations = SearchIterations;
    options.Lower = Eigen::VectorXd::Constant(k, CoordinateMin);
    options.Upper = Eigen::VectorXd::Constant(k, CoordinateMax);
    // Thousands of calls: the lg K and the chain rule's products go through kept buffers.
    Eigen::VectorXd lgK(k);
    Eigen::MatrixXd chained;
    Eigen::VectorXd slope;
    const auto toLgK = [&](const Eigen::VectorXd& u) -> const Eigen::VectorXd& {
        lgK.noalias() = map.M * u;
        lgK += map.C;
        return lgK;
    };
    const TResidualFunction inCoordinates = [&](const Eigen::VectorXd& u, Eigen::VectorXd& r,
                                                Eigen::MatrixXd* j) {
        if (!residuals(toLgK(u), r, j)) {
            return false;
        }
        if (j != nullptr) {
            chained.noalias() = *j * map.M;
            j->swap(chained);
        }
        return true;
    };
    TGradientFunction slopeInCoordinates;
    if (gradient) {
        slopeInCoordinates = [&](const Eigen::VectorXd& u, Eigen::VectorXd& r, Eigen::VectorXd& g) {
            if (!gradient(toLgK(u), r, g)) {
                return false;
            }
            slope.noalias() = map.M.transpose() * g;
            g.swap(slope);
            return true;
        };
    }
    std::vector<Eigen::VectorXd> starts;
    for (const Eigen::VectorXd& start : extraStarts) {
        const Eigen::VectorXd x = start(freeLgK);
        starts.push_back(Eigen::VectorXd(map.M.partialPivLu().solve(x - map.C))
                             .cwiseMax(options.Lower)
                             .cwiseMin(options.Upper));
    }
    TStartLattice lattice;
    lattice.First = Eigen::VectorXd::Constant(k, LatticeFirst);
    lattice.Last = Eigen::VectorXd::Constant(k, LatticeLast);
    lattice.Step = LatticeStep[std::max<Eigen::Index>(k, latticeOf) - 1];
    TLgKSearch out{SearchMinima(inCoordinates, lattice, options, starts, slopeInCoordinates),
                   map.M * lattice.First + map.C};
    for (TSearchMinimum& m : out.Search.Minima) {
        m.X = map.M * m.X + map.C;
    }
    return out;
}

Eigen::VectorXd NestedLgK(const TLgKSpace& richer, const TModelDef& simpler,
                          std::span<const double> simplerLgK) {
    // The constants of the complexes both have follow from the simpler model's lg β by least
    // squares (exact for a nested model).
    const TModelDef& model = richer.Model;
    std::vector<double> lgBeta(simpler.Complexes.size());
    ComplexLgBeta(simpler, simplerLgK, lgBeta);
    const auto count = static_cast<Eigen::Index>(model.LgK.size());
    std::vector<bool> shown(model.Complexes.size(), false);
    std::vector<bool> moved(static_cast<std::size_t>(count), false);
    Eigen::MatrixXd a = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(shown.size()), count);
    Eigen::VectorXd b = Eigen::VectorXd::Zero(a.rows());
    for (std::size_t c = 0; c < model.Complexes.size(); ++c) {
        const TModelComplex& complex = model.Complexes[c];
        for (std::size_t s = 0; s < simpler.Complexes.size(); ++s) {
            if (simpler.Complexes[s].Species == complex.Species) {
                shown[c] = true;
                b[static_cast<Eigen::Index>(c)] = lgBeta[s] - complex.Offset;
            }
        }
        for (Eigen::Index j = 0; shown[c] && j < count; ++j) {
            a(static_cast<Eigen::Index>(c), j) =
                complex.LgKCoefficients[static_cast<std::size_t>(j)];
            moved[static_cast<std::size_t>(j)] =
                moved[static_cast<std::size_t>(j)] || a(static_cast<Eigen::Index>(c), j) != 0.0;
        }
    }
    Eigen::VectorXd values = Eigen::VectorXd::Zero(count);
    const Eigen::VectorXd lgK = a.completeOrthogonalDecomposition().solve(b);
    for (Eigen::Index j = 0; j < count; ++j) {
        const auto at = static_cast<std::size_t>(j);
        values[j] = richer.Fixed[at] ? richer.FixedValues[j] : moved[at] ? lgK[j] : 0.0;
    }
    const int base = StepBase(model);
    const bool baseShown = base >= 0 && (richer.Fixed[static_cast<std::size_t>(base)] ||
                                         moved[static_cast<std::size_t>(base)]);
    for (int j = 0; j < count; ++j) {
        if (!richer.Fixed[static_cast<std::size_t>(j)] && !moved[static_cast<std::size_t>(j)]) {
            const double from = baseShown && j != base ? values[base] : 0.0;
            values[j] = std::max(from + CoordinateMin, LgKMin(model, j));
        }
    }
    return values;
}

std::vector<TLgKFit> RefinedMinima(const TSearchResult& search, const Eigen::VectorXd& start,
                                   const std::vector<int>& freeLgK,
                                   const std::function<TLgKFit(const Eigen::VectorXd&)>& refine) {
    std::vector<TLgKFit> minima;
    for (const TSearchMinimum& m : search.Minima) {
        Eigen::VectorXd at = start;
        at(freeLgK) = m.X;
        TLgKFit fit = refine(at);
        fit.Summary.Iterations += m.Summary.Iterations;
        const bool seen = std::any_of(minima.begin(), minima.end(), [&](const TLgKFit& o) {
            return (o.Values(freeLgK) - fit.Values(freeLgK)).cwiseAbs().maxCoeff() < 1e-4;
        });
        if (!seen) {
            minima.push_back(std::move(fit));
        }
    }
    std::stable_sort(minima.begin(), minima.end(), [](const TLgKFit& a, const TLgKFit& b) {
        return a.Converged != b.Converged ? a.Converged : a.Ss < b.Ss;
    });
    return minima;
}

void KeepSeparateMinima(std::vector<TLgKFit>& minima, const std::vector<int>& freeLgK,
                        const std::function<double(const Eigen::VectorXd&)>& ss) {
    std::vector<TLgKFit> kept;
    for (TLgKFit& m : minima) {
        const bool separate = std::all_of(kept.begin(), kept.end(), [&](const TLgKFit& k) {
            return SeparateBasins(ss, k.Values(freeLgK), k.Ss, m.Values(freeLgK), m.Ss, 1.0);
        });
        if (separate) {
            kept.push_back(std::move(m));
        }
    }
    minima = std::move(kept);
}

}  // namespace kelmora::analysis
