#include "app/AnalyzeCli.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "analysisview/ResultSheets.h"
#include "app/AnalyzeInput.h"
#include "app/AnalyzeOptions.h"
#include "app/AnalyzeOutput.h"
#include "app/FitInput.h"
#include "app/HeadlessHost.h"
#include "files/Workbook.h"
#include "util/Errors.h"
#include "util/Version.h"

namespace kelmora {
namespace {

TRunRecord RecordOf(const TAnalyzeOptions& options, const std::string& dataText) {
    TRunRecord record;
    record.Settings = options.Settings;
    record.Version = KelmoraVersion;
    record.Date = TodayText();
    record.DataSha256 = Sha256Hex(dataText);
    record.CommandLine =
        AnalyzeCommandLine(options.Settings, options.DataFile.value_or("-"),
                           options.HostColumn ? std::nullopt : std::optional<double>(options.P0));
    return record;
}

int Run(const TAnalyzeOptions& options, TFitCliStreams streams, const TReportWriter& writeReport) {
    const std::string name = options.DataFile.value_or("-");
    const std::string text = ReadInputText(name, streams.In);
    const analysis::TTitration titration =
        IsSpreadsheetFileName(name) ? ParseTitrationFile(text, name, options.HostColumn, options.P0)
                                    : ParseTitrationText(text, options.HostColumn, options.P0);

    analysis::TAnalysisObserver observer;
    observer.StopRequested = [] { return TSigintGuard::Raised(); };
    if (streams.ShowProgress) {
        observer.Progress = [&](const analysis::TAnalysisProgress& p) {
            if (p.Phase == analysis::TAnalysisPhase::MonteCarlo) {
                streams.Err << "\rMonte Carlo " << analysis::ModelName(p.Model) << ": " << p.Done
                            << " / " << p.Total << "   " << std::flush;
            }
        };
    }
    analysis::TAnalysisResult result;
    {
        const TSigintGuard stopOnCtrlC;
        result = analysis::RunAnalysis(titration, options.Settings, observer);
    }
    if (streams.ShowProgress && options.Settings.Replicates > 0) {
        streams.Err << '\n';
    }
    if (options.XlsxFile || options.CsvFolder || options.ReportFile) {
        const TRunRecord record = RecordOf(options, text);
        if (options.XlsxFile || options.CsvFolder) {
            const std::vector<TSheet> sheets = ResultSheets(result, titration, record);
            if (options.XlsxFile) {
                WriteXlsxFile(*options.XlsxFile, sheets);
            }
            if (options.CsvFolder) {
                WriteCsvFiles(*options.CsvFolder, sheets);
            }
        }
        if (options.ReportFile) {
            writeReport(*options.ReportFile, result, titration, record);
        }
    }
    if (options.Json) {
        WriteAnalysisJson(streams.Out, result);
    } else {
        WriteAnalysisText(streams.Out, result);
    }
    streams.Out.flush();
    // Results of models that all failed are no answer, whatever a script makes of the text.
    if (std::none_of(result.Models.begin(), result.Models.end(),
                     [](const analysis::TModelResult& m) { return m.Converged; })) {
        streams.Err << "kelmora-fit analyze: no model converged.\n";
        return FitExitError;
    }
    return FitExitOk;
}

}  // namespace

int RunAnalyzeCli(const std::vector<std::string_view>& args, TFitCliStreams streams,
                  const TReportWriter& writeReport) {
    TAnalyzeArgs parsed = ParseAnalyzeArgs(args);
    if (parsed.Kind == TAnalyzeArgs::TKind::Run && parsed.Options.ReportFile && !writeReport) {
        parsed.Kind = TAnalyzeArgs::TKind::UsageError;
        parsed.Error = "--report needs the report helper, kelmora-fit-report, beside kelmora-fit";
    }
    if (parsed.Kind == TAnalyzeArgs::TKind::UsageError) {
        streams.Err << "kelmora-fit: " << parsed.Error << '\n' << AnalyzeUsageText();
        return FitExitUsage;
    }
    try {
        if (parsed.Kind == TAnalyzeArgs::TKind::Help) {
            streams.Out << AnalyzeHelpText();
            streams.Out.flush();
            return FitExitOk;
        }
        return Run(parsed.Options, streams, writeReport);
    } catch (const EKelmoraError& e) {
        streams.Err << e.what() << '\n';
        return FitExitError;
    }
}

}  // namespace kelmora
