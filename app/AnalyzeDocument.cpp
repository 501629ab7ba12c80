#include "app/AnalyzeDocument.h"

#include "analysisview/AnalysisSheet.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {

analysis::TTitration SectionTitration(const TAnalysisSection& section) {
    TGridCore sheet;
    sheet.SetColCount(SheetColCount);
    RestoreSheetCells(section.DataCells, sheet, 1);
    return ReadSheet(sheet, section.P0Text);
}

analysis::TAnalysisSettings SectionSettings(const TAnalysisSection& section) {
    analysis::TAnalysisSettings s;
    s.Models.clear();
    for (const std::string& name : section.Models) {
        if (const analysis::TModelDef* model = analysis::FindModel(name)) {
            s.Models.push_back(*model);
        }
    }
    s.LinearTerm = section.LinearTerm;
    s.WeightPerSignal = section.WeightPerSignal;
    for (const auto& [name, text] : section.FixedParams) {
        const std::optional<double> value = TryParseFloat(text);
        if (!value) {
            throw EKelmoraError("The fixed value of " + name + ", '" + text +
                                "', is not a number.");
        }
        s.Fixed.push_back({name, *value});
    }
    s.Replicates = section.Replicates;
    if (!section.ConcErrorText.empty()) {
        const std::optional<double> percent = TryParseFloat(section.ConcErrorText);
        if (!percent) {
            throw EKelmoraError("The concentration error '" + section.ConcErrorText +
                                "' is not a number.");
        }
        s.ConcErrorPercent = *percent;
    }
    s.Seed = section.Seed;
    return s;
}

TAnalysisSection AnalyzedSection(const analysis::TTitration& titration,
                                 const analysis::TAnalysisSettings& settings,
                                 const analysis::TAnalysisResult& result) {
    const std::size_t signals = titration.Shifts.empty() ? 0 : titration.Shifts[0].size();
    if (signals > SheetMaxSignals) {
        throw EKelmoraError("The Analysis window holds at most " + std::to_string(SheetMaxSignals) +
                            " signals; these data have " + std::to_string(signals) +
                            ", so they cannot be saved for it.");
    }
    const bool hostColumn = titration.Host.size() != 1;
    TAnalysisSection section;
    std::vector<std::string>& header = section.DataCells.emplace_back(SheetColCount);
    for (int col = 0; col < SheetColCount; ++col) {
        header[static_cast<std::size_t>(col)] = DefaultSheetTitle(col);
    }
    for (std::size_t s = 0; s < titration.SignalNames.size(); ++s) {
        header[SheetFirstShiftCol + s] = titration.SignalNames[s];
    }
    for (std::size_t i = 0; i < titration.Conc.size(); ++i) {
        std::vector<std::string>& row = section.DataCells.emplace_back(SheetColCount);
        row[SheetColC] = FormatShortest(titration.Conc[i]);
        if (hostColumn) {
            row[SheetColP0] = FormatShortest(titration.Host[i]);
        }
        for (std::size_t s = 0; s < signals; ++s) {
            row[SheetFirstShiftCol + s] = FormatShortest(titration.Shifts[i][s]);
        }
    }
    section.P0Text = FormatShortest(hostColumn ? 0.01 : titration.Host[0]);
    for (const analysis::TModelDef& model : settings.Models) {
        section.Models.push_back(model.Name);
    }
    section.LinearTerm = settings.LinearTerm;
    section.WeightPerSignal = settings.WeightPerSignal;
    for (const analysis::TFixedParam& f : settings.Fixed) {
        section.FixedParams[f.Name] = FormatShortest(f.Value);
    }
    section.Replicates = settings.Replicates;
    section.ConcErrorText = FormatShortest(settings.ConcErrorPercent);
    section.Seed = settings.Seed;
    section.Results = TSavedResults{titration, result, false};
    return section;
}

}  // namespace kelmora
