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
#include "files/KelmoraFile.h"
#include "grid/GridCore.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {

namespace {

// exact: a Kelmora file whose table is in use, so that Compute starts from the values the file
// was saved with rather than from their 15-digit texts.
void RunCommand(TFitCommand command, TFitState& state, const TFitSettings& settings,
                THeadlessFitHost& host, const TKelmoraDocument* exact) {
    switch (command) {
        case TFitCommand::Compute:
            // "Compute this point": read, evaluate, nothing written back by the command.
            state.ReadParamsTable(host.Table, settings);
            if (exact != nullptr) {
                RestoreExactValues(exact->ParamValues, host.Table, state);
            }
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

// The answer as the desktop program would save it after the same command. What the command
// line cannot change (the chart mode, the minima of an earlier scan, the Analysis window's
// work) comes through from the opened file.
TKelmoraDocument AnswerDocument(const TFitOptions& options, const TKelmoraDocument* opened,
                                const THeadlessFitHost& host, const TFitState& state,
                                const TGridCore& data, const std::string& p0Text,
                                const TMinimaStore& minima) {
    TKelmoraDocument doc;
    if (opened != nullptr) {
        doc = *opened;
    }
    doc.DecimalSeparator = NumberDecimalSeparator();
    doc.ParamCells = ParamCellsOf(host.Table);
    doc.ParamValues = state.GetParamVector();
    doc.DataCells = DataCellsOf(data);
    doc.P0Text = p0Text;
    doc.IterCountText = options.IterationsText;
    doc.FinishMinima = options.Refine;
    if (options.Command == TFitCommand::Scan) {
        doc.Minima.assign(minima.Minima().begin(), minima.Minima().end());
        doc.BestQ = minima.BestQ();
        doc.MinimaDropped = minima.DroppedCount();
    }
    return doc;
}

void Run(const TFitOptions& options, TFitCliStreams streams) {
    std::optional<TKelmoraDocument> opened;
    if (options.OpenFile) {
        opened = ReadKelmoraFile(*options.OpenFile);
    }
    std::optional<std::string> dataText;
    if (options.DataFile || !opened) {
        dataText = ReadInputText(options.DataFile.value_or("-"), streams.In);
    }
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
    if (opened) {
        // The file's texts are written in its separator already: it is set, not converted to.
        SetNumberDecimalSeparator(opened->DecimalSeparator);
        RestoreParamCells(opened->ParamCells, host.Table);
        dialogP0 = opened->P0Text;
    }
    if (options.DecimalSeparator) {
        ApplyDecimalSeparator(*options.DecimalSeparator, dialogP0, host.Table);
    }
    if (paramsText) {
        ReadParamsText(*paramsText, host.Table, *options.ParamsFile);
    }
    TGridCore data;
    if (dataText) {
        data = DataTableFromText(*dataText);
    } else {
        RestoreDataCells(opened->DataCells, data);
    }
    const std::string p0Text = options.P0Given ? options.P0Text : dialogP0;
    state.LoadDataSet(data, p0Text);
    const TDataRowCount rows = CountDataRows(data);
    if (rows.RowsLeftOut > 0) {
        streams.Err << DataLeftOutWarning(rows) << '\n';
    }

    {
        std::optional<TSigintGuard> stopOnCtrlC;
        if (options.Command != TFitCommand::Compute) {
            stopOnCtrlC.emplace();
        }
        const bool fileTable = opened && !paramsText;
        RunCommand(options.Command, state, {options.IterationsText, options.Refine}, host,
                   fileTable ? &*opened : nullptr);
    }
    state.WriteParamsTable(host.Table);

    // Saved before anything is printed, so that a failed save leaves standard output empty.
    if (options.SaveFile) {
        WriteKelmoraFile(*options.SaveFile, AnswerDocument(options, opened ? &*opened : nullptr,
                                                           host, state, data, p0Text, minima));
    }
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
