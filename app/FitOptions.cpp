#include "app/FitOptions.h"

#include <array>
#include <utility>

#include "util/Version.h"

namespace kelmora {

namespace {

constexpr std::array<std::pair<const char*, TFitCommand>, 3> Commands = {{
    {"compute", TFitCommand::Compute},
    {"optimize", TFitCommand::Optimize},
    {"scan", TFitCommand::Scan},
}};

enum class TOptionId {
    Data,
    P0,
    Params,
    Iterations,
    Refine,
    DecimalSeparator,
    Json,
    Open,
    Save,
    Help,
    Version
};

struct TOptionInfo {
    std::string_view Name;
    TOptionId Id;
    bool TakesValue;
};

constexpr std::array<TOptionInfo, 11> Options = {{
    {"--data", TOptionId::Data, true},
    {"--p0", TOptionId::P0, true},
    {"--params", TOptionId::Params, true},
    {"--iterations", TOptionId::Iterations, true},
    {"--refine", TOptionId::Refine, false},
    {"--decimal-separator", TOptionId::DecimalSeparator, true},
    {"--json", TOptionId::Json, false},
    {"--open", TOptionId::Open, true},
    {"--save", TOptionId::Save, true},
    {"--help", TOptionId::Help, false},
    {"--version", TOptionId::Version, false},
}};

const TOptionInfo* FindOption(std::string_view name) {
    for (const TOptionInfo& info : Options) {
        if (info.Name == name) {
            return &info;
        }
    }
    return nullptr;
}

TFitArgs UsageError(std::string message) {
    TFitArgs result;
    result.Kind = TFitArgs::TKind::UsageError;
    result.Error = std::move(message);
    return result;
}

void Apply(TFitOptions& o, TOptionId id, std::string value) {
    switch (id) {
        case TOptionId::Data:
            o.DataFile = std::move(value);
            break;
        case TOptionId::P0:
            o.P0Text = std::move(value);
            o.P0Given = true;
            break;
        case TOptionId::Params:
            o.ParamsFile = std::move(value);
            break;
        case TOptionId::Iterations:
            o.IterationsText = std::move(value);
            break;
        case TOptionId::Refine:
            o.Refine = true;
            break;
        case TOptionId::DecimalSeparator:
            o.DecimalSeparator = std::move(value);
            break;
        case TOptionId::Json:
            o.Json = true;
            break;
        case TOptionId::Open:
            o.OpenFile = std::move(value);
            break;
        case TOptionId::Save:
            o.SaveFile = std::move(value);
            break;
        case TOptionId::Help:
        case TOptionId::Version:
            break;
    }
}

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
    bool haveCommand = false;
    bool wantHelp = false;
    bool wantVersion = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            const std::size_t eq = arg.find('=');
            const std::string_view name = arg.substr(0, eq);
            const TOptionInfo* info = FindOption(name);
            if (info == nullptr) {
                return UsageError("unknown option '" + std::string(name) + "'");
            }
            std::string value;
            if (info->TakesValue) {
                if (eq != std::string_view::npos) {
                    value = arg.substr(eq + 1);
                } else if (i + 1 < args.size()) {
                    value = args[++i];
                } else {
                    return UsageError("option '" + std::string(name) + "' needs a value");
                }
            } else if (eq != std::string_view::npos) {
                return UsageError("option '" + std::string(name) + "' takes no value");
            }
            wantHelp = wantHelp || info->Id == TOptionId::Help;
            wantVersion = wantVersion || info->Id == TOptionId::Version;
            Apply(result.Options, info->Id, std::move(value));
            continue;
        }
        if (haveCommand) {
            return UsageError("unexpected argument '" + std::string(arg) + "'");
        }
        bool known = false;
        for (const auto& [name, command] : Commands) {
            if (arg == name) {
                result.Options.Command = command;
                known = true;
            }
        }
        if (!known) {
            return UsageError("unknown command '" + std::string(arg) + "'");
        }
        haveCommand = true;
    }
    // Help and version answer whatever else the line holds, so that "cmd --help" always works.
    if (wantHelp) {
        result.Kind = TFitArgs::TKind::Help;
    } else if (wantVersion) {
        result.Kind = TFitArgs::TKind::Version;
    } else if (!haveCommand) {
        return UsageError("no command given");
    }
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
