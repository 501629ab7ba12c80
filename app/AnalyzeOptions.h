#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "app/SpectraCli.h"

namespace kelmora {

// What the command line of "kelmora-fit analyze" asks for, already in types.
struct TAnalyzeOptions {
    std::optional<std::string> DataFile;  // absent or "-": standard input
    double P0 = 0.01;                     // host for every point unless a host column is given
    bool P0Given = false;
    bool HostColumn = false;
    bool Json = false;
    std::optional<std::string> XlsxFile;    // the tables as a workbook
    std::optional<std::string> CsvFolder;   // the tables as CSV files
    std::optional<std::string> ReportFile;  // .pdf or .html
    std::optional<std::string> OpenFile;    // a Kelmora file's Analysis data and settings
    std::optional<std::string> SaveFile;    // data, settings and results as a Kelmora file
    analysis::TAnalysisSettings Settings;
    TSpectraOptions Spectra;  // used when Spectra.SpectraFile is given
};

struct TAnalyzeArgs {
    enum class TKind { Run, Help, UsageError };
    TKind Kind = TKind::Run;
    TAnalyzeOptions Options;
    std::string Error;  // for UsageError: what was wrong, one line
};

// Whether the command word of the line is "analyze": the first argument that is neither an
// option nor the value of one.
bool IsAnalyzeCommand(const std::vector<std::string_view>& args);

// The whole line, the command word included; "--name value" and "--name=value" both work.
// Options not on the line keep their values in start (an opened file's settings); a --fix on
// the line replaces start's whole list.
TAnalyzeArgs ParseAnalyzeArgs(const std::vector<std::string_view>& args,
                              const TAnalyzeOptions& start = {});

// Whether a report can be written to this name: it ends in .pdf or .html.
bool IsReportName(std::string_view path);

std::string AnalyzeUsageText();
std::string AnalyzeHelpText();

}  // namespace kelmora
