#pragma once

// How fitted models are weighed against each other, whatever they were fitted to: the
// information criteria of each, an F-test for every nested pair and the verdict.

#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"

namespace kelmora::analysis {

struct TCriteria {
    std::optional<double> Aic;
    std::optional<double> Aicc;
    std::optional<double> Bic;
};

// AIC, AICc and BIC of a least-squares fit of p parameters to n observations; none for an exact
// fit (SS = 0), no AICc while n - p - 1 is not above 0.
TCriteria InformationCriteria(double ss, int observations, int p);

// A fitted model as the comparison sees it.
struct TStanding {
    std::string Name;
    std::vector<std::string> Nests;  // the names of the models it nests
    bool Converged = false;
    double Ss = 0.0;
    int Dof = 0;
    int Free = 0;  // free parameters
    std::optional<double> Aicc;
};

struct TModelVerdict {
    std::vector<TComparison> Comparison;
    std::optional<std::string> Preferred;
    std::string Verdict;
};

// Every nested pair among the models (for each richer model in their order, its nested models in
// the order it names them) and the preferred model: of those no F-test turns down, the one of
// lowest AICc.
TModelVerdict CompareModels(const std::vector<TStanding>& models);

}  // namespace kelmora::analysis
