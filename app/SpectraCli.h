#pragma once

#include <optional>
#include <string>

#include "analysis/Spectra.h"
#include "app/FitCli.h"

namespace kelmora {

// What kelmora-fit analyze needs for a spectroscopic titration, beside the shared settings.
struct TSpectraOptions {
    std::optional<std::string> SpectraFile;
    std::optional<std::string> PointsFile;
    analysis::TObservable Observable = analysis::TObservable::Absorbance;
    double PathLength = 1.0;  // cm
    bool LigandAbsorbs = false;
    bool InRows = false;
    double P0 = 0.01;  // host of every spectrum when the points file holds C only
};

// The points file: one line per spectrum, in the spectra's order, C and then the host
// concentration, or C alone (every point then gets host). Cells split as the analyze data text;
// an optional first line of names only. EKelmoraError names the line for anything else.
void ParsePointsText(std::string_view text, double host, analysis::TSpectraTitration& t);

// Reads both files, runs the analysis and writes its text or JSON; returns the exit status.
// The analysis settings of analyze's shared options, for spectra.
analysis::TSpectraSettings SpectraSettingsOf(const analysis::TAnalysisSettings& shared,
                                             const TSpectraOptions& options);

int RunSpectraCli(const TSpectraOptions& options, const analysis::TSpectraSettings& settings,
                  bool json, TFitCliStreams streams);

}  // namespace kelmora
