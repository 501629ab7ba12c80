#include "analysis/Speciation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "util/Errors.h"

namespace kelmora::analysis {
namespace {

constexpr double Ln10 = 2.302585092994045684;
constexpr double Lg4 = 0.602059991327962390;
// Two lg β equal but for the rounding of the sums that made them.
constexpr double SameLgBeta = 1e-12;
constexpr double Eps = std::numeric_limits<double>::epsilon();
constexpr int MaxIterations = 200;
// A Newton step of the outer balance this small (relative) is taken as the last one when the
// convergence so far foretells that it lands within rounding (see SolveOuter).
constexpr double LandingStep = 1e-9;

double Power(double x, int n) {
    switch (n) {
        case 0:
            return 1.0;
        case 1:
            return x;
        case 2:
            return x * x;
        default:
            return x * x * x;
    }
}

int Cross(TSpecies a, TSpecies b) {
    return a.M * b.N - a.N * b.M;
}

// Root of K·L^2 + (1 + K(H - C))·L - C = 0 in L >= 0, the free guest of the 1:1 equilibrium.
// Each branch adds terms of one sign, so nothing cancels whatever the sizes of K, H and C.
double FreeGuestOneToOne(double k, double guest, double host) {
    const double b = 1.0 + k * (host - guest);
    const double root = std::sqrt(b * b + 4.0 * k * guest);
    return b >= 0.0 ? 2.0 * guest / (b + root) : (root - b) / (2.0 * k);
}

}  // namespace

TComplexation::TComplexation(std::span<const TSpecies> complexes) {
    if (complexes.size() > static_cast<std::size_t>(MaxComplexes)) {
        throw EKelmoraError("Too many species.");
    }
    Stoich[0] = {1, 0};
    Stoich[1] = {0, 1};
    int maxM = 0;
    int maxN = 0;
    for (const TSpecies& s : complexes) {
        const bool inRange =
            s.M >= 1 && s.M <= MaxStoichiometry && s.N >= 1 && s.N <= MaxStoichiometry;
        if (!inRange || std::find(Stoich.begin() + 2, Stoich.begin() + 2 + Count, s) !=
                            Stoich.begin() + 2 + Count) {
            throw EKelmoraError("Species P" + std::to_string(s.M) + "L" + std::to_string(s.N) +
                                " cannot be used.");
        }
        Stoich[static_cast<std::size_t>(2 + Count++)] = s;
        maxM = std::max(maxM, s.M);
        maxN = std::max(maxN, s.N);
    }
    // The inner component is the one of smaller stoichiometry: its balance is then linear or
    // quadratic in its free concentration for every model but the most exotic.
    Outer = maxN >= maxM ? 1 : 0;
    InnerDegree = std::max(1, Outer == 1 ? maxM : maxN);
    for (int k = 0; k < Count; ++k) {
        const TSpecies c = Stoich[static_cast<std::size_t>(2 + k)];
        Powers[static_cast<std::size_t>(k)] = Outer == 0 ? TPowers{c.M, c.N} : TPowers{c.N, c.M};
        const auto [outer, inner] = Powers[static_cast<std::size_t>(k)];
        OuterPerInner = std::max(OuterPerInner, static_cast<double>(outer) / inner);
    }
    OneToOne = Count == 1 && Stoich[2] == TSpecies{1, 1};
    for (int i = 0; i < 2 + Count; ++i) {
        for (int j = 0; j < 2 + Count; ++j) {
            Crosses[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = static_cast<double>(
                Cross(Stoich[static_cast<std::size_t>(i)], Stoich[static_cast<std::size_t>(j)]));
        }
    }
}

void TComplexation::SetLgBeta(std::span<const double> lgBeta) {
    for (int k = 0; k < Count; ++k) {
        Beta[static_cast<std::size_t>(k)] = std::pow(10.0, lgBeta[static_cast<std::size_t>(k)]);
    }
    // β(PL2) = β(PL)²/4 to rounding: two equal sites that bind independently.
    IndependentSites = Count == 2 && Stoich[2] == TSpecies{1, 1} && Stoich[3] == TSpecies{1, 2} &&
                       std::fabs(lgBeta[1] - 2.0 * lgBeta[0] + Lg4) <= SameLgBeta;
}

// The inner balance Σ d·a_d·y^d = total has coefficients a_d >= 0 (a_1 >= 1 from the free
// species): linear and quadratic in closed form without cancellation; with a cubic term, Newton
// from the quadratic root, which lies above the root of the convex increasing polynomial, so
// the iterates fall monotonically onto it and stop when rounding stops them falling.
double TComplexation::SolveInner(double outerFree, double innerTotal) const {
    std::array<double, MaxStoichiometry + 1> a{0.0, 1.0, 0.0, 0.0};
    for (int k = 0; k < Count; ++k) {
        const auto [outer, inner] = Powers[static_cast<std::size_t>(k)];
        a[static_cast<std::size_t>(inner)] +=
            Beta[static_cast<std::size_t>(k)] * Power(outerFree, outer);
    }
    double y = InnerDegree == 1
                   ? innerTotal / a[1]
                   : 2.0 * innerTotal / (a[1] + std::sqrt(a[1] * a[1] + 8.0 * a[2] * innerTotal));
    if (InnerDegree < 3) {
        return y;
    }
    for (int iteration = 0; iteration < MaxIterations; ++iteration) {
        const double f = y * (a[1] + y * (2.0 * a[2] + 3.0 * a[3] * y)) - innerTotal;
        const double next = y - f / (a[1] + y * (4.0 * a[2] + 9.0 * a[3] * y));
        if (!(next < y)) {
            break;
        }
        y = next;
    }
    return y;
}

// The outer balance g(x) = x + Σ outer·[complex] - total with the inner balance solved at x,
// and the inverse of its slope dg/dx = det(J)/(J_yy·x), J the Jacobian of both balances in log
// concentrations (the Schur complement of the inner block). When a complex d holds most of
// both components, g is the difference of two nearly equal numbers; i_d·g - o_d·(inner
// balance), equal to it along the inner solution, has complex d cancelled exactly and leaves
// only small terms and the combination of the totals. Whichever form sums the smaller terms,
// and so rounds least, is used: the root then keeps its relative precision however strong the
// binding.
double TComplexation::OuterBalance(double outerFree, double outerTotal, double innerTotal,
                                   double& innerFree, double& inverseSlope, double& scale) const {
    innerFree = SolveInner(outerFree, innerTotal);
    std::array<double, MaxComplexes> c{};
    double bound = 0.0;
    double jxx = outerFree;
    double jxy = 0.0;
    double jyy = innerFree;
    int dominant = -1;
    double held = outerFree;
    for (int k = 0; k < Count; ++k) {
        const auto [outer, inner] = Powers[static_cast<std::size_t>(k)];
        const double ck =
            Beta[static_cast<std::size_t>(k)] * Power(outerFree, outer) * Power(innerFree, inner);
        c[static_cast<std::size_t>(k)] = ck;
        bound += outer * ck;
        jxx += outer * outer * ck;
        jxy += outer * inner * ck;
        jyy += inner * inner * ck;
        if (outer * ck > held) {
            held = outer * ck;
            dominant = k;
        }
    }
    // Inverted here, where it waits on nothing but the inner solution, so that the Newton step
    // then takes no division after g.
    inverseSlope = (jyy * outerFree) / (jxx * jyy - jxy * jxy);
    if (dominant < 0) {
        scale = outerTotal + bound;
        return (outerFree - outerTotal) + bound;
    }
    const auto [od, id] = Powers[static_cast<std::size_t>(dominant)];
    const double totals = od * innerTotal - id * outerTotal;
    double rest = 0.0;
    double size = id * outerFree + od * innerFree + std::fabs(totals);
    for (int k = 0; k < Count; ++k) {
        const auto [outer, inner] = Powers[static_cast<std::size_t>(k)];
        const double term = (id * outer - od * inner) * c[static_cast<std::size_t>(k)];
        rest += term;
        size += std::fabs(term);
    }
    if (size >= id * (outerTotal + bound)) {
        scale = outerTotal + bound;
        return (outerFree - outerTotal) + bound;
    }
    // Most often the dominant complex holds one inner unit: no division then.
    const double combined = id * outerFree - od * innerFree + rest + totals;
    scale = id == 1 ? size : size / id;
    return id == 1 ? combined : combined / id;
}

// The outer balance is strictly increasing in x: its slope is det(J)/(J_yy·x), and det(J) is
// the sum over pairs of species of c_i·c_j·(m_i·n_j - m_j·n_i)^2 > 0. So it has one root, and
// it lies in [lo, hi]: hi = the total (nothing bound), lo from bounding what is bound (each
// complex holds at most max(outer/inner) outer units per inner unit, and a complex's
// concentration is at most β·x^o·Y^i). The iteration starts from the guess when it lies
// inside the bracket, else from hi. Each step is a Newton step that lands inside the
// bracket and at least halves |g|, or else a bisection of the bracket (geometric while it spans
// more than a factor 2). The bracket shrinks at every step and |g| falls at least geometrically
// on Newton steps, so the iteration ends at the root to the last bit, never leaving (lo, hi).
double TComplexation::SolveOuter(double outerTotal, double innerTotal, double guess,
                                 double& innerFree) const {
    double boundPerFree = 1.0;
    for (int k = 0; k < Count; ++k) {
        const auto [outer, inner] = Powers[static_cast<std::size_t>(k)];
        boundPerFree += outer * Beta[static_cast<std::size_t>(k)] * Power(innerTotal, inner) *
                        Power(outerTotal, outer - 1);
    }
    double hi = outerTotal;
    double lo = std::max(outerTotal - OuterPerInner * innerTotal, outerTotal / boundPerFree);
    double inverseSlope = 0.0;
    double scale = 0.0;
    if (!(lo < hi)) {
        OuterBalance(hi, outerTotal, innerTotal, innerFree, inverseSlope, scale);
        return hi;
    }
    double x = guess > lo && guess < hi ? guess : hi;
    double g = OuterBalance(x, outerTotal, innerTotal, innerFree, inverseSlope, scale);
    double lastG = std::numeric_limits<double>::infinity();
    double lastStep = 0.0;  // the Newton step before, 0 after a bisection
    for (int iteration = 0; iteration < MaxIterations && g != 0.0; ++iteration) {
        (g > 0.0 ? hi : lo) = x;
        double next = x - g * inverseSlope;
        const double step = std::fabs(next - x);
        // Done when the step or g is down to rounding: one last Newton step from there is as
        // close as the sums can tell. Or when it will be: Newton's error squares from step to
        // step, and this step, tiny and as far below the last one as that rule says, leaves an
        // error (step^3/lastStep^2) under rounding. That foretelling needs g smooth to the last
        // bits, as it is with the inner balance in closed form, not after its own Newton.
        const bool landing = InnerDegree < 3 && lastStep > 0.0 && step <= LandingStep * x &&
                             step * step * step <= 0.125 * Eps * x * lastStep * lastStep;
        if (step <= 2.0 * Eps * x || std::fabs(g) <= Eps * scale || landing) {
            if (next != x && next > lo && next < hi) {
                x = next;
                innerFree = SolveInner(x, innerTotal);
            }
            break;
        }
        lastStep = step;
        if (!(next > lo && next < hi && std::fabs(g) <= 0.5 * lastG)) {
            next = hi / lo > 2.0 ? std::sqrt(lo) * std::sqrt(hi) : lo + 0.5 * (hi - lo);
            lastStep = 0.0;
        }
        if (!(next > lo && next < hi)) {
            break;  // the bracket is down to neighbouring doubles
        }
        lastG = std::fabs(g);
        x = next;
        g = OuterBalance(x, outerTotal, innerTotal, innerFree, inverseSlope, scale);
    }
    return x;
}

void TComplexation::Fill(double hostFree, double guestFree, TEquilibrium& e) const {
    e.Count = 2 + Count;
    e.C[0] = hostFree;
    e.C[1] = guestFree;
    for (int k = 0; k < Count; ++k) {
        const TSpecies s = Stoich[static_cast<std::size_t>(2 + k)];
        e.C[static_cast<std::size_t>(2 + k)] =
            Beta[static_cast<std::size_t>(k)] * Power(hostFree, s.M) * Power(guestFree, s.N);
    }
}

TEquilibrium TComplexation::Solve(double hostTotal, double guestTotal,
                                  const TEquilibrium* near) const {
    TEquilibrium e;
    e.HostTotal = hostTotal;
    e.GuestTotal = guestTotal;
    if (!(hostTotal > 0.0) || !(guestTotal > 0.0)) {
        Fill(std::max(hostTotal, 0.0), std::max(guestTotal, 0.0), e);
        return e;
    }
    if (IndependentSites) {
        // Each site binds as a host of its own with the microscopic constant β(PL)/2: free L
        // is that of a 1:1 equilibrium with twice the host, and P keeps both sites empty.
        const double site = 0.5 * Beta[0];
        const double guest = FreeGuestOneToOne(site, guestTotal, 2.0 * hostTotal);
        const double empty = 1.0 / (1.0 + site * guest);
        Fill(hostTotal * empty * empty, guest, e);
        return e;
    }
    if (OneToOne) {
        const double guest = FreeGuestOneToOne(Beta[0], guestTotal, hostTotal);
        Fill(hostTotal / (1.0 + Beta[0] * guest), guest, e);
        return e;
    }
    const double outerTotal = Outer == 0 ? hostTotal : guestTotal;
    const double innerTotal = Outer == 0 ? guestTotal : hostTotal;
    double guess = outerTotal;
    const double nearTotal = near == nullptr ? 0.0
                             : Outer == 0    ? near->HostTotal
                                             : near->GuestTotal;
    if (nearTotal > 0.0) {
        guess = near->C[static_cast<std::size_t>(Outer == 0 ? 0 : 1)] / nearTotal * outerTotal;
    }
    double innerFree = 0.0;
    const double outerFree = SolveOuter(outerTotal, innerTotal, guess, innerFree);
    Fill(Outer == 0 ? outerFree : innerFree, Outer == 0 ? innerFree : outerFree, e);
    return e;
}

// The pairs' weights c_a·c_b·(m_a·n_b - m_b·n_a)^2, a < b, in the order they are summed;
// returns their sum, det(J) (see Derivatives).
double TComplexation::PairWeights(const TEquilibrium& e, TPairs& pair) const {
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    double det = 0.0;
    for (int i = 0, p = 0; i < e.Count; ++i) {
        for (int j = i + 1; j < e.Count; ++j, ++p) {
            const double x = Crosses[at(i)][at(j)];
            pair[at(p)] = e.C[at(i)] * e.C[at(j)] * x * x;
            det += pair[at(p)];
        }
    }
    return det;
}

// det(J) without the pairs holding species s, summed as such: when s holds nearly everything,
// det(J) less those pairs would be a difference of nearly equal numbers.
double TComplexation::WithoutPairsOf(const TPairs& pair, int species, int s) {
    double sum = 0.0;
    for (int a = 0, p = 0; a < species; ++a) {
        for (int b = a + 1; b < species; ++b, ++p) {
            if (a != s && b != s) {
                sum += pair[static_cast<std::size_t>(p)];
            }
        }
    }
    return sum;
}

// With J = Σ_j c_j·v_j·v_jᵀ over all species (v = (m, n)), the balances give
// d ln c_i / d ln β_k = δ_ik - c_k·v_iᵀ·adj(J)·v_k / det(J), and both adj(J) and det(J) are
// sums over species of positive weights times integer cross products. The diagonal term
// 1 - c_k·v_kᵀ·adj(J)·v_k/det(J) is det(J) without the pairs holding k, over det(J): written
// that way it keeps its relative precision when complex k dominates.
void TComplexation::Derivatives(const TEquilibrium& e, TConcentrationDerivatives& d) const {
    const int species = e.Count;
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    TPairs pair;  // only the pairs' entries are read
    const double det = PairWeights(e, pair);
    for (int i = 0; i < species; ++i) {
        for (int k = 0; k < Count; ++k) {
            d[at(i)][at(k)] = 0.0;
        }
    }
    if (!(det > 0.0)) {
        return;  // one component absent: nothing is bound and nothing moves
    }
    for (int k = 0; k < Count; ++k) {
        const int sk = 2 + k;
        const double ck = e.C[at(sk)];
        for (int i = 0; i < species; ++i) {
            double share = 0.0;
            if (i == sk) {
                share = WithoutPairsOf(pair, species, sk);
            } else {
                double g = 0.0;
                for (int j = 0; j < species; ++j) {
                    g += e.C[at(j)] * Crosses[at(i)][at(j)] * Crosses[at(sk)][at(j)];
                }
                share = -ck * g;
            }
            d[at(i)][at(k)] = Ln10 * e.C[at(i)] * share / det;
        }
    }
}

// Summed with the weights w, the rows of Derivatives leave, for complex k,
// Ln10·c_k/det(J)·(w_k·(det(J) without the pairs holding k) - Σ_j c_j·x_kj·Σ_{i≠k} w_i·c_i·x_ij),
// x the cross products: no sum takes k's own term away again, so where k holds nearly
// everything its small remainder keeps its precision, as the diagonal of Derivatives does.
void TComplexation::WeightedDerivatives(const TEquilibrium& e, std::span<const double> weights,
                                        std::span<double> byBeta) const {
    const int species = e.Count;
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    TPairs pair;  // only the pairs' entries are read
    const double det = PairWeights(e, pair);
    for (int k = 0; k < Count; ++k) {
        byBeta[at(k)] = 0.0;
    }
    if (!(det > 0.0)) {
        return;  // one component absent: nothing is bound and nothing moves
    }
    std::array<double, MaxSpecies> held;  // w_i·c_i; only the species' entries are read
    for (int i = 0; i < species; ++i) {
        held[at(i)] = weights[at(i)] * e.C[at(i)];
    }
    for (int k = 0; k < Count; ++k) {
        const int sk = 2 + k;
        double coupled = 0.0;
        for (int j = 0; j < species; ++j) {
            double z = 0.0;
            for (int i = 0; i < species; ++i) {
                z += i == sk ? 0.0 : held[at(i)] * Crosses[at(i)][at(j)];
            }
            coupled += e.C[at(j)] * Crosses[at(sk)][at(j)] * z;
        }
        byBeta[at(k)] = Ln10 * e.C[at(sk)] *
                        (weights[at(sk)] * WithoutPairsOf(pair, species, sk) - coupled) / det;
    }
}

}  // namespace kelmora::analysis
