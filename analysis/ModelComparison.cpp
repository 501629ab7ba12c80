#include "analysis/ModelComparison.h"

#include <algorithm>
#include <cmath>

#include "analysis/Uncertainty.h"

namespace kelmora::analysis {
namespace {

const TStanding* Find(const std::vector<TStanding>& models, const std::string& name) {
    for (const TStanding& r : models) {
        if (r.Name == name) {
            return &r;
        }
    }
    return nullptr;
}

TComparison Compare(const TStanding& s, const TStanding& r) {
    TComparison c{s.Name, r.Name, std::nullopt, std::nullopt};
    const int extra = r.Free - s.Free;
    if (s.Converged && r.Converged && r.Dof > 0 && extra > 0 && r.Ss > 0.0) {
        c.F = ((s.Ss - r.Ss) / extra) / (r.Ss / r.Dof);
        c.P = FUpperTail(*c.F, extra, r.Dof);
    }
    return c;
}

// What the F-test says about the preferred model against each model it was compared with.
std::string Evidence(const std::string& best, const TComparison& c) {
    const std::string p = PValueText(*c.P);
    const bool significant = *c.P < 0.05;
    if (c.Richer == best) {
        return "F-test over " + c.Simpler + " " + p + (significant ? "" : ", not significant");
    }
    return c.Richer + (significant ? " significant by F-test (" : " not justified (F-test ") + p +
           ")";
}

// The models that can be compared (converged, with an AICc), lowest AICc first.
std::vector<const TStanding*> RankedByAicc(const std::vector<TStanding>& models) {
    std::vector<const TStanding*> ranked;
    for (const TStanding& r : models) {
        if (r.Converged && r.Aicc) {
            ranked.push_back(&r);
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const TStanding* a, const TStanding* b) { return *a->Aicc < *b->Aicc; });
    return ranked;
}

// Of the ranked models that no F-test turns down, the one of lowest AICc: the simpler one of a
// pair loses when the richer is justified, the richer one when it is not. Should the tests turn
// down every one (their verdicts need not agree around a loop of nested pairs), AICc alone.
std::optional<std::string> PreferredModel(const std::vector<const TStanding*>& ranked,
                                          const std::vector<TComparison>& comparison) {
    if (ranked.empty()) {
        return std::nullopt;
    }
    const auto rejected = [&](const std::string& m) {
        return std::any_of(comparison.begin(), comparison.end(), [&](const TComparison& c) {
            return c.P && (*c.P < 0.05 ? c.Simpler == m : c.Richer == m);
        });
    };
    const auto it = std::find_if(ranked.begin(), ranked.end(),
                                 [&](const TStanding* r) { return !rejected(r->Name); });
    return (it == ranked.end() ? ranked.front() : *it)->Name;
}

std::string Verdict(const std::vector<TStanding>& models,
                    const std::vector<const TStanding*>& ranked,
                    const std::vector<TComparison>& comparison,
                    const std::optional<std::string>& preferred) {
    if (!preferred) {
        return "No model can be compared.";
    }
    const std::string& best = *preferred;
    if (models.size() == 1) {
        return "Only " + best + " was fitted.";
    }
    std::string line = best + " preferred (AICc";
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        line += (i == 0 ? " " : " < ") + ranked[i]->Name;
    }
    line += ")";
    std::string evidence;
    for (const TComparison& c : comparison) {
        if (c.P && (c.Simpler == best || c.Richer == best)) {
            evidence += (evidence.empty() ? "; " : ", ") + Evidence(best, c);
        }
    }
    return line + (evidence.empty() ? "; no F-test against it" : evidence);
}

}  // namespace

TCriteria InformationCriteria(double ss, int observations, int p) {
    TCriteria c;
    if (ss > 0.0) {
        const double n = observations;
        const double logLike = n * std::log(ss / n);
        c.Aic = logLike + 2.0 * p;
        c.Bic = logLike + p * std::log(n);
        if (observations - p - 1 > 0) {
            c.Aicc = *c.Aic + 2.0 * p * (p + 1) / (observations - p - 1);
        }
    }
    return c;
}

TModelVerdict CompareModels(const std::vector<TStanding>& models) {
    TModelVerdict out;
    for (const TStanding& richer : models) {
        for (const std::string& name : richer.Nests) {
            if (const TStanding* simpler = Find(models, name)) {
                out.Comparison.push_back(Compare(*simpler, richer));
            }
        }
    }
    const std::vector<const TStanding*> ranked = RankedByAicc(models);
    out.Preferred = PreferredModel(ranked, out.Comparison);
    out.Verdict = Verdict(models, ranked, out.Comparison, out.Preferred);
    return out;
}

}  // namespace kelmora::analysis
