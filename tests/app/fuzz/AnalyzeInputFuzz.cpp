#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "analysis/Analysis.h"
#include "app/AnalyzeInput.h"
#include "tests/support/FuzzRequire.h"
#include "util/Errors.h"

using namespace kelmora;
using kelmora::fuzz::Require;

namespace {

// What the reader promises whenever it does not refuse: a rectangle of finite numbers with at
// least one signal, concentrations in range, names for all signals or none, no name twice.
void CheckTitration(const analysis::TTitration& t, bool hostColumn) {
    Require(!t.Conc.empty(), "no points accepted");
    Require(t.Shifts.size() == t.Conc.size(), "shifts and points differ");
    const std::size_t signals = t.Shifts[0].size();
    Require(signals >= 1, "no signal accepted");
    for (std::size_t i = 0; i < t.Conc.size(); ++i) {
        Require(std::isfinite(t.Conc[i]) && t.Conc[i] >= 0.0, "bad C accepted");
        Require(t.Shifts[i].size() == signals, "ragged rows accepted");
        for (double y : t.Shifts[i]) {
            Require(std::isfinite(y), "non-finite shift accepted");
        }
    }
    Require(t.Host.size() == (hostColumn ? t.Conc.size() : 1), "wrong number of hosts");
    for (double h : t.Host) {
        Require(std::isfinite(h) && h > 0.0, "bad host accepted");
    }
    Require(t.SignalNames.empty() || t.SignalNames.size() == signals, "names do not fit");
    for (std::size_t a = 0; a < t.SignalNames.size(); ++a) {
        Require(std::count(t.SignalNames.begin(), t.SignalNames.end(), t.SignalNames[a]) == 1,
                "a name twice");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (bool hostColumn : {false, true}) {
        try {
            const analysis::TTitration t = ParseTitrationText(text, hostColumn, 0.01);
            CheckTitration(t, hostColumn);
            if (t.Conc.size() <= 12) {
                // Whatever the reader passes, the analysis either answers or refuses in words.
                analysis::TAnalysisSettings settings;
                settings.Models = {*analysis::FindModel("1:1")};
                settings.Replicates = 0;
                const analysis::TAnalysisResult r = analysis::RunAnalysis(t, settings);
                Require(r.Models.size() == 1, "no model in the answer");
            }
        } catch (const EKelmoraError&) {
        }
        // The same bytes as a spreadsheet export: whatever the importer passes is a rectangle
        // with a name for every signal.
        try {
            const analysis::TTitration t = ParseTitrationFile(text, "f.csv", hostColumn, 0.01);
            Require(t.Shifts.size() == t.Conc.size(), "spreadsheet: shifts and points differ");
            for (const std::vector<double>& row : t.Shifts) {
                Require(row.size() == t.SignalNames.size(), "spreadsheet: ragged rows accepted");
            }
            Require(t.Host.size() == 1 || t.Host.size() == t.Conc.size(), "spreadsheet: hosts");
        } catch (const EKelmoraError&) {
        }
    }
    return 0;
}
