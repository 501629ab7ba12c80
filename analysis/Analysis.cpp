#include "analysis/Analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <numeric>

#include "analysis/Derived.h"
#include "analysis/ModelComparison.h"
#include "analysis/MonteCarlo.h"
#include "analysis/Parallel.h"
#include "analysis/Profile.h"
#include "analysis/SeparableFit.h"
#include "analysis/Uncertainty.h"
#include "analysis/Weights.h"
#include "util/Errors.h"

namespace kelmora::analysis {
namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Refuse(const std::string& message) {
    throw EKelmoraError(message);
}

std::string Num(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

void CheckTitration(const TTitration& t, const std::vector<std::string>& signalNames) {
    const std::size_t n = t.Conc.size();
    if (n == 0) {
        Refuse("There are no data points.");
    }
    if (n == 1) {
        Refuse("There are too few points: one point shows no change.");
    }
    if (t.Shifts.size() != n) {
        Refuse("Every point needs its shifts.");
    }
    const std::size_t signals = t.Shifts[0].size();
    if (signals == 0) {
        Refuse("There is no signal: every point needs at least one shift.");
    }
    if (signalNames.size() != signals) {
        Refuse("There are " + std::to_string(signalNames.size()) + " signal names for " +
               std::to_string(signals) + " signals.");
    }
    if (t.Host.size() != 1 && t.Host.size() != n) {
        Refuse("Give one host concentration for all points or one for each point.");
    }
    const std::string limit = std::to_string(static_cast<int>(MaxConcentration)) + " M";
    for (std::size_t i = 0; i < n; ++i) {
        const std::string point = "point " + std::to_string(i + 1);
        if (!std::isfinite(t.Conc[i]) || t.Conc[i] < 0.0) {
            Refuse("The ligand concentration at " + point + " is negative or not a number.");
        }
        if (t.Conc[i] > MaxConcentration) {
            Refuse("The ligand concentration at " + point + " is above " + limit + ".");
        }
        if (!std::isfinite(t.HostAt(i)) || !(t.HostAt(i) > 0.0)) {
            Refuse("The host concentration at " + point + " is not above 0.");
        }
        if (t.HostAt(i) > MaxConcentration) {
            Refuse("The host concentration at " + point + " is above " + limit + ".");
        }
        if (t.Shifts[i].size() != signals) {
            Refuse("At " + point + " there are " + std::to_string(t.Shifts[i].size()) +
                   " shifts instead of " + std::to_string(signals) + ".");
        }
        for (std::size_t s = 0; s < signals; ++s) {
            if (!std::isfinite(t.Shifts[i][s])) {
                Refuse("A shift at " + point + " is not a number.");
            }
            if (std::abs(t.Shifts[i][s]) > MaxShiftMagnitude) {
                Refuse("The shift of signal \"" + signalNames[s] + "\" at " + point +
                       " is beyond \u00B11e6 ppm.");
            }
        }
    }
}

std::vector<TModelDef> CheckSettings(const TAnalysisSettings& settings, int observations,
                                     const std::vector<std::string>& signalNames,
                                     const std::vector<bool>& guest) {
    std::vector<TModelDef> models;
    for (const TModelDef& m : settings.Models) {
        const bool seen = std::any_of(models.begin(), models.end(),
                                      [&](const TModelDef& d) { return d.Name == m.Name; });
        if (!seen) {
            models.push_back(m);
        }
    }
    if (models.empty()) {
        Refuse("No model was asked for.");
    }
    if (settings.Replicates < 0) {
        Refuse("The number of Monte Carlo replicates cannot be negative.");
    }
    if (!(settings.ConcErrorPercent >= 0.0 && settings.ConcErrorPercent <= MaxConcErrorPercent)) {
        Refuse("The concentration error must be a percentage from 0 to 50.");
    }
    for (const std::string& name : settings.GuestSignals) {
        if (std::find(signalNames.begin(), signalNames.end(), name) == signalNames.end()) {
            Refuse("There is no signal named \"" + name + "\" to be a guest signal.");
        }
    }
    for (const TFixedParam& f : settings.Fixed) {
        const bool known = std::any_of(models.begin(), models.end(), [&](const TModelDef& m) {
            const auto names = ParamNames(m, signalNames, guest, settings.LinearTerm);
            return std::find(names.begin(), names.end(), f.Name) != names.end();
        });
        if (!known) {
            Refuse("No model asked for has a parameter named \"" + f.Name + "\".");
        }
        if (!std::isfinite(f.Value)) {
            Refuse("The value given for \"" + f.Name + "\" is not a number.");
        }
        const bool lgK = std::any_of(models.begin(), models.end(), [&](const TModelDef& m) {
            return std::find(m.LgK.begin(), m.LgK.end(), f.Name) != m.LgK.end();
        });
        if (!lgK && std::abs(f.Value) > MaxShiftMagnitude) {
            Refuse("The value given for \"" + f.Name + "\" is beyond \u00B11e6.");
        }
    }
    for (const TModelDef& m : models) {
        const TLayout layout =
            MakeLayout(m, signalNames, guest, settings.LinearTerm, settings.Fixed);
        // A constant held where the search cannot go would give a fit no search could.
        for (int j = 0; j < layout.LgKCount; ++j) {
            const double v = layout.FixedValues[j];
            if (layout.Fixed[static_cast<std::size_t>(j)] &&
                (v < LgKMin(layout, j) || v > LgKMax(layout, j))) {
                Refuse("The value given for \"" + layout.Names[static_cast<std::size_t>(j)] +
                       "\" is outside the range searched, " + Num(LgKMin(layout, j)) + " to " +
                       Num(LgKMax(layout, j)) + ".");
            }
        }
        const int p = layout.FreeCount();
        if (observations < p) {
            Refuse("There are too few points: model " + m.Name + " has " + std::to_string(p) +
                   " free parameters but the data have only " + std::to_string(observations) +
                   " observations.");
        }
    }
    return models;
}

// Residual variance over the variance of the observed changes from each signal's first point,
// pooled over the observations in the fit.
double CovFit(const Eigen::MatrixXd& residuals, const TFitData& data) {
    Eigen::MatrixXd change = data.Shifts;
    for (Eigen::Index s = 0; s < change.cols(); ++s) {
        Eigen::Index first = 0;
        while (first + 1 < change.rows() && data.Used(first, s) == 0.0) {
            ++first;
        }
        change.col(s) = (change.col(s).array() - data.Shifts(first, s)) * data.Used.col(s).array();
    }
    const double n = data.Observations;
    const auto variance = [&](const Eigen::MatrixXd& m) {
        const double mean = m.sum() / n;
        return ((m.array() - mean) * data.Used.array()).square().sum() / n;
    };
    return variance(residuals) / variance(change);
}

// A constant from a lg K (or, in 1:2nc, K2 from lg K1): 10^(scale·lg + shift) of the value and
// of every interval end.
void PowerOfTen(TConstant& k, const TParamResult& lg, double scale, double shift) {
    const auto power = [&](double x) { return std::pow(10.0, scale * x + shift); };
    const auto range = [&](const std::optional<TInterval>& i) -> std::optional<TInterval> {
        return i ? std::optional(TInterval{power(i->Lo), power(i->Hi)}) : std::nullopt;
    };
    k.Value = power(lg.Value);
    k.Ci95 = range(lg.Ci95);
    k.Mc95 = range(lg.Mc95);
    k.Determined = lg.Determined;
    if (lg.Profile95) {
        const auto end = [&](const std::optional<double>& x) {
            return x ? std::optional(power(*x)) : std::nullopt;
        };
        // A negative scale would swap the ends; the catalogue's constants only grow with lg K.
        k.Profile95 = TOpenInterval{end(lg.Profile95->Lo), end(lg.Profile95->Hi)};
    }
}

// Each complex's overall constant at the optimum; its intervals when it follows from one lg K.
void SetConstants(TModelResult& r) {
    r.Constants.clear();
    std::vector<double> lgBeta(r.Model.Complexes.size());
    ComplexLgBeta(r.Model, r.Best.LgK, lgBeta);
    for (std::size_t k = 0; k < r.Model.Complexes.size(); ++k) {
        const TModelComplex& c = r.Model.Complexes[k];
        TConstant constant;
        constant.Name = ConstantName(c.Species);
        constant.Species = c.Species;
        constant.Value = std::pow(10.0, lgBeta[k]);
        const auto moves = [](double a) { return a != 0.0; };
        const auto moved = std::count_if(c.LgKCoefficients.begin(), c.LgKCoefficients.end(), moves);
        const auto first = std::find_if(c.LgKCoefficients.begin(), c.LgKCoefficients.end(), moves);
        if (moved == 1) {
            const auto j = static_cast<std::size_t>(first - c.LgKCoefficients.begin());
            PowerOfTen(constant, r.Params[j], c.LgKCoefficients[j], c.Offset);
        }
        r.Constants.push_back(constant);
    }
}

TModelValues BestValues(const TLayout& layout, const Eigen::VectorXd& values) {
    TModelValues best;
    best.Model = layout.Model;
    best.LgK.assign(values.begin(), values.begin() + layout.LgKCount);
    const int species = static_cast<int>(layout.Model.Complexes.size()) + 1;
    for (int s = 0; s < layout.Signals; ++s) {
        TSignalShifts shifts;
        shifts.Guest = layout.Guest[static_cast<std::size_t>(s)];
        for (int col = 0; col < species; ++col) {
            shifts.Species.push_back(values[layout.LinearIndex(s, col)]);
        }
        shifts.K = layout.LinearTerm ? values[layout.LinearIndex(s, layout.PerSignal - 1)] : 0.0;
        best.Signals.push_back(shifts);
    }
    return best;
}

// SS and what follows from it alone: RMS, cov_fit, the information criteria.
void SetFitStatistics(TModelResult& r, const Eigen::MatrixXd& residuals, const TFitData& data,
                      int p) {
    const int observations = data.Observations;
    r.Dof = observations - p;
    r.Rms = std::sqrt(r.Ss / observations);
    r.CovFit = CovFit(residuals, data);
    const TCriteria criteria = InformationCriteria(r.Ss, observations, p);
    r.Aic = criteria.Aic;
    r.Aicc = criteria.Aicc;
    r.Bic = criteria.Bic;
    for (Eigen::Index i = 0; i < residuals.rows(); ++i) {
        r.Residuals.emplace_back(residuals.row(i).begin(), residuals.row(i).end());
    }
}

// The unit each free parameter is judged in: 1 for lg K and shifts; a linear term in ppm at
// the largest C, so that all parameters are compared in units the chemist reads.
Eigen::VectorXd NaturalUnits(const TLayout& layout, const std::vector<int>& freeIndex,
                             const TFitData& data) {
    Eigen::VectorXd unit = Eigen::VectorXd::Ones(static_cast<Eigen::Index>(freeIndex.size()));
    for (std::size_t a = 0; a < freeIndex.size(); ++a) {
        const int i = freeIndex[a];
        const bool linearTerm = layout.LinearTerm && i >= layout.LgKCount &&
                                (i - layout.LgKCount) % layout.PerSignal == layout.PerSignal - 1;
        if (linearTerm) {
            unit[static_cast<Eigen::Index>(a)] = 1.0 / data.Conc.maxCoeff();
        }
    }
    return unit;
}

// Standard errors, 95 % intervals, covariance and correlation of the free parameters. Every
// free parameter enters, a lg K at its search limit too: leaving one out would give the others
// the errors they had if it were known.
void SetErrors(TModelResult& r, const TLayout& layout, const TFitData& data,
               const Eigen::VectorXd& values) {
    std::vector<int> freeIndex;
    for (int i = 0; i < layout.Size(); ++i) {
        if (!layout.Fixed[i]) {
            freeIndex.push_back(i);
        }
    }
    const bool errors = r.Converged && r.Dof > 0;
    const TFreeCovariance cov =
        FreeCovariance(ModelJacobian(layout, data, values), NaturalUnits(layout, freeIndex, data),
                       errors ? r.Ss / r.Dof : Nan, std::vector<bool>(freeIndex.size(), true));
    const double t = errors ? T975(r.Dof) : Nan;
    const auto size = static_cast<std::size_t>(layout.Size());
    r.Covariance.assign(size, std::vector<double>(size, Nan));
    r.Correlation.assign(size, std::vector<double>(size, Nan));
    const auto at = [](std::size_t k) { return static_cast<Eigen::Index>(k); };
    for (std::size_t a = 0; a < freeIndex.size(); ++a) {
        TParamResult& param = r.Params[static_cast<std::size_t>(freeIndex[a])];
        param.Determined = cov.Determined[a];
        const double variance = cov.Cov(at(a), at(a));
        if (errors && param.Determined) {
            param.Se = std::sqrt(variance);
            param.Ci95 = TInterval{param.Value - t * *param.Se, param.Value + t * *param.Se};
        }
        for (std::size_t b = 0; b < freeIndex.size(); ++b) {
            const double c = errors ? cov.Cov(at(a), at(b)) : Nan;
            const auto ia = static_cast<std::size_t>(freeIndex[a]);
            const auto ib = static_cast<std::size_t>(freeIndex[b]);
            r.Covariance[ia][ib] = c;
            r.Correlation[ia][ib] = c / std::sqrt(variance * cov.Cov(at(b), at(b)));
        }
    }
}

// The other minima worth a chemist's look: SS within OtherMinimaFactor of the best, each a
// basin of its own (see KeepSeparateMinima).
std::vector<TOtherMinimum> OtherMinima(const TLayout& layout, const TFitData& data,
                                       const TFitMinima& fit) {
    std::vector<TFitOutcome> minima = {fit.Best};
    for (const TFitOutcome& o : fit.Others) {
        if (o.Ss <= OtherMinimaFactor * fit.Best.Ss && fit.Best.Ss > 0.0) {
            minima.push_back(o);
        }
    }
    const std::vector<int> freeLgK = layout.FreeLgK();
    KeepSeparateMinima(minima, freeLgK, [&](const Eigen::VectorXd& lgK) {
        Eigen::VectorXd values = fit.Best.Values;
        values(freeLgK) = lgK;
        return SolveLinear(layout, data, values);
    });
    std::vector<TOtherMinimum> others;
    for (std::size_t i = 1; i < minima.size(); ++i) {
        TOtherMinimum m{minima[i].Ss, {}};
        for (int k : freeLgK) {
            m.LgK.emplace_back(layout.Names[static_cast<std::size_t>(k)], minima[i].Values[k]);
        }
        others.push_back(std::move(m));
    }
    return others;
}

// Everything about one fitted model except its Monte Carlo intervals.
TModelResult Describe(const TLayout& layout, const TFitData& data, const TFitMinima& minima) {
    const TFitOutcome& fit = minima.Best;
    TModelResult r;
    r.Model = layout.Model;
    r.Converged = fit.Converged;
    r.Fit = fit.Summary;
    r.OtherMinima = OtherMinima(layout, data, minima);
    Eigen::VectorXd values = fit.Values;
    Eigen::MatrixXd residuals;
    r.Ss = SolveLinear(layout, data, values, &residuals);
    SetFitStatistics(r, residuals, data, layout.FreeCount());
    r.Best = BestValues(layout, values);
    for (int i = 0; i < layout.Size(); ++i) {
        TParamResult param;
        param.Name = layout.Names[static_cast<std::size_t>(i)];
        param.Value = values[i];
        param.Fixed = layout.Fixed[static_cast<std::size_t>(i)];
        param.AtLimit = std::find(fit.AtLimit.begin(), fit.AtLimit.end(), i) != fit.AtLimit.end();
        r.Params.push_back(param);
    }
    SetErrors(r, layout, data, values);
    const std::vector<std::string> tied = SetProfiles(r, layout, data, values, minima.Others);
    r.Derived = DerivedParams(r);
    const std::string stop(StopReasonName(fit.Summary.Stop));
    if (!r.Converged) {
        r.Message = "The fit did not converge (stop: " + stop + ").";
    } else if (r.Dof == 0) {
        r.Message =
            "No degrees of freedom are left (N - p = 0): the fit is exact and has no errors.";
    } else {
        r.Message = UndeterminedNote(r, tied);
    }
    if (r.Converged && fit.Summary.Stop != TStopReason::Tolerance) {
        r.Message += (r.Message.empty() ? "" : " ") + std::string("The fit stopped on a ") + stop +
                     ", not on its tolerance.";
    }
    SetConstants(r);
    return r;
}

void AddNote(TModelResult& r, const std::string& note) {
    if (!note.empty()) {
        r.Message += (r.Message.empty() ? "" : " ") + note;
    }
}

TAnalysisResult Analyse(const TTitration& allSignals, const TAnalysisSettings& settings,
                        const TAnalysisObserver& observer) {
    CheckTitration(allSignals, SignalNamesOf(allSignals));
    std::vector<std::string> warnings;
    const TTitration titration = WithoutConstantSignals(allSignals, &warnings);
    const std::vector<std::string>& signalNames = titration.SignalNames;
    const std::vector<bool> guest = GuestFlags(signalNames, settings.GuestSignals);
    const TFitData raw = MakeFitData(titration, guest);
    const std::vector<TModelDef> models =
        CheckSettings(settings, raw.Observations, signalNames, guest);

    TAnalysisResult result;
    result.SignalNames = signalNames;
    result.Points = static_cast<int>(titration.Conc.size());
    result.Seed = settings.Seed;
    result.ReplicatesRequested = settings.Replicates;
    const auto report = [&](TAnalysisPhase phase, const std::string& model, int done, int total) {
        if (observer.Progress) {
            observer.Progress({phase, model, done, total});
        }
    };

    // The nested models first, so that a richer model can start from their optima too: its SS
    // then never exceeds theirs. A model's nested models nest fewer of those asked for than it.
    const auto nestedCount = [&](std::size_t m) {
        return std::count_if(models.begin(), models.end(),
                             [&](const TModelDef& simpler) { return Nests(models[m], simpler); });
    };
    std::vector<std::size_t> order(models.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return nestedCount(a) < nestedCount(b); });
    std::vector<std::optional<TModelResult>> fitted(models.size());
    std::vector<TLayout> layouts;
    for (const TModelDef& model : models) {
        layouts.push_back(
            MakeLayout(model, signalNames, guest, settings.LinearTerm, settings.Fixed));
    }
    // Every model is weighted alike, so that their sums of squares stay comparable; the sds
    // come from the richest model, whose residuals hold the least misfit.
    Eigen::VectorXd sd = Eigen::VectorXd::Ones(raw.Shifts.cols());
    if (settings.WeightPerSignal) {
        report(TAnalysisPhase::Fitting, models[0].Name, 0, static_cast<int>(models.size()));
        sd = SignalSd(*std::max_element(layouts.begin(), layouts.end(),
                                        [](const TLayout& a, const TLayout& b) {
                                            return a.FreeCount() < b.FreeCount();
                                        }),
                      raw);
        result.SignalSd.assign(sd.begin(), sd.end());
    }
    const TFitData data = ScaledData(raw, sd);
    for (std::size_t done = 0; done < order.size() && !result.Stopped; ++done) {
        const std::size_t m = order[done];
        report(TAnalysisPhase::Fitting, models[m].Name, static_cast<int>(done),
               static_cast<int>(models.size()));
        std::vector<Eigen::VectorXd> starts;
        for (const std::optional<TModelResult>& simpler : fitted) {
            if (simpler && Nests(models[m], simpler->Model)) {
                starts.push_back(NestedStart(layouts[m], simpler->Best));
            }
        }
        TFitMinima minima = FitFromLattice(layouts[m], data, starts, observer.StopRequested);
        HoldAtLimit(layouts[m], minima.Best, [&](const TLayout& held, const Eigen::VectorXd& at) {
            return FitFrom(held, data, at);
        });
        result.Stopped = minima.Stopped || minima.Best.Summary.Stop == TStopReason::Stopped;
        if (!(minima.Stopped && minima.None)) {
            fitted[m] = Describe(layouts[m], data, minima);
        }
    }
    if (!result.Stopped) {
        report(TAnalysisPhase::Fitting, models.back().Name, static_cast<int>(models.size()),
               static_cast<int>(models.size()));
    }
    std::vector<TLayout> fittedLayouts;
    for (std::size_t m = 0; m < models.size(); ++m) {
        if (fitted[m]) {
            result.Models.push_back(std::move(*fitted[m]));
            fittedLayouts.push_back(layouts[m]);
        } else {
            result.NotFitted.push_back(models[m].Name);
        }
    }
    layouts = std::move(fittedLayouts);

    const int threads = ThreadCount(settings.Threads);
    for (std::size_t m = 0; m < result.Models.size(); ++m) {
        TModelResult& r = result.Models[m];
        if (settings.Replicates == 0 || result.Stopped || !r.Converged || r.Dof <= 0) {
            continue;
        }
        TMonteCarloSetup setup;
        setup.NoiseSd = std::sqrt(r.Ss / r.Dof);
        setup.ConcErrorRel = settings.ConcErrorPercent / 100.0;
        setup.Seed = settings.Seed;
        setup.Replicates = settings.Replicates;
        setup.Threads = threads;
        Eigen::VectorXd best(static_cast<Eigen::Index>(r.Params.size()));
        for (std::size_t i = 0; i < r.Params.size(); ++i) {
            best[static_cast<Eigen::Index>(i)] = r.Params[i].Value;
        }
        const TMonteCarloRun run = RunMonteCarlo(
            layouts[m], data, best, setup,
            [&](int done) {
                report(TAnalysisPhase::MonteCarlo, r.Model.Name, done, setup.Replicates);
            },
            observer.StopRequested);
        AddMonteCarlo(run, r);
        SetConstants(r);
        AddNote(r, MonteCarloNote(r));
        result.Stopped = run.Stopped;
    }
    for (std::size_t m = 0; m < result.Models.size(); ++m) {
        Unscale(result.Models[m], layouts[m], sd);
        if (!settings.WeightPerSignal) {
            AddNote(result.Models[m], NoiseNote(result.Models[m], signalNames));
        }
    }
    std::optional<int> fewest;
    for (const TModelResult& r : result.Models) {
        if (r.Converged && r.Dof > 0) {
            fewest = std::min(fewest.value_or(r.ReplicatesDone), r.ReplicatesDone);
        }
    }
    result.ReplicatesDone = fewest.value_or(0);
    std::vector<TStanding> standings;
    for (std::size_t m = 0; m < result.Models.size(); ++m) {
        const TModelResult& r = result.Models[m];
        standings.push_back({r.Model.Name, r.Model.Nests, r.Converged, r.Ss, r.Dof,
                             layouts[m].FreeCount(), r.Aicc});
    }
    TModelVerdict verdict = CompareModels(standings);
    result.Comparison = std::move(verdict.Comparison);
    result.Preferred = std::move(verdict.Preferred);
    result.Verdict = std::move(verdict.Verdict);
    result.Warnings = std::move(warnings);
    return result;
}

}  // namespace

