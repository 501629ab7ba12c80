#pragma once

// The global least-squares analysis of a titration: every model fitted to every signal at once,
// with standard errors, confidence and Monte Carlo intervals, and a comparison of the models.
// Nothing here touches the engine of Compute, Optimize and Scan; this is its own exact solver.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/FitSummary.h"
#include "analysis/ModelCatalogue.h"

namespace kelmora::analysis {

// The largest numbers a titration can hold: beyond them a value is a typing or unit slip, and
// squares of such shifts would leave the range of doubles.
inline constexpr double MaxShiftMagnitude = 1e6;  // ppm, either sign
inline constexpr double MaxConcentration = 1e3;   // M, ligand and host
// A concentration known only to within half of itself makes replicates with negative or doubled
// concentrations, whose refits end on the search limits: no interval worth printing.
inline constexpr double MaxConcErrorPercent = 50.0;

// One titration: n points, S >= 1 signals.
struct TTitration {
    std::vector<double> Conc;  // total ligand C per point, M
    // Total host per point, M: either one value for every point or one per point.
    std::vector<double> Host;
    std::vector<std::string> SignalNames;     // S names; empty: "s1", "s2", ...
    std::vector<std::vector<double>> Shifts;  // Shifts[point][signal], ppm

    double HostAt(std::size_t point) const { return Host.size() == 1 ? Host[0] : Host[point]; }
};

struct TFixedParam {
    std::string Name;  // "lgK1", "dP.<signal>", "dPL2.<signal>", "k.<signal>": as ParamNames

    double Value = 0.0;
};

struct TAnalysisSettings {
    std::vector<TModelDef> Models = DefaultModels();
    bool LinearTerm = false;  // k.<signal>·C per signal
    // Signals of the guest, by name: their shift is weighted by the guest's share in each
    // species, and free L has its own shift dL. The others are signals of the host.
    std::vector<std::string> GuestSignals;
    // A name that a model does not have (lgK2 in 1:1, say) leaves that model alone.
    std::vector<TFixedParam> Fixed;
    int Replicates = 1000;          // Monte Carlo replicates; 0 = no Monte Carlo
    double ConcErrorPercent = 0.0;  // relative sd of C and H in the replicates, percent
    std::uint64_t Seed = 1;
    int Threads = 0;  // 0: every core
    // Each signal weighted by its own residual variance, iterated to convergence; the SEs and
    // intervals follow the weights.
    bool WeightPerSignal = false;
};

struct TInterval {
    double Lo = 0.0;
    double Hi = 0.0;
};

// A 95 % region that may be open on either side: an absent end means the data allow any value
// up to the search limit there.
struct TOpenInterval {
    std::optional<double> Lo;
    std::optional<double> Hi;

