#include "app/AnalyzeOptions.h"

#include <charconv>
#include <cstdint>
#include <utility>

#include "app/AnalyzeInput.h"
#include "app/OptionTable.h"

namespace kelmora {
namespace {

// More replicates than this would hold gigabytes of refitted parameters for no better interval.
constexpr std::uint64_t MaxReplicates = 1000000;

std::vector<std::string> CommaList(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        items.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Every option of analyze, each read into o as it is given; a --fix on the line replaces the
// whole list that o starts with.
void AddOptions(TOptionTable& t, TAnalyzeOptions& o, bool& wantHelp) {
    analysis::TAnalysisSettings& s = o.Settings;
    t.Text("--data", o.DataFile);
    t.Value("--p0", [&o](const std::string& value) {
        const auto p0 = ParseCNumber(value);
        if (!p0) {
            return "--p0 needs a number, not '" + value + "'";
        }
        o.P0 = *p0;
        o.P0Given = true;
        return std::string();
    });
    t.Flag("--host-column", o.HostColumn);
    t.Value("--models", [&s](const std::string& value) {
        s.Models.clear();
        for (const std::string& name : CommaList(value)) {
            const analysis::TModelDef* model = analysis::FindModel(name);
            if (model == nullptr) {
                std::string known;
                for (const analysis::TModelDef& m : analysis::ModelCatalogue()) {
                    known += (known.empty() ? "" : ", ") + m.Name;
                }
                return "unknown model '" + name + "' (models: " + known + ")";
            }
            s.Models.push_back(*model);
        }
        return std::string();
    });
    t.Value("--guest-signals", [&s](const std::string& value) {
        s.GuestSignals = CommaList(value);
        return std::string();
    });
    t.Flag("--linear-term", s.LinearTerm);
    t.Repeated("--fix", [&s](const std::vector<std::string>& values) {
        s.Fixed.clear();
        for (const std::string& value : values) {
            const std::size_t eq = value.find('=');
            const auto number = eq == std::string::npos
                                    ? std::nullopt
                                    : ParseCNumber(std::string_view(value).substr(eq + 1));
            if (eq == 0 || !number) {
                return "--fix needs NAME=VALUE, not '" + value + "'";
            }
            s.Fixed.push_back({value.substr(0, eq), *number});
        }
        return std::string();
    });
    t.Value("--mc", [&s](const std::string& value) {
        const auto count = ParseCount(value);
        if (!count || *count > MaxReplicates) {
            return "--mc needs a whole number from 0 to " + std::to_string(MaxReplicates) +
                   ", not '" + value + "'";
        }
        s.Replicates = static_cast<int>(*count);
        return std::string();
    });
    t.Value("--seed", [&s](const std::string& value) {
        const auto seed = ParseCount(value);
        if (!seed) {
            return "--seed needs a whole number of 0 or more, not '" + value + "'";
        }
        s.Seed = *seed;
        return std::string();
    });
    t.Value("--conc-error", [&s](const std::string& value) {
        const auto percent = ParseCNumber(value);
        if (!percent || !(*percent >= 0.0 && *percent <= analysis::MaxConcErrorPercent)) {
            return "--conc-error needs a percentage from 0 to 50, not '" + value + "'";
        }
        s.ConcErrorPercent = *percent;
        return std::string();
    });
    t.Value("--weight", [&s](const std::string& value) {
        if (value != "per-signal" && value != "none") {
            return "--weight needs per-signal or none, not '" + value + "'";
        }
        s.WeightPerSignal = value == "per-signal";
        return std::string();
    });
    t.Flag("--json", o.Json);
    t.Text("--xlsx", o.XlsxFile);
    t.Text("--csv", o.CsvFolder);
    t.Value("--report", [&o](const std::string& value) {
        if (!IsReportName(value)) {
            return "--report needs a file name ending in .pdf or .html, not '" + value + "'";
        }
        o.ReportFile = value;
        return std::string();
    });
    t.Text("--open", o.OpenFile);
    t.Text("--save", o.SaveFile);
    t.Text("--spectra", o.Spectra.SpectraFile);
    t.Text("--points", o.Spectra.PointsFile);
    t.Value("--observable", [&o](const std::string& value) {
        const auto observable = analysis::ObservableFromName(value);
        if (!observable) {
            return "--observable needs absorbance or fluorescence, not '" + value + "'";
        }
        o.Spectra.Observable = *observable;
        return std::string();
    });
    t.Value("--path-length", [&o](const std::string& value) {
        const auto cm = ParseCNumber(value);
        if (!cm || !(*cm > 0.0)) {
            return "--path-length needs a length above 0 in cm, not '" + value + "'";
        }
        o.Spectra.PathLength = *cm;
        return std::string();
    });
    t.Flag("--ligand-absorbs", o.Spectra.LigandAbsorbs);
    t.Flag("--spectra-in-rows", o.Spectra.InRows);
    t.Flag("--help", wantHelp);
}

}  // namespace

bool IsAnalyzeCommand(const std::vector<std::string_view>& args) {
    // The line read as analyze would read it: the first word that is no option nor its value.
    TAnalyzeOptions scratch;
    bool help = false;
    std::string command;
    TOptionTable table;
    table.Word(command);
    AddOptions(table, scratch, help);
    table.Parse(args);
    return command == "analyze";
}

TAnalyzeArgs ParseAnalyzeArgs(const std::vector<std::string_view>& args,
                              const TAnalyzeOptions& start) {
    TAnalyzeArgs result;
    result.Options = start;
    bool wantHelp = false;
    std::string command;
    TOptionTable table;
    table.Word(command);
    AddOptions(table, result.Options, wantHelp);
    if (std::string error = table.Parse(args, " for analyze"); !error.empty()) {
        return UsageError<TAnalyzeArgs>(std::move(error));
    }
    if (!command.empty() && command != "analyze") {
        return UsageError<TAnalyzeArgs>("unexpected argument '" + command + "'");
    }
    if (wantHelp) {
        result.Kind = TAnalyzeArgs::TKind::Help;
        return result;
    }
    TAnalyzeOptions& o = result.Options;
    o.Spectra.P0 = o.P0;
    const bool spectra = o.Spectra.SpectraFile.has_value();
    if (!spectra && (o.Spectra.PointsFile || o.Spectra.LigandAbsorbs || o.Spectra.InRows)) {
        return UsageError<TAnalyzeArgs>(
            "--points, --ligand-absorbs and --spectra-in-rows go with --spectra");
    }
    if (spectra && !o.Spectra.PointsFile) {
        return UsageError<TAnalyzeArgs>(
            "--spectra needs --points, the concentrations of every spectrum");
    }
    // The shifts' own options mean nothing to spectra.
    if (spectra &&
        (o.DataFile || o.HostColumn || o.Settings.LinearTerm || o.Settings.WeightPerSignal ||
         o.XlsxFile || o.CsvFolder || o.ReportFile || o.OpenFile || o.SaveFile)) {
        return UsageError<TAnalyzeArgs>(
            "--spectra cannot go with --data, --host-column, --linear-term, --weight, --xlsx, "
            "--csv, --report, --open or --save");
    }
    return result;
}

std::string AnalyzeUsageText() {
    return "Usage: kelmora-fit analyze [--data FILE] [--p0 NUMBER] [--host-column]\n"
           "                   [--models LIST] [--guest-signals LIST] [--linear-term]\n"
           "                   [--fix NAME=VALUE]... [--mc R] [--seed N] [--conc-error PERCENT]\n"
           "                   [--weight per-signal|none] [--json]\n"
           "                   [--xlsx FILE] [--csv FOLDER] [--report FILE.pdf|FILE.html]\n"
           "                   [--open FILE] [--save FILE]\n"

           "       kelmora-fit analyze --spectra FILE --points FILE\n"
           "                   [--observable absorbance|fluorescence] [--path-length CM]\n"
           "                   [--ligand-absorbs] [--spectra-in-rows] [--p0 NUMBER]\n"
           "                   [--models LIST] [--fix NAME=VALUE]... [--mc R] [--seed N]\n"
           "                   [--conc-error PERCENT] [--json]\n";
}

bool IsReportName(std::string_view path) {
    return path.ends_with(".pdf") || path.ends_with(".html");
}

std::string AnalyzeHelpText() {
    return AnalyzeUsageText() +
           "\n"
           "Fits binding models (1:1, 1:2, non-cooperative 1:2, 2:1 sandwich and their mixtures)\n"
           "to every signal at once and reports\n"
           "standard errors, 95 % and Monte Carlo intervals, and which model the data need.\n"
           "\n"
           "Data: one point per line, C first, then one shift per signal, blanks or TABs\n"
           "between; an optional first line of names names the signals (else s1, s2, ...).\n"
           "With --spectra, every model is fitted to every wavelength at once instead: the lg K,\n"
           "each species' spectrum with its SE, and a factor analysis of the spectra.\n"
           "\n"
           "Options:\n"
           "  --data FILE          titration data (default: standard input)\n"
           "  --p0 NUMBER          host concentration for every point, M (default 0.01)\n"
           "  --host-column        the second column is the host concentration of each point\n"
           "  --models LIST        comma-separated, of 1:1, 1:2, 1:2nc, 2:1, 2:1/1:1,\n"
           "                       2:1/1:1/1:2 (default 1:1, 1:2, 1:2nc)\n"
           "  --guest-signals LIST comma-separated names of signals of the guest (ligand)\n"
           "  --linear-term        add k.<signal>*C to every signal\n"
           "  --fix NAME=VALUE     hold a parameter (lgK1, lgK2, lgK21, dP.<signal>,\n"
           "                       dPL.<signal>, dPL2.<signal>, dP2L.<signal>, dL.<signal>,\n"
           "                       k.<signal>) at VALUE; may be repeated\n"
           "  --mc R               Monte Carlo replicates (default 1000, 0 = none)\n"
           "  --seed N             seed of the Monte Carlo replicates (default 1)\n"
           "  --conc-error PERCENT relative error of C and host in the replicates, 0 to 50\n"
           "                       (default 0)\n"
           "  --weight per-signal  weight each signal by its own residual variance (default\n"
           "                       none: every shift alike)\n"
           "  --json               one JSON object instead of text\n"
           "  --xlsx FILE          also the data, results, comparison, residuals and how they\n"
           "                       were made as a workbook, one sheet each\n"
           "  --csv FOLDER         the same tables as Data.csv, Results.csv, ... in FOLDER\n"
           "  --report FILE        also a report (.pdf or .html): data, settings, tables,\n"
           "                       figures, a Methods paragraph and the command that\n"
           "                       reproduces it\n"
           "  --open FILE          a Kelmora file: the Analysis window's data and settings\n"
           "                       (options given here win; --data replaces its data)\n"
           "  --save FILE          also write the data, settings and results as a Kelmora\n"
           "                       file that the Analysis window opens without a refit\n"
           "  --spectra FILE       absorbance or fluorescence spectra instead of shifts: the\n"
           "                       first column the wavelength (nm), one column per spectrum\n"
           "  --points FILE        one line per spectrum, in their order: C, then the host\n"
           "                       concentration (or C only: the host is --p0)\n"
           "  --observable NAME    absorbance (default) or fluorescence\n"
           "  --path-length CM     path length of the cell (default 1)\n"
           "  --ligand-absorbs     the free ligand has a spectrum of its own, fitted too\n"
           "  --spectra-in-rows    the spectra file holds the wavelengths in its first line\n"
           "                       and one spectrum per line\n"
           "  --help               this text\n"
           "\n"
           "Ctrl+C stops the run: the models fitted so far are reported and those not reached\n"
           "named; during the Monte Carlo the replicates done so far are used and counted.\n"
           "Exit status: 0 done, 1 bad data or a failed analysis (message on standard error),\n"
           "2 usage.\n";
}

}  // namespace kelmora
