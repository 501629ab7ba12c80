#pragma once

// The equilibrium of a host P and a guest L with any set of complexes P_mL_n (1 <= m, n <= 3),
// each with its overall constant β_mn = [P_mL_n]/([P]^m·[L]^n): free [P] and [L] from the two
// mass balances to the last bit, and the derivatives of every concentration with respect to
// every lg β.

#include <array>
#include <span>

namespace kelmora::analysis {

// P_mL_n; the free host is {1, 0} and the free guest {0, 1}.
struct TSpecies {
    int M = 1;
    int N = 1;
    friend bool operator==(const TSpecies&, const TSpecies&) = default;
};

inline constexpr int MaxStoichiometry = 3;
inline constexpr int MaxComplexes = MaxStoichiometry * MaxStoichiometry;
// Free P, free L and the complexes.
inline constexpr int MaxSpecies = MaxComplexes + 2;

// The concentrations at equilibrium: C[0] is free P, C[1] free L, C[2 + k] complex k, M.
struct TEquilibrium {
    double HostTotal = 0.0;
    double GuestTotal = 0.0;
    int Count = 2;
    std::array<double, MaxSpecies> C{};
};

// d C[i] / d lg β_k: species i (as in TEquilibrium) by complex k.
using TConcentrationDerivatives = std::array<std::array<double, MaxComplexes>, MaxSpecies>;

class TComplexation {
  public:
    // Throws EKelmoraError for a stoichiometry out of range or a complex named twice.
    explicit TComplexation(std::span<const TSpecies> complexes);

    // One lg β per complex, in their order.
    void SetLgBeta(std::span<const double> lgBeta);

    // At totals >= 0 (either may be 0: then nothing is bound). near, when given, is a solved
    // equilibrium at nearby totals (the titration's previous point): the iteration starts from
    // its free shares, which saves steps and changes nothing but rounding.
    TEquilibrium Solve(double hostTotal, double guestTotal,
                       const TEquilibrium* near = nullptr) const;

    // Implicit differentiation of both mass balances at a solved equilibrium.
    void Derivatives(const TEquilibrium& e, TConcentrationDerivatives& d) const;

    // Σ_i weights[i]·d C[i] / d lg β_k for every complex k, into byBeta: one combination of the
    // derivatives (a gradient's share of this point) for the price of a row of them.
    void WeightedDerivatives(const TEquilibrium& e, std::span<const double> weights,
                             std::span<double> byBeta) const;

    int Complexes() const { return Count; }
    // Species i in TEquilibrium order.
    TSpecies SpeciesAt(int i) const { return Stoich[static_cast<std::size_t>(i)]; }

  private:
    // The balances are solved as an outer iteration over one free concentration, the component
    // with the larger stoichiometries, and a closed form or convex Newton for the other. Outer
    // and Inner are component indices: 0 host, 1 guest.
    double SolveInner(double outerFree, double innerTotal) const;
    double OuterBalance(double outerFree, double outerTotal, double innerTotal, double& innerFree,
                        double& inverseSlope, double& scale) const;
    double SolveOuter(double outerTotal, double innerTotal, double guess, double& innerFree) const;
    void Fill(double hostFree, double guestFree, TEquilibrium& e) const;
    using TPairs = std::array<double, MaxSpecies*(MaxSpecies - 1) / 2>;
    double PairWeights(const TEquilibrium& e, TPairs& pair) const;
    static double WithoutPairsOf(const TPairs& pair, int species, int s);

    // A complex's exponents of the outer and the inner free concentration.
    struct TPowers {
        int Outer = 1;
        int Inner = 1;
    };

    int Count = 0;
    std::array<TSpecies, MaxSpecies> Stoich{};  // free P, free L, complexes
    std::array<TPowers, MaxComplexes> Powers{};
    // m_i·n_j - m_j·n_i for species i and j, in TEquilibrium order.
    std::array<std::array<double, MaxSpecies>, MaxSpecies> Crosses{};
    std::array<double, MaxComplexes> Beta{};
    int Outer = 1;
    int InnerDegree = 1;
    double OuterPerInner = 0.0;  // the most outer units a complex holds per inner unit
    bool OneToOne = false;
    bool IndependentSites = false;  // PL and PL2 with β(PL2) = β(PL)²/4 (see SetLgBeta)
};

}  // namespace kelmora::analysis
