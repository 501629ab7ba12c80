// The Analysis window's results as texts: the tables, the warning and status lines, the clipboard
// texts, and what goes into the main window's table.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "analysisview/AnalysisReport.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

using analysis::TModelResult;

analysis::TModelDef Def(const char* name) {
    return *analysis::FindModel(name);
}
using analysis::TParamResult;

TParamResult Param(const char* name, double value, std::optional<double> se = std::nullopt) {
    TParamResult p;
    p.Name = name;
    p.Value = value;
    p.Se = se;
    if (se) {
        p.Ci95 = analysis::TInterval{value - 2 * *se, value + 2 * *se};
    }
    return p;
}

// A 1:1 fit of one signal "Ha" with every kind of parameter entry.
TModelResult OneToOne() {
    TModelResult m;
    m.Model = Def("1:1");
    m.Converged = true;
    m.Ss = 2.5e-5;
    m.Rms = 0.001118033988749895;
    m.CovFit = 0.0012;
    m.Aic = -120.5;
    m.Aicc = -119.25;
    m.Bic = -118.125;
    m.Dof = 17;
    m.Params = {Param("lgK1", 3.123456789, 0.0123), Param("dP.Ha", 7.5), Param("dPL.Ha", 9.25),
                Param("k.Ha", 0.0)};
    m.Params[0].Mc95 = analysis::TInterval{3.1, 3.15};
    m.Params[0].Profile95 = analysis::TOpenInterval{3.095, std::nullopt};
    m.Params[1].Fixed = true;
    m.Params[2].Determined = false;
    m.Constants = {{"K1",
                    {1, 1},
                    1328.5,
                    analysis::TInterval{1290.0, 1370.0},
                    std::nullopt,
                    std::nullopt,
                    true}};
    m.Residuals = {{0.01}, {-0.02}, {0.0}, {0.01}};
    m.Best.Model = m.Model;
    m.Best.LgK = {3.123456789};
    m.Best.Signals = {{false, {7.5, 9.25}, 0.125}};
    return m;
}

