#include "app/AnalyzeCli.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "analysisview/ResultSheets.h"
#include "app/AnalyzeDocument.h"
#include "app/AnalyzeInput.h"
#include "app/AnalyzeOptions.h"
#include "app/AnalyzeOutput.h"
#include "app/FitInput.h"
#include "app/HeadlessHost.h"
#include "files/KelmoraFile.h"
#include "files/Workbook.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/Version.h"

namespace kelmora {
namespace {

// With the data of an opened file the command opens it too, and spells out its host.
TRunRecord RecordOf(const TAnalyzeOptions& options, const std::string& dataText,
                    const analysis::TTitration& titration, bool fromFile) {
    TRunRecord record;
    record.Settings = options.Settings;
    record.Version = KelmoraVersion;
    record.Date = TodayText();
    record.DataSha256 = Sha256Hex(dataText);
    const bool oneHost = fromFile ? titration.Host.size() == 1 : !options.HostColumn;
    record.CommandLine = AnalyzeCommandLine(
        options.Settings, fromFile ? *options.OpenFile : options.DataFile.value_or("-"),
        oneHost ? std::optional<double>(titration.Host[0]) : std::nullopt,
        fromFile ? "--open" : "--data");
    return record;
}

// The settings of an opened file as the options they would have been.
TAnalyzeOptions OptionsOf(const TAnalysisSection& section) {
    TAnalyzeOptions options;
    options.Settings = SectionSettings(section);
    return options;
}

int Run(const TAnalyzeOptions& options, const std::optional<TKelmoraDocument>& opened,
        TFitCliStreams streams, const TReportWriter& writeReport) {
    if (options.Spectra.SpectraFile) {
        return RunSpectraCli(options.Spectra, SpectraSettingsOf(options.Settings, options.Spectra),
                             options.Json, streams);
    }
    const bool fromFile = opened && !options.DataFile;
    const std::string name = options.DataFile.value_or(fromFile ? *options.OpenFile : "-");
    std::string text;
    analysis::TTitration titration;
    if (fromFile) {
        titration = SectionTitration(*opened->Analysis);
        if (options.P0Given) {
            titration.Host = {options.P0};
        }
        text = TitrationText(titration);
    } else {
        text = ReadInputText(name, streams.In);
        titration = IsSpreadsheetFileName(name)
                        ? ParseTitrationFile(text, name, options.HostColumn, options.P0)
                        : ParseTitrationText(text, options.HostColumn, options.P0);
    }

    analysis::TAnalysisObserver observer;
    observer.StopRequested = [] { return TSigintGuard::Raised(); };
    if (streams.ShowProgress) {
        observer.Progress = [&](const analysis::TAnalysisProgress& p) {
            if (p.Phase == analysis::TAnalysisPhase::MonteCarlo) {
                streams.Err << "\rMonte Carlo " << p.Model << ": " << p.Done << " / " << p.Total
                            << "   " << std::flush;
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
        const TRunRecord record = RecordOf(options, text, titration, fromFile);
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
    // Saved before anything is printed, so that a failed save leaves standard output empty.
    if (options.SaveFile) {
        TKelmoraDocument doc = opened ? *opened : StartupDocument();
        doc.DecimalSeparator = NumberDecimalSeparator();
        TAnalysisSection section = AnalyzedSection(titration, options.Settings, result);
        if (fromFile) {
            section.Volumes = opened->Analysis->Volumes;  // the same data, so the same recipe
        }
        doc.Analysis = std::move(section);
        WriteKelmoraFile(*options.SaveFile, doc);
    }
    if (options.Json) {
        WriteAnalysisJson(streams.Out, result);
    } else {
        WriteAnalysisText(streams.Out, result);
    }
    streams.Out.flush();
    // Results of models that all failed are no answer, whatever a script makes of the text; a
    // run the user stopped while fitting answers with what it has and says so.
    if (!result.Stopped &&
        std::none_of(result.Models.begin(), result.Models.end(),
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
        std::optional<TKelmoraDocument> opened;
        if (parsed.Options.OpenFile) {
            opened = ReadKelmoraFile(*parsed.Options.OpenFile);
            if (!opened->Analysis) {
                throw EKelmoraError(*parsed.Options.OpenFile +
                                    " holds no data of the Analysis window.");
            }
            // The file's texts are in its separator, and so are those saved from them.
            SetNumberDecimalSeparator(opened->DecimalSeparator);
            parsed = ParseAnalyzeArgs(args, OptionsOf(*opened->Analysis));
        }
        return Run(parsed.Options, opened, streams, writeReport);
    } catch (const EKelmoraError& e) {
        streams.Err << e.what() << '\n';
        return FitExitError;
    }
}

}  // namespace kelmora
