#include "analysis/Speciation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace kelmora::analysis {
namespace {

struct TSet {
    const char* Name;
    std::vector<TSpecies> Complexes;
};

// Every model's species, and one whose both balances are cubic.
const std::vector<TSet>& Sets() {
    static const std::vector<TSet> sets = {
        {"PL", {{1, 1}}},
        {"PL PL2", {{1, 1}, {1, 2}}},
        {"P2L", {{2, 1}}},
        {"P2L PL", {{2, 1}, {1, 1}}},
        {"P2L PL PL2", {{2, 1}, {1, 1}, {1, 2}}},
        {"P3L P2L3 PL3 P3L3", {{3, 1}, {2, 3}, {1, 3}, {3, 3}}},
    };
    return sets;
}

struct TCase {
    const TSet* Set;
    std::vector<double> LgBeta;
    double Host;
    double Guest;
};

// β from 1e-6 to 1e20 in rotation over the complexes, and PL2 as two independent sites
// (β2 = β1²/4, the non-cooperative model); totals from 1e-7 to 1 M each.
std::vector<TCase> Cases() {
    const double lgBetas[] = {-6.0, -2.0, 0.0, 3.0, 7.0, 12.0, 20.0};
    const double totals[] = {1e-7, 1e-5, 1e-3, 0.1, 1.0};
    std::vector<std::pair<const TSet*, std::vector<double>>> constants;
    for (const TSet& set : Sets()) {
        for (int r = 0; r < 7; ++r) {
            std::vector<double> lgBeta;
            for (std::size_t k = 0; k < set.Complexes.size(); ++k) {
                lgBeta.push_back(lgBetas[(static_cast<std::size_t>(r) + 3 * k) % 7]);
            }
            constants.emplace_back(&set, lgBeta);
        }
    }
    for (double lgK1 : {-2.0, 0.0, 3.0, 7.0}) {
        constants.emplace_back(&Sets()[1], std::vector<double>{lgK1, 2.0 * lgK1 - std::log10(4.0)});
    }
    std::vector<TCase> cases;
    for (const auto& [set, lgBeta] : constants) {
        for (double host : totals) {
            for (double guest : totals) {
                cases.push_back({set, lgBeta, host, guest});
            }
        }
    }
    return cases;
}

// The reference: bisection to the last bit of long double on ln[L], each trial solving the host
// balance by bisection on ln[P]; then Newton on both balances in 113-bit arithmetic, since with
// nearly everything bound even long double keeps only a few digits of the free concentrations.
// Plain and slow, it shares nothing with the product's bracketing, closed forms, choice of the
// outer component or rearranged balance.
struct TReference {
    const TCase& Case;
    std::vector<long double> Beta;

    explicit TReference(const TCase& c) : Case(c) {
        for (double lgBeta : c.LgBeta) {
            Beta.push_back(std::pow(10.0L, static_cast<long double>(lgBeta)));
        }
    }

    template <typename T>
    static T Power(T x, int n) {
        T y = 1;
        for (int i = 0; i < n; ++i) {
            y *= x;
        }
        return y;
    }

    long double Bound(long double p, long double l, bool host) const {
        long double sum = 0.0L;
        for (std::size_t k = 0; k < Beta.size(); ++k) {
            const TSpecies s = Case.Set->Complexes[k];
            sum += (host ? s.M : s.N) * Beta[k] * Power(p, s.M) * Power(l, s.N);
        }
        return sum;
    }

    template <typename F>
    static long double Bisect(long double total, F excess) {
        long double lo = std::log(total) - 300.0L;
        long double hi = std::log(total);
        for (;;) {
            const long double mid = 0.5L * (lo + hi);
            if (mid <= lo || mid >= hi) {
                return std::exp(mid);
            }
            (excess(std::exp(mid)) > 0.0L ? hi : lo) = mid;
        }
    }

    long double FreeHost(long double l) const {
        return Bisect(Case.Host, [&](long double p) { return p + Bound(p, l, true) - Case.Host; });
    }