std::string PValueText(double p) {
    // Below this the F distribution's tail underflows, and 0 would claim certainty.
    constexpr double Smallest = 1e-300;
    if (p < Smallest) {
        return "p < 1e-300";
    }
    char text[32];
    std::snprintf(text, sizeof text, "p = %.2g", p);
    return text;
}

std::string OtherMinimumText(const TOtherMinimum& other, const TModelResult& best) {
    std::string text = "another minimum:";
    char number[48];
    const std::vector<std::string>& lgK = best.Model.LgK;
    const auto printed = [](double x) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.3f", x);
        return std::string(digits);
    };
    for (const auto& [name, value] : other.LgK) {
        const auto j = static_cast<int>(std::find(lgK.begin(), lgK.end(), name) - lgK.begin());
        // A descent along a flat valley may stop a hair short of the limit; what would print as
        // the limit is no value either.
        const bool atLimit = j < static_cast<int>(lgK.size()) &&
                             (value <= LgKMin(best.Model, j) || value >= LgKMax(best.Model, j) ||
                              printed(value) == printed(LgKMin(best.Model, j)) ||
                              printed(value) == printed(LgKMax(best.Model, j)));
        text += " " + name + (atLimit ? " at the limit," : " = " + printed(value) + ",");
    }
    std::snprintf(number, sizeof number, " SS %.2f × the best", other.Ss / best.Ss);
    return text + number;
}

