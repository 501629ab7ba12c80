#include "app/FitCli.h"

#include <iostream>
#include <optional>
#include <string>

#include "app/AnalyzeCli.h"
#include "app/AnalyzeOptions.h"
#include "app/FitInput.h"
#include "app/FitOptions.h"
#include "app/FitOutput.h"
#include "app/HeadlessHost.h"
#include "engine/Optimizer.h"
#include "engine/Scan.h"
#include "util/Errors.h"

namespace kelmora {

namespace {

void RunCommand(TFitCommand command, TFitState& state, const TFitSettings& settings,
                THeadlessFitHost& host) {
    switch (command) {
        case TFitCommand::Compute:
            // "Compute this point": read, evaluate, nothing written back by the command.
            state.ReadParamsTable(host.Table, settings);
            state.ComputeQ();
            break;
        case TFitCommand::Optimize:
            OptimizeCommand(state, host.Table, settings, host);
            break;
        case TFitCommand::Scan:
            ScanCommand(state, host.Table, settings, host);
            break;
    }
    host.EndProgressLine();
}

void Run(const TFitOptions& options, TFitCliStreams streams) {
    const std::string dataText = ReadInputText(options.DataFile.value_or("-"), streams.In);
    std::optional<std::string> paramsText;
    if (options.ParamsFile) {
        paramsText = ReadInputText(*options.ParamsFile, streams.In);
    }

    TFitState state;
    TMinimaStore minima;
    THeadlessFitHost host(state, minima, streams.ShowProgress ? &streams.Err : nullptr);

    // Start-up, then "Update" with the user's separator; texts the user supplies are taken as
    // typed after that, so they must already use the separator chosen.
    std::string dialogP0 = "0.01";
    FillDefaultParamsTable(host.Table);
    ApplyDecimalSeparator(".", dialogP0, host.Table);  // as the window's start-up does
    if (options.DecimalSeparator) {
        ApplyDecimalSeparator(*options.DecimalSeparator, dialogP0, host.Table);
    }
    if (paramsText) {
        ReadParamsText(*paramsText, host.Table, *options.ParamsFile);
    }
    const TDataRowCount rows =
        LoadDataText(state, dataText, options.P0Given ? options.P0Text : dialogP0);
    if (rows.RowsLeftOut > 0) {
        streams.Err << DataLeftOutWarning(rows) << '\n';
    }

    {
        std::optional<TSigintGuard> stopOnCtrlC;
        if (options.Command != TFitCommand::Compute) {
            stopOnCtrlC.emplace();
        }
        RunCommand(options.Command, state, {options.IterationsText, options.Refine}, host);
    }
    state.WriteParamsTable(host.Table);

    const TMinimaStore* listed = options.Command == TFitCommand::Scan ? &minima : nullptr;
    if (options.Json) {
        WriteJsonOutput(streams.Out, options.Command, state, listed);
    } else {
        WriteTextOutput(streams.Out, host.Table, state, listed);
    }
    streams.Out.flush();
    if (!options.Json) {
        WriteBoundNotes(streams.Err, state);
    }
    if (minima.DroppedCount() > 0) {
        streams.Err << "kelmora-fit: the list of minima was full; " << minima.DroppedCount()
                    << " further minima were not listed\n";
    }
}

}  // namespace

int RunFitCli(const std::vector<std::string_view>& args, TFitCliStreams streams) {
    if (IsAnalyzeCommand(args)) {
        return RunAnalyzeCli(args, streams);
    }
    const TFitArgs parsed = ParseFitArgs(args);
    if (parsed.Kind == TFitArgs::TKind::UsageError) {
        streams.Err << "kelmora-fit: " << parsed.Error << '\n' << FitUsageText();
        return FitExitUsage;
    }
    // The one place besides the desktop's handler where the program's errors end: the message
    // goes out as the message box would show it. A failed write of the answer ends here too.
    try {
        if (parsed.Kind == TFitArgs::TKind::Help) {
            streams.Out << FitHelpText();
        } else if (parsed.Kind == TFitArgs::TKind::Version) {
            streams.Out << FitVersionText();
        } else {
            Run(parsed.Options, streams);
        }
        streams.Out.flush();
        return FitExitOk;
    } catch (const EKelmoraError& e) {
        streams.Err << e.what() << '\n';
        return FitExitError;
    }
}

}  // namespace kelmora
