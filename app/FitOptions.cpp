#include "app/FitOptions.h"

#include <algorithm>
#include <array>
#include <utility>

#include "app/OptionTable.h"
#include "util/Version.h"

namespace kelmora {

namespace {

constexpr std::array<std::pair<const char*, TFitCommand>, 3> Commands = {{
    {"compute", TFitCommand::Compute},
    {"optimize", TFitCommand::Optimize},
    {"scan", TFitCommand::Scan},
}};

}  // namespace

const char* FitCommandName(TFitCommand command) {
    for (const auto& [name, c] : Commands) {
        if (c == command) {
            return name;
        }
    }
    return "";
}

TFitArgs ParseFitArgs(const std::vector<std::string_view>& args) {
    TFitArgs result;
    TFitOptions& o = result.Options;
    std::string command;
    bool wantHelp = false;
    bool wantVersion = false;
    TOptionTable table;
    table.Word(command);
    table.Text("--data", o.DataFile);
    table.Value("--p0", [&o](const std::string& value) {
        o.P0Text = value;
        o.P0Given = true;
        return std::string();
    });
    table.Text("--params", o.ParamsFile);
    table.Text("--iterations", o.IterationsText);
    table.Flag("--refine", o.Refine);
    table.Text("--decimal-separator", o.DecimalSeparator);
    table.Flag("--json", o.Json);
    table.Text("--open", o.OpenFile);
    table.Text("--save", o.SaveFile);
    table.Flag("--help", wantHelp);
    table.Flag("--version", wantVersion);
    if (std::string error = table.Parse(args); !error.empty()) {
        return UsageError<TFitArgs>(std::move(error));
    }
    // Help and version answer whatever else the line holds, so that "cmd --help" always works.
    if (wantHelp) {
        result.Kind = TFitArgs::TKind::Help;
        return result;
    }
    if (wantVersion) {
        result.Kind = TFitArgs::TKind::Version;
        return result;
    }
    if (command.empty()) {
        return UsageError<TFitArgs>("no command given");
    }
    const auto known = std::find_if(Commands.begin(), Commands.end(),
                                    [&command](const auto& c) { return command == c.first; });
    if (known == Commands.end()) {
        return UsageError<TFitArgs>("unknown command '" + command + "'");
    }
    o.Command = known->second;
    return result;
}

std::string FitUsageText() {
    return "Usage: kelmora-fit compute|optimize|scan [--data FILE] [--p0 TEXT] [--params FILE]\n"
           "                   [--iterations TEXT] [--refine] [--decimal-separator TEXT] [--json]\n"
           "                   [--open FILE] [--save FILE]\n"
           "       kelmora-fit analyze [OPTIONS]   (see kelmora-fit analyze --help)\n"
           "       kelmora-fit --help | --version\n";
}

std::string FitHelpText() {
    return FitUsageText() +
           "\n"
           "Fits the two-step binding model to an NMR titration, as Kelmora's main window does.\n"
           "\n"
           "Commands:\n"
           "  compute    evaluate Q for the table as it stands (\"Compute this point\")\n"
           "  optimize   coordinate search over the marked parameters (\"Optimize\")\n"
           "  scan       lattice scan for local minima of Q (\"Scan\")\n"
           "  analyze    global fit of 1:1 and 1:2 models to several signals, with errors\n"
           "             and model comparison (options: kelmora-fit analyze --help)\n"
           "\n"
           "Options:\n"
           "  --data FILE          titration data, C and shift per line (default: standard "
           "input)\n"
           "  --p0 TEXT            porphyrin concentration P0 (default 0.01)\n"
           "  --params FILE        parameter table: six lines of seven TAB-separated cells\n"
           "                       Value, Max. step, Min. step, Optimize?, Min. val, Max. val,\n"
           "                       Steps count (default: the program's default table)\n"
           "  --iterations TEXT    maximum optimizer sweeps (default 1000000000)\n"
           "  --refine             complete optimization of minima during scan\n"
           "  --decimal-separator TEXT  decimal separator, its first character (default .)\n"
           "  --json               one JSON object instead of text\n"
           "  --open FILE          a Kelmora file: its data, P0, decimal separator and table\n"
           "                       (the options above, when given, win over it)\n"
           "  --save FILE          also write the answer as a Kelmora file: data, P0, the table\n"
           "                       after the command, the minima of a scan\n"
           "  --help               this text\n"
           "  --version            the program's version\n"
           "\n"
           "Ctrl+C during optimize or scan acts as the Stop button: the result so far is "
           "printed.\n"
           "Exit status: 0 done, 1 an error of the fit (message on standard error), 2 usage.\n";
}

std::string FitVersionText() {
    return std::string("kelmora-fit ") + KelmoraVersion + "\n";
}

}  // namespace kelmora
