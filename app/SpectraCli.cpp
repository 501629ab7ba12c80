#include "app/SpectraCli.h"

#include <algorithm>

#include "app/AnalyzeInput.h"
#include "app/FitInput.h"
#include "app/HeadlessHost.h"
#include "app/SpectraOutput.h"
#include "files/SpectraFile.h"
#include "grid/GridCore.h"
#include "util/Errors.h"

namespace kelmora {

void ParsePointsText(std::string_view text, double host, analysis::TSpectraTitration& t) {
    std::size_t lineNumber = 0;
    std::size_t columns = 0;
    bool named = false;
    while (!text.empty()) {
        const std::string_view line = TakeLine(text);
        ++lineNumber;
        std::vector<std::string> cells = SplitCells(line);
        while (!cells.empty() && cells.back().empty()) {
            cells.pop_back();
        }
        if (cells.empty()) {
            continue;
        }
        const std::string where = "points, line " + std::to_string(lineNumber) + ": ";
        if (columns == 0 && !named &&
            std::none_of(cells.begin(), cells.end(),
                         [](const std::string& c) { return ParseCNumber(c).has_value(); })) {
            named = true;
            continue;
        }
        if (columns == 0) {
            columns = cells.size();
            if (columns > 2) {
                throw EKelmoraError(where + "a line holds C and at most the host concentration.");
            }
        }
        if (cells.size() != columns) {
            throw EKelmoraError(where + "there are " + std::to_string(cells.size()) +
                                " values where the first line has " + std::to_string(columns) +
                                ".");
        }
        std::vector<double> numbers;
        for (const std::string& cell : cells) {
            const auto x = ParseCNumber(cell);
            if (!x) {
                throw EKelmoraError(where + "'" + cell.substr(0, 40) + "' is not a number.");
            }
            numbers.push_back(*x);
        }
        t.Conc.push_back(numbers[0]);
        t.Host.push_back(columns == 2 ? numbers[1] : host);
    }
    if (t.Conc.empty()) {
        throw EKelmoraError("The points file holds no point.");
    }
}

analysis::TSpectraSettings SpectraSettingsOf(const analysis::TAnalysisSettings& shared,
                                             const TSpectraOptions& options) {
    analysis::TSpectraSettings s;
    s.Observable = options.Observable;
    s.PathLength = options.PathLength;
    s.LigandAbsorbs = options.LigandAbsorbs;
    s.Models.clear();
    for (const analysis::TModelDef& m : shared.Models) {
        s.Models.push_back(m.Name);
    }
    s.Fixed = shared.Fixed;
    s.Replicates = shared.Replicates;
    s.ConcErrorPercent = shared.ConcErrorPercent;
    s.Seed = shared.Seed;
    s.Threads = shared.Threads;
    return s;
}

int RunSpectraCli(const TSpectraOptions& options, const analysis::TSpectraSettings& settings,
                  bool json, TFitCliStreams streams) {
    if (!options.SpectraFile || !options.PointsFile) {
        throw EKelmoraError("--spectra needs --points, the concentrations of every spectrum.");
    }
    analysis::TSpectraTitration t;
    const std::string points = ReadInputText(*options.PointsFile, streams.In);
    ParsePointsText(points, options.P0, t);
    const TSpectraFile file = ReadSpectraText(ReadInputText(*options.SpectraFile, streams.In),
                                              *options.SpectraFile, options.InRows);
    if (file.Values.size() != t.Conc.size()) {
        throw EKelmoraError("The spectra file holds " + std::to_string(file.Values.size()) +
                            " spectra but the points file " + std::to_string(t.Conc.size()) +
                            " points.");
    }
    t.Wavelengths = file.Wavelengths;
    t.Values = file.Values;
    analysis::TSpectraObserver observer;
    observer.StopRequested = [] { return TSigintGuard::Raised(); };
    if (streams.ShowProgress) {
        observer.Progress = [&](const std::string& model, int done, int total) {
            streams.Err << "\rMonte Carlo " << model << ": " << done << " / " << total << "   "
                        << std::flush;
        };
    }
    analysis::TSpectraResult result;
    {
        const TSigintGuard stopOnCtrlC;
        result = analysis::RunSpectraAnalysis(t, settings, observer);
    }
    if (streams.ShowProgress && settings.Replicates > 0) {
        streams.Err << '\n';
    }
    if (json) {
        WriteSpectraJson(streams.Out, result);
    } else {
        WriteSpectraText(streams.Out, result, settings.PathLength);
    }
    streams.Out.flush();
    if (std::none_of(result.Models.begin(), result.Models.end(),
                     [](const analysis::TSpectraModelResult& m) { return m.Converged; })) {
        streams.Err << "kelmora-fit analyze: no model converged.\n";
        return FitExitError;
    }
    return FitExitOk;
}

}  // namespace kelmora
