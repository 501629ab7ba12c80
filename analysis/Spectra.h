#pragma once

// The global analysis of an absorbance or fluorescence titration: whole spectra, every model
// fitted to every wavelength at once, the species spectra with their errors, a factor analysis
// of the spectra and the comparison of the models.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/FactorAnalysis.h"
#include "analysis/FitSummary.h"
#include "analysis/ModelCatalogue.h"

namespace kelmora::analysis {

enum class TObservable { Absorbance, Fluorescence };

// "absorbance", "fluorescence": the names scripts use.
std::string_view ObservableName(TObservable observable);
std::optional<TObservable> ObservableFromName(std::string_view name);

struct TSpectraTitration {
    std::vector<double> Wavelengths;          // W, nm
    std::vector<double> Conc;                 // total ligand per spectrum, M
    std::vector<double> Host;                 // one for all spectra, or one per spectrum, M
    std::vector<std::vector<double>> Values;  // [spectrum][wavelength]
};

struct TSpectraSettings {
    TObservable Observable = TObservable::Absorbance;
    std::vector<std::string> Models = {"1:1", "1:2", "1:2nc"};  // catalogue names
    double PathLength = 1.0;                                    // cm
    bool LigandAbsorbs = false;                                 // free L has its own fitted ε
    std::vector<TFixedParam> Fixed;                             // lg K only
    int Replicates = 1000;
    double ConcErrorPercent = 0.0;
    std::uint64_t Seed = 1;
    int Threads = 0;  // 0: every core
};

struct TSpeciesSpectrum {
    std::string Species;      // "P", "L", "PL", ...
    std::vector<double> Eps;  // per wavelength, M^-1 cm^-1 (response units for fluorescence)
    std::vector<double> Se;   // per wavelength; NaN where the data do not determine it
};

struct TSpectraModelResult {
    std::string Model;
    bool Converged = false;
    std::string Message;  // why it failed or what it lacks; empty when all is well
    double Ss = 0.0;
    double Rms = 0.0;
    std::optional<double> Aic;
    std::optional<double> Aicc;
    std::optional<double> Bic;
    int Dof = 0;                    // n·W - p, p counting every ε
    int Params = 0;                 // p
    std::vector<TParamResult> LgK;  // the model's lg K, with SE, intervals and Monte Carlo
    std::vector<TSpeciesSpectrum> Species;
    std::vector<std::vector<double>> Residuals;  // [spectrum][wavelength]
    TLmSummary Fit;
    int ReplicatesDone = 0;
    int McUsed = 0;
    int McFailed = 0;
    int McAtBound = 0;
    int AbsorbingSpecies = 0;
};

struct TSpectraResult {
    TObservable Observable = TObservable::Absorbance;
    std::vector<double> Wavelengths;
    int Points = 0;
    TFactorAnalysis Factors;
    std::uint64_t Seed = 0;
    int ReplicatesRequested = 0;
    bool Stopped = false;
    std::vector<TSpectraModelResult> Models;
    std::vector<TComparison> Comparison;
    std::string Verdict;
    std::string Preferred;  // the verdict's model; empty when none is
};

// Progress of the Monte Carlo of one model, and a stop flag asked often; both on the calling
// thread only.
struct TSpectraObserver {
    std::function<void(const std::string& model, int done, int total)> Progress;
    std::function<bool()> StopRequested;
};

// Checks the data and the settings (EKelmoraError with the message to show), then fits every
// model, its errors and its replicates, and compares the models. A stop ends the run with what
// it has.
TSpectraResult RunSpectraAnalysis(const TSpectraTitration& titration,
                                  const TSpectraSettings& settings,
                                  const TSpectraObserver& observer = {});

}  // namespace kelmora::analysis
