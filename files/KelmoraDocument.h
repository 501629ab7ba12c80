#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/Spectra.h"
#include "engine/FitState.h"
#include "engine/FitTypes.h"
#include "files/SpectraFile.h"
#include "grid/DataCells.h"
#include "minima/MinimaStore.h"

namespace kelmora {

// The format this program writes; it reads this one and every older one.
inline constexpr std::uint64_t KelmoraFormatVersion = 2;

// What "From volumes…" was given, as typed: kept with the work so that the concentrations it
// filled in can be traced back to the bench.
struct TVolumeTexts {
    std::string HostStock;    // M
    std::string LigandStock;  // M
    bool HostInLigand = false;
    std::string StartVolume;         // µL
    std::vector<std::string> Added;  // µL per point
    bool RunningTotal = false;

    bool operator==(const TVolumeTexts&) const = default;
};

// The results the Analysis window showed, with the titration they were fitted to, so that an
// opened file shows them without a refit.
struct TSavedResults {
    analysis::TTitration Data;
    analysis::TAnalysisResult Result;
    bool Stale = false;  // the data or settings had changed since the Fit
    // Alike when their file texts are: every number to the last bit, NaN equal to NaN.
    friend bool operator==(const TSavedResults& a, const TSavedResults& b);
};

// The Analysis window's data and settings, as the user left them.
struct TAnalysisSection {
    std::vector<std::vector<std::string>> DataCells;  // the data grid's rows of cell texts
    std::string P0Text;
    std::vector<std::string> Models;  // the names of those chosen, as in the model catalogue
    bool LinearTerm = false;
    bool WeightPerSignal = false;
    std::map<std::string, std::string> FixedParams;  // parameter name -> value text
    std::int32_t Replicates = 0;                     // Monte Carlo
    std::string ConcErrorText;                       // concentration error, %
    std::uint64_t Seed = 0;
    std::optional<TVolumeTexts> Volumes;  // when C and P0 came from volumes
    std::optional<TSavedResults> Results;

    bool operator==(const TAnalysisSection&) const = default;
};

// The results the Spectra window showed, with the titration (the chosen wavelengths) they were
// fitted to.
struct TSavedSpectraResults {
    analysis::TSpectraTitration Data;
    analysis::TSpectraResult Result;
    bool Stale = false;  // the data or settings had changed since the Run
    // Alike when their file texts are, as TSavedResults.
    friend bool operator==(const TSavedSpectraResults& a, const TSavedSpectraResults& b);
};

// The Spectra window's data and settings, as the user left them: the spectra as read from their
// file (the file itself may be gone when the work is opened again), the points and every
// setting as typed.
struct TSpectraSection {
    std::string SpectraName;  // the file the spectra came from, for the window's caption
    TSpectraFile Spectra;
    bool InRows = false;
    std::vector<std::vector<std::string>> PointCells;  // header row, then C and P0 per point
    std::string P0Text;
    std::string FromText;  // the wavelength range, nm
    std::string ToText;
    std::int32_t Step = 1;
    std::string Observable = "absorbance";
    std::vector<std::string> Models;  // catalogue names
    std::string PathLengthText;
    bool LigandAbsorbs = false;
    std::int32_t Replicates = 0;
    std::uint64_t Seed = 0;
    std::optional<TSavedSpectraResults> Results;

    bool operator==(const TSpectraSection&) const = default;
};

// Everything a Kelmora file holds. Whatever the user typed stays text, so that opening a file
// shows every cell exactly as it was saved.
struct TKelmoraDocument {
    std::string DecimalSeparator = ".";
    TParamCells ParamCells{};
    // The fit's own values. The table shows them to 15 digits only, and the criterion at the
    // rounded values is not the one the fit ended with.
    TParamVector ParamValues{};
    TDataCells DataCells;  // down to the last filled row
    std::string P0Text = "0.01";
    std::string IterCountText = DefaultIterCountText;
    bool FinishMinima = false;
    std::int32_t ChartMode = 0;
    std::vector<TFoundMinimum> Minima;
    double BestQ = TMinimaStore::NoBestQ;
    std::int32_t MinimaDropped = 0;
    std::optional<TAnalysisSection> Analysis;
    std::optional<TSpectraSection> Spectra;  // files without one open with the window as it starts

    bool operator==(const TKelmoraDocument&) const = default;
};

// The work as the program starts it: the parameter table's defaults in the start-up separator,
// no data, every setting at its default.
TKelmoraDocument StartupDocument();

// Whether two documents hold the same work: every field alike but the exact values, which
// follow from the table: a Compute that reads the table unchanged makes no change worth saving.
bool SameWork(const TKelmoraDocument& a, const TKelmoraDocument& b);

}  // namespace kelmora
