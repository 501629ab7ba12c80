#include "app/AnalyzeCli.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "app/AnalyzeInput.h"
#include "app/AnalyzeOptions.h"
#include "app/AnalyzeOutput.h"
#include "app/FitInput.h"
#include "app/HeadlessHost.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

int Run(const TAnalyzeOptions& options, TFitCliStreams streams) {
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

int RunAnalyzeCli(const std::vector<std::string_view>& args, TFitCliStreams streams) {
    const TAnalyzeArgs parsed = ParseAnalyzeArgs(args);
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
        return Run(parsed.Options, streams);
    } catch (const EKelmoraError& e) {
        streams.Err << e.what() << '\n';
        return FitExitError;
    }
}

}  // namespace kelmora
