// kelmora-fit analyze run as a program: its JSON and text answers, read back and checked
// against the library run in process, every way it refuses, and Ctrl+C.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <string>
#include <vector>

#include "FitProcess.h"
#include "analysis/Analysis.h"
#include "app/AnalyzeInput.h"
#include "files/KelmoraFile.h"

namespace kelmora::testing {
namespace {

std::string Example(const std::string& name) {
    return ReadWholeFile(std::string(KELMORA_EXAMPLES_DIR) + "/" + name);
}

// Two signals named in a header line, the host diluted along the titration.
std::string TwoSignalsWithHost() {
    analysis::TModelValues truth;
    truth.Model = *analysis::FindModel("1:2");
    truth.LgK = {3.0, 5.5};
    truth.Signals = {{false, {8.0, 9.0, 10.5}, 0}, {false, {2.0, 1.2, 0.8}, 0}};
    std::string text = "C\tH\tNH\tCH\n";
    for (int i = 0; i < 24; ++i) {
        const double c = 4e-4 * (i + 1);
        const double h = 1e-3 / (1.0 + 0.02 * i);
        const auto shifts = analysis::EvaluateModel(truth, c, h).Shifts;
        char line[160];
        std::snprintf(line, sizeof line, "%.6g\t%.6g\t%.5f\t%.5f\n", c, h,
                      shifts[0] + 0.002 * std::sin(7.0 * i), shifts[1] + 0.002 * std::cos(5.0 * i));
        text += line;
    }
    return text;
}

double Num(const TJson& j) {
    EXPECT_TRUE(j.is_number()) << j;
    return j.is_number() ? j.get<double>() : std::nan("");
}

TEST(AnalyzeEndToEnd, JsonCarriesEveryNumberOfTheLibrarysResultExactly) {
    const std::string data = TwoSignalsWithHost();
    const TFitRun run = RunFit(
        {"analyze", "--host-column", "--json", "--mc", "30", "--seed", "5", "--conc-error", "1"},
        data);
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const TJson j = TJson::parse(run.Out);

    analysis::TAnalysisSettings settings;
    settings.Replicates = 30;
    settings.Seed = 5;
    settings.ConcErrorPercent = 1.0;
    const analysis::TAnalysisResult r =
        analysis::RunAnalysis(ParseTitrationText(data, true, 0.01), settings);

    EXPECT_EQ(j["command"].get<std::string>(), "analyze");
    EXPECT_EQ(Num(j["points"]), 24);
    EXPECT_EQ(j["signals"][0].get<std::string>(), "NH");
    EXPECT_EQ(j["signals"][1].get<std::string>(), "CH");
    EXPECT_EQ(Num(j["seed"]), 5);
    EXPECT_EQ(Num(j["replicates"]), 30);
    ASSERT_EQ(j["models"].size(), 3u);
    for (std::size_t m = 0; m < 3; ++m) {
        const TJson& jm = j["models"][m];
        const analysis::TModelResult& rm = r.Models[m];
        SCOPED_TRACE(jm["model"].get<std::string>());
        EXPECT_EQ(jm["model"].get<std::string>(), rm.Model.Name);
        EXPECT_EQ(jm["converged"].get<bool>(), rm.Converged);
        EXPECT_EQ(Num(jm["ss"]), rm.Ss);
        EXPECT_EQ(Num(jm["aicc"]), *rm.Aicc);
        EXPECT_EQ(Num(jm["dof"]), rm.Dof);
        ASSERT_EQ(jm["params"].size(), rm.Params.size());
        for (std::size_t i = 0; i < rm.Params.size(); ++i) {
            const TJson& p = jm["params"][i];
            EXPECT_EQ(p["name"].get<std::string>(), rm.Params[i].Name);
            EXPECT_EQ(Num(p["value"]), rm.Params[i].Value);
            EXPECT_EQ(Num(p["se"]), *rm.Params[i].Se);
            EXPECT_EQ(Num(p["ci95"][1]), rm.Params[i].Ci95->Hi);
            EXPECT_EQ(Num(p["mc95"][0]), rm.Params[i].Mc95->Lo);
            EXPECT_FALSE(p["fixed"].get<bool>());
            EXPECT_TRUE(p["determined"].get<bool>());
        }
        EXPECT_EQ(Num(jm["params"][0]["profile95"][0]), *rm.Params[0].Profile95->Lo);
        EXPECT_EQ(Num(jm["params"][0]["profile95"][1]), *rm.Params[0].Profile95->Hi);
        EXPECT_TRUE(jm["params"][2]["profile95"].is_null());
        EXPECT_EQ(Num(jm["mcUsed"]), rm.McUsed);
        EXPECT_EQ(Num(jm["mcAtBound"]), rm.McAtBound);
        EXPECT_EQ(Num(jm["mcFailed"]), rm.McFailed);
        EXPECT_EQ(jm["mcUnstable"].size(), rm.McUnstable.size());
        ASSERT_EQ(jm["derived"].size(), rm.Derived.size());
        if (!rm.Derived.empty()) {
            EXPECT_EQ(jm["derived"][1]["name"].get<std::string>(), "alpha");
            EXPECT_EQ(Num(jm["derived"][0]["value"]), rm.Derived[0].Value);
            EXPECT_EQ(Num(jm["derived"][0]["se"]), *rm.Derived[0].Se);
            EXPECT_EQ(Num(jm["derived"][0]["mc95"][1]), rm.Derived[0].Mc95->Hi);
        }
        EXPECT_EQ(Num(jm["K"]["K1"]), rm.Constants[0].Value);
        EXPECT_EQ(jm["K"]["K2"].is_null(), rm.Constants.size() == 1);
        ASSERT_EQ(jm["covariance"].size(), rm.Params.size());
        EXPECT_EQ(Num(jm["covariance"][0][1]), rm.Covariance[0][1]);
        EXPECT_EQ(Num(jm["correlation"][1][0]), rm.Correlation[1][0]);
        ASSERT_EQ(jm["residuals"].size(), 24u);
        EXPECT_EQ(jm["residuals"][23].size(), 2u);
        EXPECT_EQ(Num(jm["residuals"][3][1]), rm.Residuals[3][1]);
    }
    EXPECT_EQ(j["models"][1]["params"][2]["name"].get<std::string>(), "dP.NH");
    ASSERT_EQ(j["comparison"].size(), 2u);
    EXPECT_EQ(j["comparison"][0]["simpler"].get<std::string>(), "1:1");
    EXPECT_EQ(j["comparison"][1]["simpler"].get<std::string>(), "1:2nc");
    EXPECT_EQ(Num(j["comparison"][0]["p"]), *r.Comparison[0].P);
    EXPECT_EQ(j["verdict"].get<std::string>(), r.Verdict);
}

// The example made for the analysis: named signals, a host column, constants from its README.
// Each 95 % interval misses the truth one time in twenty, so with eight parameters the check is
// four standard errors, which a right fit misses about once in 16000 parameters.
TEST(AnalyzeEndToEnd, TwoSignalExampleFitsWithinFourStandardErrorsOfItsConstants) {
    const TFitRun run =
        RunFit({"analyze", "--host-column", "--json", "--models", "1:2", "--mc", "0", "--data",
                std::string(KELMORA_EXAMPLES_DIR) + "/titration-2signals-diluted.txt"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const TJson j = TJson::parse(run.Out);
    EXPECT_EQ(j["signals"][0].get<std::string>(), "Ha");
    EXPECT_EQ(j["signals"][1].get<std::string>(), "Hb");
    const struct {
        const char* Name;
        double Truth;
    } truths[] = {{"lgK1", 2.8},     {"lgK2", 5.2},  {"dP.Ha", 8.0},  {"dPL.Ha", 8.9},
                  {"dPL2.Ha", 10.1}, {"dP.Hb", 5.3}, {"dPL.Hb", 4.7}, {"dPL2.Hb", 4.4}};
    const TJson& params = j["models"][0]["params"];
    ASSERT_EQ(params.size(), std::size(truths));
    for (std::size_t i = 0; i < std::size(truths); ++i) {
        EXPECT_EQ(params[i]["name"].get<std::string>(), truths[i].Name);
        EXPECT_LE(std::abs(Num(params[i]["value"]) - truths[i].Truth), 4 * Num(params[i]["se"]))
            << truths[i].Name;
    }
}

TEST(AnalyzeEndToEnd, TextShowsABlockPerModelThenComparisonAndVerdict) {
    const TFitRun run =
        RunFit({"analyze", "--data", std::string(KELMORA_EXAMPLES_DIR) + "/titration-1to2.txt",
                "--models", "1:1,1:2", "--mc", "20"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const std::string& out = run.Out;
    const std::vector<std::string> inOrder = {"Points 30, signals s1",
                                              "Model 1:1",
                                              "lgK1",
                                              "K1 = ",
                                              "Model 1:2",
                                              "lgK2",
                                              "dPL2.s1",
                                              "lgK2step",
                                              "alpha",
                                              "K2 = ",
                                              "M^-2",
                                              "Monte Carlo: 20 of 20 replicates used",
                                              "Comparison",
                                              "1:1 vs 1:2: F = ",
                                              "Verdict: 1:2 preferred (AICc 1:2 < 1:1); F-test "
                                              "over 1:1 p = ",
                                              "Monte Carlo: 20 of 20 replicates, seed 1"};
    std::size_t at = 0;
    for (const std::string& piece : inOrder) {
        const std::size_t found = out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece << "\n" << out;
        at = found + piece.size();
    }
    EXPECT_EQ(out.find("1:2nc"), std::string::npos);
}

TEST(AnalyzeEndToEnd, ValuesThatDoNotExistAreNullNotZero) {
    // Three points, three parameters: the fit is exact and has no errors.
    const TFitRun exact = RunFit({"analyze", "--json", "--models", "1:1", "--mc", "50"},
                                 "0.001 8.1\n0.002 8.3\n0.004 8.4\n");
    ASSERT_EQ(exact.ExitStatus, 0) << exact.Err;
    const TJson j = TJson::parse(exact.Out);
    const TJson& m = j["models"][0];
    EXPECT_EQ(Num(m["dof"]), 0);
    EXPECT_FALSE(m["message"].is_null());
    EXPECT_TRUE(m["aicc"].is_null());
    EXPECT_TRUE(m["params"][0]["se"].is_null());
    EXPECT_TRUE(m["params"][0]["ci95"].is_null());
    EXPECT_TRUE(m["params"][0]["mc95"].is_null());
    EXPECT_TRUE(m["covariance"][0][0].is_null());
    EXPECT_TRUE(m["K"]["K2"].is_null());
    EXPECT_EQ(Num(j["replicates"]), 0);  // no replicate without a noise estimate

    // A fixed parameter has a value and no error; so has one the data cannot show.
    const TFitRun fixed =
        RunFit({"analyze", "--json", "--models", "1:2", "--mc", "0", "--fix", "lgK2=-15", "--data",
                std::string(KELMORA_EXAMPLES_DIR) + "/titration-1to1.txt"});
    ASSERT_EQ(fixed.ExitStatus, 0) << fixed.Err;
    const TJson fixedDoc = TJson::parse(fixed.Out);
    const TJson& params = fixedDoc["models"][0]["params"];
    EXPECT_EQ(params[1]["name"].get<std::string>(), "lgK2");
    EXPECT_TRUE(params[1]["fixed"].get<bool>());
    EXPECT_EQ(Num(params[1]["value"]), -15);
    EXPECT_TRUE(params[1]["se"].is_null());
    EXPECT_EQ(params[4]["name"].get<std::string>(), "dPL2.s1");
    EXPECT_FALSE(params[4]["determined"].get<bool>());
    EXPECT_TRUE(params[4]["se"].is_null());
}

TEST(AnalyzeEndToEnd, BadDataAndBadUsageEndWithTheirMessageAndStatus) {
    struct TRow {
        std::vector<std::string> Args;
        std::string Input;
        int Status;
        std::string ErrStart;
    };
    const std::string good = "0.001 8.1\n0.002 8.3\n0.004 8.4\n0.006 8.45\n";
    const std::vector<TRow> rows = {
        {{"analyze"}, "0.001 8.1\n0.002 x\n", 1, "line 2, column 2: \"x\" is not a number\n"},
        {{"analyze"},
         "0.001 8.1\n-0.002 8\n",
         1,
         "line 2, column 1: the ligand concentration is negative\n"},
        {{"analyze", "--p0", "0"}, good, 1, "The host concentration at point 1 is not above 0.\n"},
        {{"analyze"}, "0.001 8\n0.002 8\n", 1, "Signal \"s1\" does not change at all.\n"},
        {{"analyze"}, "0.005 8.5\n", 1, "There are too few points: one point shows no change.\n"},
        {{"analyze", "--mc", "0"},
         "0.001 8.1\n0.002 1e200\n0.004 8.4\n0.006 8.45\n",
         1,
         "line 2, column 2: \"1e200\" is beyond \u00B11e6 ppm, more than any shift\n"},
        {{"analyze", "--fix", "lgK1=300"},
         good,
         1,
         "The value given for \"lgK1\" is outside the range searched, -10 to 20.\n"},
        {{"analyze", "--models", "1:2"},
         good,
         1,
         "There are too few points: model 1:2 has 5 free parameters but the data have only 4 "
         "observations.\n"},
        {{"analyze", "--fix", "lgK3=1"},
         good,
         1,
         "No model asked for has a parameter named \"lgK3\".\n"},
        {{"analyze", "--data", "/nonexistent/t.txt"}, "", 1, "cannot read /nonexistent/t.txt"},
        {{"analyze", "--models", "1:3"}, good, 2, "kelmora-fit: unknown model '1:3'"},
        {{"analyze", "--iterations", "5"},
         good,
         2,
         "kelmora-fit: unknown option '--iterations' for analyze\nUsage: kelmora-fit analyze"},
    };
    for (const TRow& row : rows) {
        const TFitRun run = RunFit(row.Args, row.Input);
        EXPECT_EQ(run.ExitStatus, row.Status) << row.ErrStart << run.Err;
        EXPECT_EQ(run.Err.rfind(row.ErrStart, 0), 0u) << run.Err;
        EXPECT_EQ(run.Out, "") << row.ErrStart;
    }
    const TFitRun help = RunFit({"analyze", "--help"});
    EXPECT_EQ(help.ExitStatus, 0);
    for (const char* option : {"--data", "--p0", "--host-column", "--models", "--linear-term",
                               "--fix", "--mc", "--seed", "--conc-error", "--weight", "--json"}) {
        EXPECT_NE(help.Out.find(option), std::string::npos) << option;
    }
    EXPECT_NE(RunFit({"--help"}).Out.find("analyze"), std::string::npos);
}

TEST(AnalyzeEndToEnd, CtrlCEndsTheMonteCarloAndTheAnswerSaysHowManyWereDone) {
    // Both constants held, so that the fit itself has nothing to stop and the signal lands in
    // the Monte Carlo.
    TFitProcess process({"analyze", "--json", "--models", "1:2", "--fix", "lgK1=2.5", "--fix",
                         "lgK2=4.5", "--mc", "1000000"},
                        Example("titration-1to2.txt"));
    ASSERT_TRUE(process.WaitUntilCatchesSigint());
    ASSERT_EQ(kill(process.Pid(), SIGINT), 0);
    const TFitRun run = process.Wait();
    EXPECT_EQ(run.Signal, 0);
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const TJson j = TJson::parse(run.Out);
    EXPECT_TRUE(j["stopped"].get<bool>());
    const double done = Num(j["replicates"]);
    EXPECT_LT(done, 1000000);
    EXPECT_EQ(Num(j["models"][0]["replicates"]), done);
}

// So many points that the fits take seconds: Ctrl+C ends them with the models fitted so far.
TEST(AnalyzeEndToEnd, CtrlCEndsTheFitsAndTheAnswerSaysWhichModelsWereNotFitted) {
    std::string data;
    for (int i = 0; i < 150000; ++i) {
        const double c = 1e-7 * (i + 1);
        const double bound = 1000.0 * c / (1.0 + 1000.0 * c);
        data += std::to_string(c) + "\t" + std::to_string(8.0 + bound + 1e-3 * std::sin(i)) + "\t" +
                std::to_string(2.0 - bound) + "\n";
    }
    TFitProcess process({"analyze", "--mc", "100"}, data);
    ASSERT_TRUE(process.WaitUntilCatchesSigint());
    ASSERT_EQ(kill(process.Pid(), SIGINT), 0);
    const TFitRun run = process.Wait();
    EXPECT_EQ(run.Signal, 0);
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto line = run.Out.find("Stopped while fitting; not fitted:");
    ASSERT_NE(line, std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(" 1:2", line), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("Monte Carlo: 0 of 100 replicates (stopped)"), std::string::npos);
}

// A batch run saved for the window, then refitted from the file: the same data to the last bit
// give the same numbers, the file's settings hold unless the line says otherwise.
TEST(AnalyzeEndToEnd, SaveWritesWhatOpenRefitsAndOptionsOnTheLineWin) {
    const std::string file = ScratchDir() + "/batch.kelmora";
    const TFitRun saved = RunFit({"analyze", "--host-column", "--json", "--mc", "25", "--seed", "9",
                                  "--linear-term", "--fix", "dP.NH=8", "--save", file},
                                 TwoSignalsWithHost());
    ASSERT_EQ(saved.ExitStatus, 0) << saved.Err;
    const TJson first = TJson::parse(saved.Out);

    const TKelmoraDocument doc = ReadKelmoraFile(file);
    ASSERT_TRUE(doc.Analysis && doc.Analysis->Results);
    EXPECT_FALSE(doc.Analysis->Results->Stale);
    const analysis::TAnalysisResult& kept = doc.Analysis->Results->Result;
    ASSERT_EQ(kept.Models.size(), 3u);
    EXPECT_EQ(kept.Models[1].Ss, Num(first["models"][1]["ss"]));
    EXPECT_EQ(doc.Analysis->Results->Data.Host.size(), 24u);

    const TFitRun again = RunFit({"analyze", "--json", "--open", file});
    ASSERT_EQ(again.ExitStatus, 0) << again.Err;
    const TJson second = TJson::parse(again.Out);
    EXPECT_EQ(Num(second["seed"]), 9);
    EXPECT_EQ(Num(second["replicates"]), 25);
    for (std::size_t m = 0; m < 3; ++m) {
        EXPECT_EQ(Num(second["models"][m]["ss"]), Num(first["models"][m]["ss"]));
        const TJson& params = second["models"][m]["params"];
        ASSERT_EQ(params.size(), first["models"][m]["params"].size());
        for (std::size_t i = 0; i < params.size(); ++i) {
            const TJson& p = params[i];
            EXPECT_EQ(Num(p["value"]), Num(first["models"][m]["params"][i]["value"]))
                << p["name"].get<std::string>();
            if (p["name"].get<std::string>() == "dP.NH") {
                EXPECT_TRUE(p["fixed"].get<bool>());
            }
        }
    }

    const TFitRun mine =
        RunFit({"analyze", "--json", "--open", file, "--models", "1:1", "--mc", "0"});
    ASSERT_EQ(mine.ExitStatus, 0) << mine.Err;
    const TJson third = TJson::parse(mine.Out);
    ASSERT_EQ(third["models"].size(), 1u);
    EXPECT_EQ(third["models"][0]["model"].get<std::string>(), "1:1");
    EXPECT_EQ(Num(third["replicates"]), 0);

    const std::string plain = ScratchDir() + "/plain.kelmora";
    ASSERT_EQ(RunFit({"compute", "--data",
                      std::string(KELMORA_EXAMPLES_DIR) + "/titration-1to1.txt", "--save", plain})
                  .ExitStatus,
              0);
    const TFitRun none = RunFit({"analyze", "--open", plain});
    EXPECT_EQ(none.ExitStatus, 1);
    EXPECT_NE(none.Err.find("holds no data of the Analysis window"), std::string::npos) << none.Err;
    EXPECT_TRUE(none.Out.empty());
}

}  // namespace
}  // namespace kelmora::testing