TEST(AnalysisReport, ResultNumbersHaveSixDigitsAndTheSeparatorInForce) {
    const struct {
        double x;
        const char* point;
        const char* comma;
    } cases[] = {
        {3.123456789, "3.12346", "3,12346"},
        {1328.5, "1328.5", "1328,5"},
        {2.5e-5, "2.5E-5", "2,5E-5"},
        {-0.0123456, "-0.0123456", "-0,0123456"},
        {0.0, "0", "0"},
        {123456789.0, "123457000", "123457000"},
        {NAN, "NaN", "NaN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResultNumber(c.x), c.point) << c.x;
        SetNumberDecimalSeparator(",");
        EXPECT_EQ(ResultNumber(c.x), c.comma) << c.x;
        SetNumberDecimalSeparator(".");
    }
    EXPECT_EQ(ResultNumber(std::optional<double>()), "");
}

TEST(AnalysisReport, ParameterTableSaysFixedAndUndeterminedAndEndsWithK) {
    const TTextRows expected = {
        {"lgK1", "3.12346", "0.0123", "3.09886", "3.14806", "3.095", "open", "3.1", "3.15"},
        {"dP.Ha", "7.5", "fixed", "", "", "", "", "", ""},
        {"dPL.Ha", "9.25", "undetermined", "", "", "", "", "", ""},
        {"k.Ha", "0", "", "", "", "", "", "", ""},
        {"K1, M⁻¹", "1328.5", "", "1290", "1370", "", "", "", ""},
    };
    EXPECT_EQ(ParamTableRows(OneToOne()), expected);
    EXPECT_EQ(ParamTableHeader().size(), expected.front().size());
}

TEST(AnalysisReport, ComparisonPutsEachFTestInTheSimplerModelsRow) {
    analysis::TAnalysisResult r;
    r.Models = {OneToOne(), OneToOne(), OneToOne()};
    r.Models[1].Model = Def("1:2");
    r.Models[2].Model = Def("1:2nc");
    r.Models[2].Aicc.reset();
    r.Comparison = {{"1:1", "1:2", 4.5, 0.003}, {"1:2nc", "1:2", std::nullopt, std::nullopt}};
    const TTextRows rows = ComparisonRows(r);
    const TTextRows expected = {
        {"1:1", "2.5E-5", "0.00111803", "0.0012", "-120.5", "-119.25", "-118.125", "0.003"},
        {"1:2", "2.5E-5", "0.00111803", "0.0012", "-120.5", "-119.25", "-118.125", ""},
        {"1:2nc", "2.5E-5", "0.00111803", "0.0012", "-120.5", "", "-118.125", ""},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(ComparisonHeader(r).back(), "F-test p vs 1:2");
    EXPECT_EQ(ComparisonHeader(r).size(), expected.front().size());
    // A second richer model gets a column of its own.
    r.Comparison.push_back({"1:1", "2:1/1:1", 2.0, 0.25});
    EXPECT_EQ(ComparisonHeader(r).back(), "F-test p vs 2:1/1:1");
    EXPECT_EQ(ComparisonRows(r)[0].back(), "0.25");
    EXPECT_EQ(ComparisonRows(r)[1].back(), "");
}

TEST(AnalysisReport, PValuesBelowTheDoubleRangeReadAsABound) {
    analysis::TAnalysisResult r;
    r.Models = {OneToOne()};
    const struct {
        double P;
        const char* Text;
    } cases[] = {{0.0, "< 1E-300"}, {4e-310, "< 1E-300"}, {1e-300, "1E-300"}, {0.25, "0.25"}};
    for (const auto& c : cases) {
        r.Comparison = {{"1:1", "1:2", 4.5, c.P}};
        EXPECT_EQ(ComparisonRows(r)[0][7], c.Text) << c.P;
    }
}

TEST(AnalysisReport, WarningNamesEveryModelWithAProblem) {
    analysis::TAnalysisResult r;
    EXPECT_EQ(WarningText(r), "");
    TModelResult clean = OneToOne();
    clean.Params[2].Determined = true;
    r.Models = {clean, clean, clean};
    EXPECT_EQ(WarningText(r), "");
    r.Models[1].Model = Def("1:2");
    r.Models[1].Converged = false;
    r.Models[1].Message = "no minimum within 200 iterations";
    r.Models[2].Model = Def("1:2nc");
    r.Models[2].Message = "N - p = 0: no errors";
    r.Models[2].Params[3].Determined = false;
    r.Models[2].Ss = 2e-4;
    // A descent that stopped short of the limit by less than the printed digits show.
    r.Models[2].OtherMinima = {{4.08e-4, {{"lgK1", 3.0144}}}, {6e-4, {{"lgK1", -9.9996}}}};
    EXPECT_EQ(WarningText(r),
              "1:2 did not converge: no minimum within 200 iterations; 1:2nc: N - p = 0: no "
              "errors; 1:2nc: undetermined k.Ha; 1:2nc: another minimum: lgK1 = 3.014, SS 2.04 × "
              "the best; 1:2nc: another minimum: lgK1 at the limit, SS 3.00 × the best");
}

TEST(AnalysisReport, StatusSaysHowTheRunEnded) {
    const struct {
        int requested, done;
        bool stopped;
        const char* text;
    } cases[] = {
        {1000, 0, true, "Stopped. Monte Carlo replicates done of 1000: 1:1 1000, 1:2 120"},
        {1000, 1000, false, "Done: 1000 Monte Carlo replicates"},
        {0, 0, false, "Done, without Monte Carlo"},
    };
    for (const auto& c : cases) {
        analysis::TAnalysisResult r;
        r.Models = {OneToOne(), OneToOne()};
        r.Models[0].ReplicatesDone = 1000;
        r.Models[1].Model = Def("1:2");
        r.Models[1].ReplicatesDone = 120;
        r.ReplicatesRequested = c.requested;
        r.ReplicatesDone = c.done;
        r.Stopped = c.stopped;
        EXPECT_EQ(RunStatusText(r), c.text);
    }
    analysis::TAnalysisResult fitting;
    fitting.Stopped = true;
    fitting.NotFitted = {"1:2", "1:2nc"};
    EXPECT_EQ(RunStatusText(fitting), "Stopped while fitting; not fitted: 1:2 1:2nc");
}

TEST(AnalysisReport, ProgressSaysWhichPhaseAndHowFar) {
    const struct {
        analysis::TAnalysisProgress progress;
        const char* text;
    } cases[] = {
        {{analysis::TAnalysisPhase::Fitting, "1:2", 1, 3}, "Fitting: 1 of 3 models"},
        {{analysis::TAnalysisPhase::MonteCarlo, "1:2nc", 120, 1000},
         "Monte Carlo 1:2nc: 120 of 1000 replicates"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressText(c.progress), c.text);
    }
}

TEST(AnalysisReport, CopyTextsAreTabSeparatedLinesInTheSeparatorInForce) {
    analysis::TAnalysisResult r;
    r.Models = {OneToOne()};
    r.Verdict = "only 1:1 fitted";
    SetNumberDecimalSeparator(",");
    const std::string results = ResultsCopyText(r, {"Kelmora 1.0, 2026-01-01", "Seed 1"});
    analysis::TTitration t;
    t.Conc = {0.0, 0.001, 0.002, 0.0035};
    t.Host = {0.01};
    t.Shifts = {{7.5}, {7.6}, {7.7}, {7.75}};
    const std::string residuals = ResidualsCopyText(r.Models[0], t, {"Ha"}, {"Kelmora 1.0"});
    SetNumberDecimalSeparator(".");
    EXPECT_EQ(results,
              "Kelmora 1.0, 2026-01-01\r\n"
              "Seed 1\r\n"
              "\r\n"
              "Model\t1:1\r\n"
              "Parameter\tValue\tSE\t95 % low\t95 % high\tProfile 95 % low\tProfile 95 % "
              "high\tMC 2.5 %\tMC 97.5 %\r\n"
              "lgK1\t3,12346\t0,0123\t3,09886\t3,14806\t3,095\topen\t3,1\t3,15\r\n"
              "dP.Ha\t7,5\tfixed\t\t\t\t\t\t\r\n"
              "dPL.Ha\t9,25\tundetermined\t\t\t\t\t\t\r\n"
              "k.Ha\t0\t\t\t\t\t\t\t\r\n"
              "K1, M⁻¹\t1328,5\t\t1290\t1370\t\t\t\t\r\n"
              "\r\n"
              "Model\tSS\tRMS, ppm\tcov_fit\tAIC\tAICc\tBIC\r\n"
              "1:1\t2,5E-5\t0,00111803\t0,0012\t-120,5\t-119,25\t-118,125\r\n"
              "only 1:1 fitted\r\n"
              "1:1: undetermined dPL.Ha\r\n");
    // calc = obs - residual, worked by hand.
    EXPECT_EQ(residuals,
              "Kelmora 1.0\r\n"
              "Model\t1:1\r\n"
              "C\tP0\tHa obs\tHa calc\tHa residual\r\n"
              "0\t0,01\t7,5\t7,49\t0,01\r\n"
              "0,001\t0,01\t7,6\t7,62\t-0,02\r\n"
              "0,002\t0,01\t7,7\t7,7\t0\r\n"
              "0,0035\t0,01\t7,75\t7,74\t0,01\r\n");
}

TEST(AnalysisReport, MainTableGetsTheChosenSignalAndPl2OffFor1To1) {
    TModelResult two = OneToOne();
    two.Model = two.Best.Model = Def("1:2");
    two.Best.LgK = {3.123456789, 6.5};
    two.Best.Signals = {{false, {7.5, 9.25, 0.0}, 0.125}, {false, {7.0, 8.0, 8.5}, -0.5}};
    TModelResult nc = two;
    nc.Model = nc.Best.Model = Def("1:2nc");
    nc.Best.LgK = {3.123456789};
    TModelResult sandwich = two;
    sandwich.Model = sandwich.Best.Model = Def("2:1/1:1");
    TModelResult guest = two;
    guest.Best.Signals[1].Guest = true;
    const double ncLgK2 = 2 * 3.123456789 - std::log10(4.0);
    const struct {
        const char* name;
        TModelResult model;
        int signal;
        std::optional<TParamVector> expected;
    } cases[] = {
        {"1:1", OneToOne(), 0, TParamVector{3.123456789, -1000.0, 7.5, 9.25, 0.0, 0.125}},
        {"1:2 second signal", two, 1, TParamVector{3.123456789, 6.5, 7.0, 8.0, 8.5, -0.5}},
        {"1:2nc gives its derived lg K2", nc, 0,
         TParamVector{3.123456789, ncLgK2, 7.5, 9.25, 0.0, 0.125}},
        {"the main window has no P2L", sandwich, 0, std::nullopt},
        {"nor guest signals", guest, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<TParamVector> v = MainTableVector(c.model, c.signal);
        ASSERT_EQ(v.has_value(), c.expected.has_value());
        for (std::size_t i = 0; v && i < v->size(); ++i) {
            EXPECT_NEAR((*v)[i], (*c.expected)[i], 1e-12) << i;
        }
    }
}

TEST(AnalysisReport, SignalQIsTheMainWindowsCriterionOfThatSignal) {
    TModelResult m = OneToOne();
    m.Residuals = {{0.01, 0.5}, {-0.02, 0.0}, {0.0, -0.5}, {0.01, 0.0}};
    EXPECT_DOUBLE_EQ(SignalQ(m, 0), 1e4 / 4 * (1e-4 + 4e-4 + 0 + 1e-4));
    EXPECT_DOUBLE_EQ(SignalQ(m, 1), 1e4 / 4 * 0.5);
}

}  // namespace
}  // namespace kelmora
