#include "analysis/Spectra.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "analysis/ModelComparison.h"
#include "analysis/MonteCarlo.h"
#include "analysis/Parallel.h"
#include "analysis/Random.h"
#include "analysis/SpectraFit.h"
#include "analysis/Uncertainty.h"
#include "util/Errors.h"

namespace kelmora::analysis {
namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
// Beyond this a reading is a unit slip, and its square would leave the range of doubles.
constexpr double MaxReading = 1e6;

[[noreturn]] void Refuse(const std::string& message) {
    throw EKelmoraError(message);
}

TSpectraData CheckedData(const TSpectraTitration& t, const TSpectraSettings& settings) {
    const std::size_t n = t.Conc.size();
    const std::size_t w = t.Wavelengths.size();
    if (n < 2) {
        Refuse("There are too few spectra: at least two are needed.");
    }
    if (w == 0) {
        Refuse("The spectra hold no wavelength.");
    }
    if (t.Values.size() != n) {
        Refuse("There are " + std::to_string(t.Values.size()) + " spectra for " +
               std::to_string(n) + " points.");
    }
    if (t.Host.size() != 1 && t.Host.size() != n) {
        Refuse("Give one host concentration for all spectra or one for each spectrum.");
    }
    if (!std::isfinite(settings.PathLength) || !(settings.PathLength > 0.0)) {
        Refuse("The path length must be above 0.");
    }
    TSpectraData d;
    d.PathLength = settings.PathLength;
    d.Conc.resize(static_cast<Eigen::Index>(n));
    d.Host.resize(static_cast<Eigen::Index>(n));
    d.Spectra.resize(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(w));
    for (std::size_t i = 0; i < n; ++i) {
        const std::string point = "spectrum " + std::to_string(i + 1);
        const double c = t.Conc[i];
        const double h = t.Host.size() == 1 ? t.Host[0] : t.Host[i];
        if (!std::isfinite(c) || c < 0.0 || c > MaxConcentration) {
            Refuse("The ligand concentration of " + point + " is not between 0 and 1000 M.");
        }
        if (!std::isfinite(h) || !(h > 0.0) || h > MaxConcentration) {
            Refuse("The host concentration of " + point + " is not above 0 and up to 1000 M.");
        }
        if (t.Values[i].size() != w) {
            Refuse(point + " has " + std::to_string(t.Values[i].size()) + " values for " +
                   std::to_string(w) + " wavelengths.");
        }
        for (std::size_t l = 0; l < w; ++l) {
            if (!std::isfinite(t.Values[i][l]) || std::abs(t.Values[i][l]) > MaxReading) {
                Refuse("A value of " + point + " is not a number within \u00B11e6.");
            }
            d.Spectra(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(l)) = t.Values[i][l];
        }
        d.Conc[static_cast<Eigen::Index>(i)] = c;
        d.Host[static_cast<Eigen::Index>(i)] = h;
    }
    return d;
}

std::vector<TSpectraLayout> CheckedLayouts(const TSpectraSettings& settings, Eigen::Index obs) {
    std::vector<TSpectraLayout> layouts;
    for (const std::string& name : settings.Models) {
        const TModelDef* model = FindModel(name);
        if (model == nullptr) {
            Refuse("There is no model named \"" + name + "\".");
        }
        if (std::none_of(layouts.begin(), layouts.end(),
                         [&](const TSpectraLayout& l) { return l.Model.Name == name; })) {
            std::vector<std::optional<double>> fixed(model->LgK.size());
            for (const TFixedParam& f : settings.Fixed) {
                const auto at = std::find(model->LgK.begin(), model->LgK.end(), f.Name);
                if (at != model->LgK.end()) {
                    fixed[static_cast<std::size_t>(at - model->LgK.begin())] = f.Value;
                }
            }
            layouts.push_back(MakeSpectraLayout(*model, settings.LigandAbsorbs, fixed));
        }
    }
    if (layouts.empty()) {
        Refuse("No model was asked for.");
    }
    if (settings.Replicates < 0) {
        Refuse("The number of Monte Carlo replicates cannot be negative.");
    }
    if (!std::isfinite(settings.ConcErrorPercent) || settings.ConcErrorPercent < 0.0) {
        Refuse("The concentration error must be a percentage of 0 or more.");
    }
    for (const TFixedParam& f : settings.Fixed) {
        bool known = false;
        for (const TSpectraLayout& l : layouts) {
            const auto at = std::find(l.Model.LgK.begin(), l.Model.LgK.end(), f.Name);
            if (at == l.Model.LgK.end()) {
                continue;
            }
            known = true;
            const auto k = at - l.Model.LgK.begin();
            if (!(f.Value >= l.Lower[k] && f.Value <= l.Upper[k])) {
                Refuse("The value given for \"" + f.Name + "\" is outside the range searched.");
            }
        }
        if (!known) {
            Refuse("No model asked for has a constant named \"" + f.Name + "\".");
        }
    }
    for (const TSpectraLayout& l : layouts) {
        const auto p = static_cast<Eigen::Index>(l.FreeLgK().size() + l.Species.size());
        if (obs < p) {
            Refuse("There are too few spectra for model " + l.Model.Name + ".");
        }
    }
    return layouts;
}

TSpectraModelResult Describe(const TSpectraLayout& layout, const TSpectraData& data,
                             const TSpectraFit& fit) {
    TSpectraModelResult r;
    r.Model = layout.Model.Name;
    r.Converged = fit.Converged;
    r.Fit = fit.Summary;
    const TSpectraSolution solution = SolveSpectra(layout, data, fit.Values);
    const std::vector<int> freeLgK = layout.FreeLgK();
    const auto observations = static_cast<double>(data.Spectra.size());
    r.AbsorbingSpecies = static_cast<int>(layout.Species.size());
    r.Params = static_cast<int>(freeLgK.size()) +
               r.AbsorbingSpecies * static_cast<int>(data.Spectra.cols());
    r.Dof = static_cast<int>(data.Spectra.size()) - r.Params;
    r.Ss = solution.Ss;
    r.Rms = std::sqrt(r.Ss / observations);
    const TCriteria criteria =
        InformationCriteria(r.Ss, static_cast<int>(data.Spectra.size()), r.Params);
    r.Aic = criteria.Aic;
    r.Aicc = criteria.Aicc;
    r.Bic = criteria.Bic;
    const bool errors = r.Converged && r.Dof > 0;
    const TSpectraErrors e = SpectraErrors(layout, data, fit.Values, errors ? r.Ss / r.Dof : Nan);
    const double t = errors ? T975(r.Dof) : Nan;
    std::string undetermined;
    for (int k = 0; k < layout.LgKCount(); ++k) {
        TParamResult p;
        p.Name = layout.Model.LgK[static_cast<std::size_t>(k)];
        p.Value = fit.Values[k];
        p.Fixed = layout.Fixed[static_cast<std::size_t>(k)];
        const auto a = std::find(freeLgK.begin(), freeLgK.end(), k) - freeLgK.begin();
        if (!p.Fixed) {
            const bool atLimit =
                std::find(fit.AtLimit.begin(), fit.AtLimit.end(), k) != fit.AtLimit.end();
            p.Determined = e.LgKDetermined[static_cast<std::size_t>(a)] && !atLimit;
            if (errors && p.Determined) {
                p.Se = std::sqrt(e.LgKCov(a, a));
                p.Ci95 = TInterval{p.Value - t * *p.Se, p.Value + t * *p.Se};
            }
            if (!p.Determined) {
                undetermined += (undetermined.empty() ? "" : ", ") + p.Name;
            }
        }
        r.LgK.push_back(p);
    }
    const std::vector<TSpecies> species = ModelSpecies(layout.Model);
    for (std::size_t j = 0; j < layout.Species.size(); ++j) {
        TSpeciesSpectrum s;
        s.Species = SpeciesName(species[static_cast<std::size_t>(layout.Species[j])]);
        const auto row = static_cast<Eigen::Index>(j);
        for (Eigen::Index l = 0; l < solution.Eps.cols(); ++l) {
            s.Eps.push_back(solution.Eps(row, l));
            // With a lg K the data leave open, no ε has an error worth the name.
            s.Se.push_back(errors && undetermined.empty() ? std::sqrt(e.EpsVariance(row, l)) : Nan);
        }
        r.Species.push_back(std::move(s));
    }
    for (Eigen::Index i = 0; i < solution.Residuals.rows(); ++i) {
        r.Residuals.emplace_back(solution.Residuals.row(i).begin(),
                                 solution.Residuals.row(i).end());
    }
    if (!r.Converged) {
        r.Message =
            "The fit did not converge (stop: " + std::string(StopReasonName(fit.Summary.Stop)) +
            ").";
    } else if (r.Dof == 0) {
        r.Message =
            "No degrees of freedom are left (N - p = 0): the fit is exact and has no errors.";
    } else if (!undetermined.empty()) {
        r.Message = "Not determined by the data: " + undetermined + ".";
    }
    return r;
}

struct TReplicate {
    Eigen::VectorXd LgK;
    bool Converged = false;
    bool AtLimit = false;
};

// Replicates of the best fit: its model spectra (at perturbed concentrations when those carry
// an error) plus noise of the fit's residual sd, refitted at the nominal concentrations.
// Replicate i draws from (seed, i) alone, in the order point by point, so the numbers do not
// depend on the threads.
void AddMonteCarlo(const TSpectraLayout& layout, const TSpectraData& data, const TSpectraFit& best,
                   const TSpectraSettings& settings, int threads, const TSpectraObserver& observer,
                   TSpectraModelResult& r, bool& stopped) {
    const double noise = std::sqrt(r.Ss / r.Dof);
    const double concError = settings.ConcErrorPercent / 100.0;
    const Eigen::MatrixXd eps = SolveSpectra(layout, data, best.Values).Eps;
    const Eigen::MatrixXd model =
        SpeciesColumns(layout, best.Values, data.Conc, data.Host, data.PathLength) * eps;
    std::vector<TReplicate> results(static_cast<std::size_t>(settings.Replicates));
    const auto job = [&](int index) {
        TReplicateRandom random(settings.Seed, static_cast<std::uint64_t>(index));
        TSpectraData replicate = data;
        if (concError > 0.0) {
            Eigen::VectorXd conc = data.Conc;
            Eigen::VectorXd host = data.Host;
            for (Eigen::Index i = 0; i < conc.size(); ++i) {
                conc[i] = std::max(0.0, conc[i] * (1.0 + concError * random.Normal()));
                host[i] = std::abs(host[i] * (1.0 + concError * random.Normal()));
            }
            replicate.Spectra =
                SpeciesColumns(layout, best.Values, conc, host, data.PathLength) * eps;
        } else {
            replicate.Spectra = model;
        }
        for (Eigen::Index i = 0; i < replicate.Spectra.rows(); ++i) {
            for (Eigen::Index l = 0; l < replicate.Spectra.cols(); ++l) {
                replicate.Spectra(i, l) += noise * random.Normal();
            }
        }
        const TSpectraFit fit = FitSpectraFrom(layout, replicate, best.Values);
        results[static_cast<std::size_t>(index)] = {fit.Values, fit.Converged,
                                                    !fit.AtLimit.empty()};
    };
    const std::vector<char> finished = RunIndexed(
        settings.Replicates, threads, job,
        [&](int done) {
            if (observer.Progress) {
                observer.Progress(r.Model, done, settings.Replicates);
            }
        },
        observer.StopRequested, stopped);
    std::vector<std::vector<double>> columns(r.LgK.size());
    for (std::size_t i = 0; i < finished.size(); ++i) {
        if (finished[i] == 0) {
            continue;
        }
        ++r.ReplicatesDone;
        r.McFailed += results[i].Converged ? 0 : 1;
        r.McAtBound += results[i].AtLimit ? 1 : 0;
        if (results[i].Converged) {
            ++r.McUsed;
            for (std::size_t k = 0; k < columns.size(); ++k) {
                columns[k].push_back(results[i].LgK[static_cast<Eigen::Index>(k)]);
            }
        }
    }
    if (r.McUsed < MinReplicatesForInterval) {
        return;
    }
    for (std::size_t k = 0; k < r.LgK.size(); ++k) {
        TParamResult& p = r.LgK[k];
        if (!p.Fixed && p.Determined) {
            p.Mc95 = TInterval{Percentile(columns[k], 0.025), Percentile(columns[k], 0.975)};
        }
    }
}

// The comparison of the models as for shifts, every ε counted among the parameters; then what
// the factor analysis says beside the preferred model.
void CompareSpectraModels(TSpectraResult& result, const std::vector<TSpectraLayout>& layouts) {
    std::vector<TStanding> standings;
    for (std::size_t m = 0; m < result.Models.size(); ++m) {
        const TSpectraModelResult& r = result.Models[m];
        standings.push_back(
            {r.Model, layouts[m].Model.Nests, r.Converged, r.Ss, r.Dof, r.Params, r.Aicc});
    }
    TModelVerdict verdict = CompareModels(standings);
    result.Comparison = std::move(verdict.Comparison);
    result.Verdict = std::move(verdict.Verdict);
    if (!verdict.Preferred) {
        return;
    }
    result.Preferred = *verdict.Preferred;
    const auto preferred =
        std::find_if(result.Models.begin(), result.Models.end(),
                     [&](const TSpectraModelResult& r) { return r.Model == *verdict.Preferred; });
    result.Verdict += (result.Verdict.back() == '.' ? " " : ". ") +
                      std::string("Factor analysis: ") + std::to_string(result.Factors.Species) +
                      " species above the noise; " + preferred->Model + " has " +
                      std::to_string(preferred->AbsorbingSpecies) + " absorbing species.";
}

TSpectraResult Analyse(const TSpectraTitration& titration, const TSpectraSettings& settings,
                       const TSpectraObserver& observer) {
    const TSpectraData data = CheckedData(titration, settings);
    const std::vector<TSpectraLayout> layouts = CheckedLayouts(settings, data.Spectra.size());
    TSpectraResult result;
    result.Observable = settings.Observable;
    result.Wavelengths = titration.Wavelengths;
    result.Points = static_cast<int>(data.Conc.size());
    result.Factors = AnalyseFactors(data.Spectra);
    result.Seed = settings.Seed;
    result.ReplicatesRequested = settings.Replicates;
    const int threads = ThreadCount(settings.Threads);
    // The models with fewer constants first, so that each starts from the optima of those it
    // nests too: its SS then never exceeds theirs.
    std::vector<std::size_t> order(layouts.size());
    for (std::size_t m = 0; m < order.size(); ++m) {
        order[m] = m;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const TModelDef& x = layouts[a].Model;
        const TModelDef& y = layouts[b].Model;
        return std::pair(x.LgK.size(), x.Complexes.size()) <
               std::pair(y.LgK.size(), y.Complexes.size());
    });
    std::vector<std::optional<TSpectraFit>> fits(layouts.size());
    for (std::size_t m : order) {
        if (result.Stopped) {
            break;
        }
        std::vector<Eigen::VectorXd> starts;
        for (std::size_t s = 0; s < layouts.size(); ++s) {
            if (fits[s] && Nests(layouts[m].Model, layouts[s].Model)) {
                const Eigen::VectorXd& lgK = fits[s]->Values;
                starts.push_back(NestedLgK(layouts[m].Space(), layouts[s].Model,
                                           {lgK.data(), static_cast<std::size_t>(lgK.size())}));
            }
        }
        fits[m] = FitSpectraFromLattice(layouts[m], data, starts, observer.StopRequested);
        HoldAtLimit(layouts[m], *fits[m],
                    [&](const TSpectraLayout& held, const Eigen::VectorXd& at) {
                        return FitSpectraFrom(held, data, at);
                    });
        result.Stopped = fits[m]->Summary.Stop == TStopReason::Stopped;
    }
    std::vector<TSpectraLayout> fitted;
    for (std::size_t m = 0; m < layouts.size(); ++m) {
        if (!fits[m]) {
            continue;
        }
        TSpectraModelResult r = Describe(layouts[m], data, *fits[m]);
        if (settings.Replicates > 0 && !result.Stopped && r.Converged && r.Dof > 0) {
            AddMonteCarlo(layouts[m], data, *fits[m], settings, threads, observer, r,
                          result.Stopped);
        }
        result.Models.push_back(std::move(r));
        fitted.push_back(layouts[m]);
    }
    CompareSpectraModels(result, fitted);
    return result;
}

}  // namespace

std::string_view ObservableName(TObservable observable) {
    return observable == TObservable::Absorbance ? "absorbance" : "fluorescence";
}

std::optional<TObservable> ObservableFromName(std::string_view name) {
    for (TObservable o : {TObservable::Absorbance, TObservable::Fluorescence}) {
        if (ObservableName(o) == name) {
            return o;
        }
    }
    return std::nullopt;
}

TSpectraResult RunSpectraAnalysis(const TSpectraTitration& titration,
                                  const TSpectraSettings& settings,
                                  const TSpectraObserver& observer) {
    try {
        return Analyse(titration, settings, observer);
    } catch (const EKelmoraError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw EKelmoraError("There is not enough memory for the analysis.");
    } catch (const std::exception&) {
        throw EKelmoraError(
            "The analysis failed: a computation in it went beyond what it can handle.");
    }
}

}  // namespace kelmora::analysis