TTitration WithoutConstantSignals(const TTitration& titration, std::vector<std::string>* warnings) {
    const std::vector<std::string> names = SignalNamesOf(titration);
    TTitration t{titration.Conc, titration.Host, {}, {}};
    t.Shifts.resize(titration.Shifts.size());
    for (std::size_t s = 0; s < names.size(); ++s) {
        const bool flat =
            std::all_of(titration.Shifts.begin(), titration.Shifts.end(),
                        [&](const auto& row) { return row[s] == titration.Shifts[0][s]; });
        if (flat) {
            if (warnings != nullptr) {
                warnings->push_back("Signal \"" + names[s] +
                                    "\" does not change at all; it is left out of the fit.");
            }
            continue;
        }
        t.SignalNames.push_back(names[s]);
        for (std::size_t i = 0; i < t.Shifts.size(); ++i) {
            t.Shifts[i].push_back(titration.Shifts[i][s]);
        }
    }
    if (t.SignalNames.empty() && !names.empty()) {
        Refuse(names.size() == 1 ? "Signal \"" + names[0] + "\" does not change at all."
                                 : "No signal changes at all.");
    }
    return t;
}

TAnalysisResult RunAnalysis(const TTitration& titration, const TAnalysisSettings& settings,
                            const TAnalysisObserver& observer) {
    try {
        return Analyse(titration, settings, observer);
    } catch (const EKelmoraError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw EKelmoraError("There is not enough memory for the analysis.");
    } catch (const std::exception&) {
        // A library's own text means nothing to the user; where it came from does.
        throw EKelmoraError(
            "The analysis failed: a computation in it went beyond what it can "
            "handle.");
    }
}

}  // namespace kelmora::analysis
