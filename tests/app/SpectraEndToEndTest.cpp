// kelmora-fit analyze --spectra on the shipped UV-Vis examples: the constants and species
// spectra that made them come back within their errors, and the factor analysis counts the
// species that made them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "FitProcess.h"

namespace kelmora::testing {
namespace {

// The bands of examples/make-spectra.py: centre nm, peak ε, sd nm.
double Eps(const std::string& species, double nm) {
    static const std::map<std::string, std::vector<std::array<double, 3>>> bands = {
        {"P", {{419, 5.0e5, 6.0}, {548, 2.2e4, 10.0}, {586, 4.0e3, 9.0}}},
        {"PL", {{428, 4.6e5, 7.0}, {562, 1.8e4, 11.0}, {602, 9.0e3, 10.0}}},
        {"PL2", {{434, 3.8e5, 8.0}, {570, 1.5e4, 12.0}, {612, 1.1e4, 10.0}}},
    };
    double sum = 0.0;
    for (const auto& [centre, height, sd] : bands.at(species)) {
        sum += height * std::exp(-0.5 * std::pow((nm - centre) / sd, 2));
    }
    return sum;
}

const TJson& ModelOf(const TJson& answer, const std::string& name) {
    for (const TJson& m : answer["models"]) {
        if (m["model"].get<std::string>() == name) {
            return m;
        }
    }
    throw std::runtime_error("no model " + name);
}

TEST(SpectraEndToEnd, RecoversTheExamplesConstantsSpeciesSpectraAndSpeciesCount) {
    struct TRow {
        const char* Name;
        const char* Model;
        std::vector<double> LgK;
        int Species;
    };
    const TRow rows[] = {{"1to1", "1:1", {3.8}, 2}, {"1to2", "1:2", {4.3, 6.5}, 3}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string dir = KELMORA_EXAMPLES_DIR;
        const TFitRun run = RunFit({"analyze", "--spectra", dir + "/spectra-" + row.Name + ".csv",
                                    "--points", dir + "/points-" + row.Name + ".txt", "--models",
                                    std::string("1:1,") + row.Model, "--mc", "200", "--json"});
        ASSERT_EQ(0, run.ExitStatus) << run.Err;
        const TJson answer = TJson::parse(run.Out);
        EXPECT_EQ("absorbance", answer["observable"].get<std::string>());
        EXPECT_EQ(row.Species, static_cast<int>(answer["factorSpecies"].get<double>()));
        EXPECT_EQ(25u, answer["singularValues"].size());
        const TJson& m = ModelOf(answer, row.Model);
        ASSERT_EQ(row.LgK.size(), m["params"].size());
        for (std::size_t k = 0; k < row.LgK.size(); ++k) {
            const TJson& p = m["params"][k];
            for (const char* interval : {"ci95", "mc95"}) {
                EXPECT_LE(p[interval][0].get<double>(), row.LgK[k])
                    << p["name"].get<std::string>() << interval;
                EXPECT_GE(p[interval][1].get<double>(), row.LgK[k])
                    << p["name"].get<std::string>() << interval;
            }
        }
        const TJson& wavelengths = m["spectra"]["wavelengths"];
        ASSERT_EQ(251u, wavelengths.size());
        ASSERT_EQ(static_cast<std::size_t>(row.Species), m["spectra"]["species"].size());
        for (const auto& entry : m["spectra"]["species"].items()) {
            const std::string& species = entry.key();
            const TJson& spectrum = entry.value();
            int within = 0;
            for (std::size_t l = 0; l < wavelengths.size(); ++l) {
                const double error =
                    spectrum["eps"][l].get<double>() - Eps(species, wavelengths[l].get<double>());
                within += std::abs(error) <= 3.0 * spectrum["se"][l].get<double>() ? 1 : 0;
            }
            EXPECT_GE(within, 0.95 * 251) << species;
        }
        ASSERT_EQ(25u, m["residuals"].size());
        EXPECT_EQ(251u, m["residuals"][0].size());
    }
}

TEST(SpectraEndToEnd, RefusesSpectraWithoutPointsOrWithTheShiftsOptions) {
    const std::string spectra = std::string(KELMORA_EXAMPLES_DIR) + "/spectra-1to1.csv";
    const std::vector<std::vector<std::string>> lines = {
        {"analyze", "--spectra", spectra},
        {"analyze", "--spectra", spectra, "--points", spectra, "--linear-term"},
        {"analyze", "--points", spectra},
        {"analyze", "--spectra", spectra, "--points", spectra, "--observable", "raman"},
    };
    for (const auto& args : lines) {
        const TFitRun run = RunFit(args);
        EXPECT_EQ(2, run.ExitStatus) << args.back() << ": " << run.Err;
    }
}

}  // namespace
}  // namespace kelmora::testing