    void Solve(__float128& p, __float128& l) const {
        const long double l0 = Bisect(Case.Guest, [&](long double x) {
            return x + Bound(FreeHost(x), x, false) - Case.Guest;
        });
        p = FreeHost(l0);
        l = l0;
        for (int iteration = 0; iteration < 6; ++iteration) {
            __float128 rp = p - Case.Host;
            __float128 rl = l - Case.Guest;
            __float128 jpp = 1;
            __float128 jpl = 0;
            __float128 jlp = 0;
            __float128 jll = 1;
            for (std::size_t k = 0; k < Beta.size(); ++k) {
                const TSpecies s = Case.Set->Complexes[k];
                const __float128 c = Beta[k] * Power(p, s.M) * Power(l, s.N);
                rp += s.M * c;
                rl += s.N * c;
                jpp += s.M * s.M * c / p;
                jpl += s.M * s.N * c / l;
                jlp += s.N * s.M * c / p;
                jll += s.N * s.N * c / l;
            }
            const __float128 det = jpp * jll - jpl * jlp;
            p -= (jll * rp - jpl * rl) / det;
            l -= (jpp * rl - jlp * rp) / det;
        }
    }
};

std::string Describe(const TCase& c) {
    std::string text = std::string(c.Set->Name) + " lgβ";
    for (double b : c.LgBeta) {
        text += " " + std::to_string(b);
    }
    return text + " P " + std::to_string(c.Host) + " L " + std::to_string(c.Guest);
}

// Also when started from an equilibrium at other totals: the previous point of a titration, or
// one of another regime altogether.
TEST(Speciation, MatchesAHighPrecisionSolutionAcrossTheWholeRange) {
    for (const TCase& c : Cases()) {
        TComplexation complexation(c.Set->Complexes);
        complexation.SetLgBeta(c.LgBeta);
        __float128 p = 0;
        __float128 l = 0;
        TReference(c).Solve(p, l);
        const TEquilibrium near = complexation.Solve(1.02 * c.Host, 0.9 * c.Guest);
        const TEquilibrium far = complexation.Solve(c.Guest + 1e-4, c.Host * 1e3);
        for (const auto& [start, from] :
             {std::pair{"", static_cast<const TEquilibrium*>(nullptr)},
              std::pair{" from near", &near}, std::pair{" from far", &far}}) {
            SCOPED_TRACE(Describe(c) + start);
            const TEquilibrium e = complexation.Solve(c.Host, c.Guest, from);
            ASSERT_EQ(e.Count, 2 + static_cast<int>(c.Set->Complexes.size()));
            EXPECT_GT(e.C[0], 0.0);
            EXPECT_LE(e.C[0], c.Host);
            EXPECT_GT(e.C[1], 0.0);
            EXPECT_LE(e.C[1], c.Guest);
            EXPECT_NEAR(e.C[0] / static_cast<double>(p), 1.0, 2e-15);
            EXPECT_NEAR(e.C[1] / static_cast<double>(l), 1.0, 2e-15);
            // Both balances to a few ulp of the totals.
            double hostSum = e.C[0];
            double guestSum = e.C[1];
            for (std::size_t k = 0; k < c.Set->Complexes.size(); ++k) {
                const TSpecies s = c.Set->Complexes[k];
                hostSum += s.M * e.C[2 + k];
                guestSum += s.N * e.C[2 + k];
            }
            EXPECT_NEAR(hostSum / c.Host, 1.0, 1e-15);
            EXPECT_NEAR(guestSum / c.Guest, 1.0, 1e-15);
        }
    }
}

// Implicit derivatives against central differences in every lg β, per species set; and the
// derivatives weighted and summed in one pass against the rows summed with the same weights, of
// both signs, to the precision of the terms: also where one complex holds nearly everything and
// its own derivative is a tiny remainder.
TEST(Speciation, DerivativesMatchCentralDifferencesAndTheirWeightedSum) {
    const double h = 1e-5;
    const double weights[] = {0.7, -1.3, 2.1, -0.4, 1.1, -2.6};
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(Describe(c));
        TComplexation complexation(c.Set->Complexes);
        complexation.SetLgBeta(c.LgBeta);
        const TEquilibrium e = complexation.Solve(c.Host, c.Guest);
        TConcentrationDerivatives d;
        complexation.Derivatives(e, d);
        std::array<double, MaxComplexes> byBeta{};
        complexation.WeightedDerivatives(e, weights, byBeta);
        for (std::size_t k = 0; k < c.LgBeta.size(); ++k) {
            long double sum = 0.0L;
            double size = 0.0;
            for (int i = 0; i < e.Count; ++i) {
                sum += static_cast<long double>(weights[i]) * d[i][k];
                size += std::fabs(weights[i] * d[i][k]);
            }
            EXPECT_NEAR(byBeta[k], static_cast<double>(sum), 1e-13 * size) << "β " << k;
        }
        if (c.Host < 1e-5 || c.Guest < 1e-5 || c.LgBeta.front() > 12.0) {
            continue;  // keep the differences clear of the rounding of tiny species
        }
        const double scale = std::max(c.Host, c.Guest);
        for (std::size_t k = 0; k < c.LgBeta.size(); ++k) {
            std::vector<double> up = c.LgBeta;
            std::vector<double> down = c.LgBeta;
            up[k] += h;
            down[k] -= h;
            complexation.SetLgBeta(up);
            const TEquilibrium eUp = complexation.Solve(c.Host, c.Guest);
            complexation.SetLgBeta(down);
            const TEquilibrium eDown = complexation.Solve(c.Host, c.Guest);
            for (int i = 0; i < e.Count; ++i) {
                const double numeric = (eUp.C[i] - eDown.C[i]) / (2.0 * h);
                EXPECT_NEAR(d[i][k], numeric, 1e-8 * scale) << "species " << i << " β " << k;
            }
        }
    }
}

TEST(Speciation, NoGuestOrNoHostBindsNothing) {
    TComplexation complexation(Sets()[4].Complexes);
    complexation.SetLgBeta(std::vector<double>{9.0, 4.0, 7.0});
    for (const auto& [host, guest] : {std::pair{1e-3, 0.0}, std::pair{0.0, 2e-3}}) {
        const TEquilibrium e = complexation.Solve(host, guest);
        EXPECT_EQ(e.C[0], host);
        EXPECT_EQ(e.C[1], guest);
        TConcentrationDerivatives d;
        complexation.Derivatives(e, d);
        for (int i = 2; i < e.Count; ++i) {
            EXPECT_EQ(e.C[i], 0.0);
            EXPECT_EQ(d[i][0], 0.0);
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
