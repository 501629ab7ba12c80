#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "files/KelmoraDocument.h"

namespace kelmora {

// How a set of results was made, carried with every copy, export and report of them.
struct TRunRecord {
    analysis::TAnalysisSettings Settings;
    std::string Version;
    std::string Date;         // YYYY-MM-DD
    std::string DataSha256;   // of the data text as read (TitrationText for the windows)
    std::string CommandLine;  // kelmora-fit analyze that reproduces the numbers; may be empty
    std::optional<TVolumeTexts> Volumes;  // what C and P0 were worked out from, when they were
};

// "C and P0 from volumes: host stock 0.002 M; ligand stock 0.05 M (without host); starting
// volume 500 µL; each addition in µL: 10, 10, 20": the inputs as they were typed.
std::string VolumesText(const TVolumeTexts& volumes);

// The titration as kelmora-fit analyze reads it: a line of names, then C, the host and the
// shifts per point, TAB between cells, numbers to 17 significant digits.
std::string TitrationText(const analysis::TTitration& titration);

// The lowercase hexadecimal SHA-256 of the bytes.
std::string Sha256Hex(const std::string& bytes);

// The command that makes the same numbers from dataFile, every setting spelled out: the host
// one value for every point (p0) or, without p0, a column of the file (as in TitrationText).
// dataOption is "--open" when dataFile is a Kelmora file.
std::string AnalyzeCommandLine(const analysis::TAnalysisSettings& settings,
                               const std::string& dataFile, std::optional<double> p0,
                               std::string_view dataOption = "--data");

// One line each: the program and date; the models and what was fixed; points, signals and
// host; the Monte Carlo replicates asked and done, seed and concentration error; the volumes C
// and P0 came from, when they did; the data's checksum; the command line when there is one.
std::vector<std::string> ProvenanceLines(const analysis::TAnalysisResult& result,
                                         const analysis::TTitration& titration,
                                         const TRunRecord& record);

// Today's date in UTC as YYYY-MM-DD.
std::string TodayText();

}  // namespace kelmora
