#include "analysis/MonteCarlo.h"

#include <algorithm>

#include "analysis/Derived.h"
#include "analysis/Parallel.h"
#include "analysis/Random.h"

namespace kelmora::analysis {
namespace {

TFitOutcome Replicate(const TLayout& layout, const TFitData& data, const Eigen::VectorXd& best,
                      const Eigen::MatrixXd& bestShifts, const TMonteCarloSetup& setup, int index) {
    TReplicateRandom random(setup.Seed, static_cast<std::uint64_t>(index));
    TFitData replicate = data;
    if (setup.ConcErrorRel > 0.0) {
        // The true concentrations differ from the nominal ones the refit assumes.
        Eigen::VectorXd conc = data.Conc;
        Eigen::VectorXd host = data.Host;
        for (Eigen::Index i = 0; i < conc.size(); ++i) {
            conc[i] = std::max(0.0, conc[i] * (1.0 + setup.ConcErrorRel * random.Normal()));
            host[i] = std::abs(host[i] * (1.0 + setup.ConcErrorRel * random.Normal()));
        }
        replicate.Shifts = ModelShifts(layout, conc, host, best);
    } else {
        replicate.Shifts = bestShifts;
    }
    for (Eigen::Index i = 0; i < replicate.Shifts.rows(); ++i) {
        for (Eigen::Index s = 0; s < replicate.Shifts.cols(); ++s) {
            // Drawn for every observation, so that leaving one out changes no other's noise.
            replicate.Shifts(i, s) += setup.NoiseSd * random.Normal() * data.Used(i, s);
        }
    }
    return FitFrom(layout, replicate, best);
}

// A share of replicates at a bound or failed above which the spread says more about the
// search than about the data.
constexpr double UnstableShare = 0.02;
// A Monte Carlo interval this many times wider than the asymptotic one is no longer the
// spread of a well-determined parameter.
constexpr double UnstableWidth = 10.0;

std::optional<TInterval> Percentiles(const std::vector<double>& column) {
    if (static_cast<int>(column.size()) < MinReplicatesForInterval) {
        return std::nullopt;
    }
    return TInterval{Percentile(column, 0.025), Percentile(column, 0.975)};
}

bool TooWide(const TParamResult& p) {
    return p.Mc95 && p.Ci95 && p.Mc95->Hi - p.Mc95->Lo > UnstableWidth * (p.Ci95->Hi - p.Ci95->Lo);
}

}  // namespace

TMonteCarloRun RunMonteCarlo(const TLayout& layout, const TFitData& data,
                             const Eigen::VectorXd& best, const TMonteCarloSetup& setup,
                             const std::function<void(int)>& progress,
                             const std::function<bool()>& stop) {
    const int total = setup.Replicates;
    const Eigen::MatrixXd bestShifts = ModelShifts(layout, data.Conc, data.Host, best);
    std::vector<TFitOutcome> results(static_cast<std::size_t>(total));
    TMonteCarloRun run;
    const std::vector<char> finished = RunIndexed(
        total, setup.Threads,
        [&](int index) {
            results[static_cast<std::size_t>(index)] =
                Replicate(layout, data, best, bestShifts, setup, index);
        },
        progress, stop, run.Stopped);
    for (int i = 0; i < total; ++i) {
        if (finished[static_cast<std::size_t>(i)] != 0) {
            TFitOutcome& fit = results[static_cast<std::size_t>(i)];
            run.Converged.push_back(fit.Converged ? 1 : 0);
            run.AtLimit.push_back(std::move(fit.AtLimit));
            run.Values.push_back(std::move(fit.Values));
        }
    }
    if (progress) {
        progress(static_cast<int>(run.Values.size()));
    }
    return run;
}

void AddMonteCarlo(const TMonteCarloRun& run, TModelResult& r) {
    r.ReplicatesDone = static_cast<int>(run.Values.size());
    std::vector<const Eigen::VectorXd*> used;
    std::vector<int> atBound(r.Params.size(), 0);
    for (std::size_t i = 0; i < run.Values.size(); ++i) {
        const Eigen::VectorXd& v = run.Values[i];
        r.ReplicateValues.emplace_back(v.begin(), v.end());
        r.McFailed += run.Converged[i] != 0 ? 0 : 1;
        r.McAtBound += run.AtLimit[i].empty() ? 0 : 1;
        if (run.Converged[i] != 0) {
            used.push_back(&v);
        }
        for (int k : run.AtLimit[i]) {
            ++atBound[static_cast<std::size_t>(k)];
        }
    }
    r.McUsed = static_cast<int>(used.size());
    const auto column = [&](const auto& of) {
        std::vector<double> c;
        for (const Eigen::VectorXd* v : used) {
            c.push_back(of(*v));
        }
        return c;
    };
    for (std::size_t i = 0; i < r.Params.size(); ++i) {
        TParamResult& param = r.Params[i];
        if (!param.Fixed && param.Determined) {
            const auto at = static_cast<Eigen::Index>(i);
            param.Mc95 = Percentiles(column([&](const Eigen::VectorXd& v) { return v[at]; }));
        }
    }
    for (std::size_t d = 0; d < r.Derived.size(); ++d) {
        if (!r.Derived[d].Fixed && r.Derived[d].Determined) {
            r.Derived[d].Mc95 = Percentiles(
                column([&](const Eigen::VectorXd& v) { return DerivedValues(r.Model, v)[d]; }));
        }
    }
    // Too many replicates lost: the lg K that ran to a limit are named, or every free lg K
    // when failed refits alone are too many.
    const double allowed = UnstableShare * r.ReplicatesDone;
    const bool lost = r.McFailed + r.McAtBound > allowed;
    for (std::size_t k = 0; k < r.Params.size(); ++k) {
        const TParamResult& param = r.Params[k];
        const bool lgK = !param.Fixed && param.Name.rfind("lgK", 0) == 0;
        const bool bounded = lost && lgK && (r.McFailed > allowed || atBound[k] > 0);
        if (bounded || TooWide(param)) {
            r.McUnstable.push_back(param.Name);
        }
    }
    for (const TParamResult& d : r.Derived) {
        if (TooWide(d)) {
            r.McUnstable.push_back(d.Name);
        }
    }
}

std::string MonteCarloNote(const TModelResult& r) {
    std::string note;
    if (r.ReplicatesDone > 0 && r.McUsed < MinReplicatesForInterval) {
        note = "No Monte Carlo intervals: " + std::to_string(r.McUsed) +
               " converged replicates, at least " + std::to_string(MinReplicatesForInterval) +
               " are needed.";
    }
    if (!r.McUnstable.empty()) {
        note += note.empty() ? "Monte Carlo unstable:" : " Monte Carlo unstable:";
        for (std::size_t i = 0; i < r.McUnstable.size(); ++i) {
            note += (i > 0 ? ", " : " ") + r.McUnstable[i];
        }
        note += " (" + std::to_string(r.McAtBound) + " of " + std::to_string(r.ReplicatesDone) +
                " replicates ran to a search limit of lg K, " + std::to_string(r.McFailed) +
                " did not converge).";
    }
    return note;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double h = p * static_cast<double>(values.size() - 1);
    const auto lo = static_cast<std::size_t>(h);
    const std::size_t hi = std::min(lo + 1, values.size() - 1);
    return values[lo] + (h - static_cast<double>(lo)) * (values[hi] - values[lo]);
}

}  // namespace kelmora::analysis