    bool Closed() const { return Lo && Hi; }
};

struct TParamResult {
    std::string Name;
    double Value = 0.0;
    std::optional<double> Se;       // absent: fixed, undetermined, or N - p = 0
    std::optional<TInterval> Ci95;  // Value ± t(0.975, N - p)·SE
    std::optional<TInterval> Mc95;  // 2.5 and 97.5 percentiles of the converged replicates
    // Free lg K only: where the SS profile, every other parameter refitted, stays below the
    // F-based 95 % cut.
    std::optional<TOpenInterval> Profile95;
    bool Fixed = false;
    // false: the data do not pin this parameter down (for a lg K: its profile region is open)
    bool Determined = true;
    bool AtLimit = false;  // a lg K that ended on its search limit over a flat SS
};

// The overall formation constant of one complex P_mL_n, in M^-(m+n-1), intervals carried over
// from lg K when it follows from a single one.
struct TConstant {
    std::string Name;  // "K1", "K2", "K21": ConstantName of the complex
    TSpecies Species;
    double Value = 0.0;
    std::optional<TInterval> Ci95;
    std::optional<TInterval> Mc95;
    std::optional<TOpenInterval> Profile95;
    bool Determined = true;  // false: only Profile95's ends say anything about it
};

// The least number of converged replicates a Monte Carlo interval is drawn from.
inline constexpr int MinReplicatesForInterval = 20;

// The shifts of one signal at the optimum: one per species that holds the signal's component,
// the free host (or guest) first, then the model's complexes.
struct TSignalShifts {
    bool Guest = false;
    std::vector<double> Species;
    double K = 0.0;  // linear term; 0 when off
};

// Everything needed to evaluate a fitted model at any C and H.
struct TModelValues {
    TModelDef Model;
    std::vector<double> LgK;  // the model's lg K, in its order
    std::vector<TSignalShifts> Signals;
};

struct TModelPoint {
    std::vector<double> Concentrations;  // free P, free L, the complexes (TEquilibrium order), M
    std::vector<double> Shifts;          // one per signal
};

// The model at one point: exact speciation, then the shifts.
TModelPoint EvaluateModel(const TModelValues& values, double conc, double host);

// A minimum of SS other than the best, in a basin of its own.
struct TOtherMinimum {
    double Ss = 0.0;
    std::vector<std::pair<std::string, double>> LgK;  // the free lg K by name
};

struct TModelResult {
    TModelDef Model;
    bool Converged = false;
    // Why the fit failed, or why it has no errors (N - p = 0); empty when all is well.
    std::string Message;
    double Ss = 0.0;
    double Rms = 0.0;     // sqrt(SS/N), ppm
    double CovFit = 0.0;  // var(residuals) / var(shift - shift at the first point)
    std::optional<double> Aic;
    std::optional<double> Aicc;  // absent when N - p - 1 <= 0
    std::optional<double> Bic;
    int Dof = 0;                       // N - p
    std::vector<TParamResult> Params;  // the lg K, then per signal its species' shifts and k
    std::vector<TConstant> Constants;  // one per complex, in the model's order
    // Over Params in their order; NaN where an entry does not exist (fixed or undetermined
    // parameters, or N - p = 0).
    std::vector<std::vector<double>> Covariance;
    std::vector<std::vector<double>> Correlation;
    std::vector<std::vector<double>> Residuals;  // [point][signal], observed - model
    // lgK2step = lgK2 - lgK1 and alpha = 4·K2step/K1, for the models with PL2.
    std::vector<TParamResult> Derived;
    TModelValues Best;
    TLmSummary Fit;  // how the descent to the best fit ended
    // Every other distinct minimum with SS within OtherMinimaFactor of the best, lowest first.
    std::vector<TOtherMinimum> OtherMinima;
    int ReplicatesDone = 0;
    int McAtBound = 0;  // replicates that ended with a lg K on its search limit
    int McFailed = 0;   // replicates whose refit did not converge
    int McUsed = 0;     // converged replicates, the ones the percentiles come from
    // Parameters whose Monte Carlo spread cannot be trusted: too many replicates at a bound or
    // failed, or an interval more than 10 times wider than the asymptotic one.
    std::vector<std::string> McUnstable;
    // The refitted parameter values of each replicate done, [replicate][param], in Params order.
    std::vector<std::vector<double>> ReplicateValues;
};

// The nested pair simpler ⊂ richer; F and p absent when the test cannot be made.
struct TComparison {
    std::string Simpler;
    std::string Richer;
    std::optional<double> F;
    std::optional<double> P;
};

inline constexpr double OtherMinimaFactor = 4.0;

struct TAnalysisResult {
    std::vector<std::string> SignalNames;
    int Points = 0;
    std::uint64_t Seed = 0;
    int ReplicatesRequested = 0;
    // The fewest of any model that had a Monte Carlo (converged, N - p > 0); fewer than
    // requested when stopped.
    int ReplicatesDone = 0;
    bool Stopped = false;
    // With WeightPerSignal: each signal's residual sd (ppm) the weights are 1/sd² of; SS and
    // RMS are then of the weighted residuals, in units of those sds.
    std::vector<double> SignalSd;
    // Models a stop left unfitted; a model stopped during its fit has Fit.Stop "stopped".
    std::vector<std::string> NotFitted;
    std::vector<TModelResult> Models;  // in the order asked for, those fitted
    std::vector<TComparison> Comparison;
    // What was left out of the fit and why, e.g. a signal that does not change at all.
    std::vector<std::string> Warnings;
    // One line: the models ranked by AICc, and the F-test evidence for the preferred one, e.g.
    // "1:2 preferred (AICc 1:2 < 1:2nc < 1:1; F-test p = 0.003 over 1:1)"
    std::string Verdict;
    // The name of the model the verdict comes down to: none that a comparison rejects, else the
    // lowest AICc; absent when no model can be compared.
    std::optional<std::string> Preferred;
};

enum class TAnalysisPhase { Fitting, MonteCarlo };

struct TAnalysisProgress {
    TAnalysisPhase Phase = TAnalysisPhase::Fitting;
    std::string Model;
    int Done = 0;
    int Total = 0;
};

// Both are called on the thread that calls RunAnalysis, never on a worker. StopRequested is
// asked often, in the fits as in the Monte Carlo; once it answers true the run ends with what
// it has: the models fitted so far (the one being fitted with its best point yet), or the
// replicates done so far.
struct TAnalysisObserver {
    std::function<void(const TAnalysisProgress&)> Progress;
    std::function<bool()> StopRequested;
};

// Checks the titration and settings (an EKelmoraError with the message to show when they are
// unusable: numbers beyond the limits above, too few points, a fixed lg K outside its search
// range), leaves out the signals that do not change (with a warning), then fits every model, its
// errors and its replicates, and compares the models. Whatever fails inside, even in a library,
// ends as an EKelmoraError saying so.
TAnalysisResult RunAnalysis(const TTitration& titration, const TAnalysisSettings& settings,
                            const TAnalysisObserver& observer = {});

// "p = 0.0031", or "p < 1e-300" for a p-value too small for a double.
std::string PValueText(double p);
// "another minimum: lgK1 = 3.014, SS 2.04 × the best" beside the best fit; a lg K on its
// search limit reads "lgK1 at the limit", never the limit as a value.
std::string OtherMinimumText(const TOtherMinimum& other, const TModelResult& best);

// The parameter names of a model, in result order: its lg K, then per signal "d" and the name
// of each species holding the signal's component (dP, dPL, ... or dL, dPL, ...), then "k".
std::vector<std::string> ParamNames(const TModelDef& model,
                                    const std::vector<std::string>& signalNames,
                                    const std::vector<bool>& guest, bool linearTerm);

// Which signals are the guest's, from the settings' names.
std::vector<bool> GuestFlags(const std::vector<std::string>& signalNames,
                             const std::vector<std::string>& guestSignals);

// Signal names as the results use them: the given ones, or "s1", "s2", ...
std::vector<std::string> SignalNamesOf(const TTitration& titration);

// The titration as the fit takes it: named signals, those that do not change at all left out,
// each with a warning. Leaving out every signal raises EKelmoraError.
TTitration WithoutConstantSignals(const TTitration& titration,
                                  std::vector<std::string>* warnings = nullptr);

}  // namespace kelmora::analysis
