#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "analysisview/AnalysisReport.h"
#include "app/AnalyzeInput.h"
#include "app/AnalyzeOptions.h"
#include "app/AnalyzeOutput.h"
#include "app/ResultFormat.h"
#include "util/Errors.h"

namespace kelmora {
namespace {

TEST(AnalyzeInput, ReadsPointsSignalsHostsAndNames) {
    struct TRow {
        const char* Why;
        std::string Text;
        bool HostColumn;
        std::vector<double> Conc;
        std::vector<double> Host;
        std::vector<std::vector<double>> Shifts;
        std::vector<std::string> Names;
    };
    const std::vector<TRow> rows = {
        {"two signals, a line of blanks and one of TABs with blanks around its cells",
         "0.001 8.1   2.0\n0.002\t 8.2 \t2.1\n",
         false,
         {0.001, 0.002},
         {0.01},
         {{8.1, 2.0}, {8.2, 2.1}},
         {}},
        {"names of every column",
         "C NH CH\n0 1 2\n1e-3 +1.5 2.5\n",
         false,
         {0, 0.001},
         {0.01},
         {{1, 2}, {1.5, 2.5}},
         {"NH", "CH"}},
        {"names of the signals only", "NH\n0 1\n", false, {0}, {0.01}, {{1}}, {"NH"}},
        {"host column, CRLF, blank lines",
         "\r\nC H y\r\n0.001 0.02 5\r\n\r\n0.002 0.019 6\r\n",
         true,
         {0.001, 0.002},
         {0.02, 0.019},
         {{5}, {6}},
         {"y"}},
    };
    for (const TRow& row : rows) {
        const analysis::TTitration t = ParseTitrationText(row.Text, row.HostColumn, 0.01);
        EXPECT_EQ(t.Conc, row.Conc) << row.Why;
        EXPECT_EQ(t.Host, row.Host) << row.Why;
        EXPECT_EQ(t.Shifts, row.Shifts) << row.Why;
        EXPECT_EQ(t.SignalNames, row.Names) << row.Why;
    }
}

TEST(AnalyzeInput, BadCellsAreNamedByLineAndColumn) {
    struct TRow {
        std::string Text;
        bool HostColumn;
        const char* Message;
    };
    const std::vector<TRow> rows = {
        {"0.001 8.1 2\n0.002 8.2\n", false, "line 2, column 3: blank cell"},
        {"C\tP0\tHa\n0.001\t0.01\t3.0\n0.002\t\t3.01\n", true, "line 3, column 2: blank cell"},
        {"0.001\t8.1\t\n", false, "line 1, column 3: blank cell"},
        {"0.001 8.1\n0.002 8.2 2\n", false,
         "line 2, column 3: one cell too many: the first line of data has 2"},
        {"C y\n0.001 8,1\n", false, "line 2, column 2: \"8,1\" is not a number"},
        {"0.001 nan\n", false, "line 1, column 2: \"nan\" is not a number"},
        {"0.001 1e999\n", false, "line 1, column 2: \"1e999\" is not a number"},
        {"0,002 8.1 8.2\n0.004 8.2 8.3\n", false, "line 1, column 1: \"0,002\" is not a number"},
        {"1e400 8.1 8.2\n0.004 8.2 8.3\n", false, "line 1, column 1: \"1e400\" is not a number"},
        {"0.001 1e200\n", false,
         "line 1, column 2: \"1e200\" is beyond \u00B11e6 ppm, more than any shift"},
        {"0.001 2e3 8\n", true,
         "line 1, column 2: \"2e3\" is above 1000 M, more than any concentration"},
        {"-0.001 8\n", false, "line 1, column 1: the ligand concentration is negative"},
        {"0.001 0 8\n", true, "line 1, column 2: the host concentration is not above 0"},
        {"0.001\n", false, "line 1, column 2: a line needs C and at least one shift"},
        {"0.001 0.01\n", true,
         "line 1, column 3: a line needs C, the host concentration and at least one shift"},
        {"a b c\n0 1\n", false, "line 1, column 1: the line of names has 3 names for 2 columns"},
        {"C y y\n0 1 2\n", false, "line 1, column 3: the signal name \"y\" is used twice"},
        {"C y\n\n", false, "There are no data points."},
        {"", false, "There are no data points."},
    };
    for (const TRow& row : rows) {
        try {
            ParseTitrationText(row.Text, row.HostColumn, 0.01);
            ADD_FAILURE() << row.Text << ": accepted";
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), row.Message) << row.Text;
        }
    }
}

TEST(AnalyzeInput, SpreadsheetExportsGoThroughTheImporterWithColumnsByName) {
    const analysis::TTitration diluted = ParseTitrationFile(
        "Sample;C;Host;Ha\nA;0;0,01;7,1\nB;0,001;0,0099;7,2\n", "t.csv", false, 0.5);
    EXPECT_EQ(diluted.Conc, (std::vector<double>{0, 0.001}));
    EXPECT_EQ(diluted.Host, (std::vector<double>{0.01, 0.0099}));
    EXPECT_EQ(diluted.Shifts, (std::vector<std::vector<double>>{{7.1}, {7.2}}));
    EXPECT_EQ(diluted.SignalNames, (std::vector<std::string>{"Ha"}));

    const analysis::TTitration constant =
        ParseTitrationFile("conc\tNH\n0\t7.1\n1e-3\t7.2\n", "t.tsv", false, 0.02);
    EXPECT_EQ(constant.Host, (std::vector<double>{0.02}));
    EXPECT_EQ(constant.SignalNames, (std::vector<std::string>{"NH"}));

    try {
        ParseTitrationFile("C,Ha\n0,7\n", "t.csv", true, 0.01);
        ADD_FAILURE() << "a host column was taken from nowhere";
    } catch (const EKelmoraError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'t.csv': no column is named as the host (\"host\", \"P0\" or \"H0\").");
    }
    EXPECT_TRUE(IsSpreadsheetFileName("a/b.tsv"));
    EXPECT_FALSE(IsSpreadsheetFileName("b.txt"));
}

std::vector<std::string_view> Args(const std::vector<const char*>& words) {
    return {words.begin(), words.end()};
}

// A model that failed has values that are no numbers; the text shows them as missing, and says
// what was left out of the fit.
TEST(AnalyzeOutput, TheTextNeverPrintsNanOrInfinity) {
    constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
    analysis::TAnalysisResult result;
    result.Points = 3;
    result.SignalNames = {"s2"};
    result.Warnings = {"Signal \"s1\" does not change at all; it is left out of the fit."};
    analysis::TModelResult& m = result.Models.emplace_back();
    m.Model = *analysis::FindModel("1:1");
    m.Ss = Nan;
    m.Rms = std::numeric_limits<double>::infinity();
    m.CovFit = Nan;
    analysis::TParamResult& lgK1 = m.Params.emplace_back();
    lgK1.Name = "lgK1";
    lgK1.Value = Nan;
    m.Constants.push_back(
        {"K1", {1, 1}, -std::numeric_limits<double>::infinity(), {}, {}, {}, true});
    std::ostringstream out;
    WriteAnalysisText(out, result);
    EXPECT_EQ(out.str().find("nan"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("inf"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("SS -   RMS - ppm"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().rfind("Points 3, signals s2\nWarning: Signal \"s1\" does not change at "
                              "all; it is left out of the fit.\n\nModel 1:1",
                              0),
              0u)
        << out.str();
}

TEST(AnalyzeOptions, OnlyTheCommandWordSelectsAnalyze) {
    struct TRow {
        std::vector<const char*> Words;
        bool Analyze;
    };
    const std::vector<TRow> rows = {
        {{"analyze"}, true},
        {{"--json", "analyze"}, true},
        {{"--data", "analyze", "compute"}, false},  // a file named analyze
        {{"--models", "1:1", "analyze"}, true},
        {{"compute", "analyze"}, false},
        {{"analyze", "--fix"}, true},  // a mistake after the word is analyze's to tell
        {{"analyze", "--mc", "x", "--mc"}, true},
        {{"--help"}, false},
        {{}, false},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(IsAnalyzeCommand(Args(row.Words)), row.Analyze) << row.Words.size();
    }
}

TEST(AnalyzeOptions, EveryOptionLandsInItsTypedField) {
    const TAnalyzeArgs a = ParseAnalyzeArgs(Args(
        {"analyze",           "--data",    "t.txt",         "--p0=0.002", "--host-column",
         "--models",          "1:2nc,1:1", "--linear-term", "--fix",      "lgK1=3.5",
         "--fix=dP.NH=-1e-2", "--mc",      "250",           "--seed",     "18446744073709551615",
         "--conc-error",      "1.5",       "--weight",      "per-signal", "--json",
         "--guest-signals",   "Lig,CH"}));
    ASSERT_EQ(a.Kind, TAnalyzeArgs::TKind::Run) << a.Error;
    const TAnalyzeOptions& o = a.Options;
    EXPECT_EQ(o.DataFile, "t.txt");
    EXPECT_EQ(o.P0, 0.002);
    EXPECT_TRUE(o.HostColumn);
    EXPECT_TRUE(o.Json);
    ASSERT_EQ(o.Settings.Models.size(), 2u);
    EXPECT_EQ(o.Settings.Models[0].Name, "1:2nc");
    EXPECT_EQ(o.Settings.Models[1].Name, "1:1");
    EXPECT_EQ(o.Settings.GuestSignals, (std::vector<std::string>{"Lig", "CH"}));
    EXPECT_TRUE(o.Settings.LinearTerm);
    ASSERT_EQ(o.Settings.Fixed.size(), 2u);
    EXPECT_EQ(o.Settings.Fixed[0].Name, "lgK1");
    EXPECT_EQ(o.Settings.Fixed[0].Value, 3.5);
    EXPECT_EQ(o.Settings.Fixed[1].Name, "dP.NH");
    EXPECT_EQ(o.Settings.Fixed[1].Value, -0.01);
    EXPECT_EQ(o.Settings.Replicates, 250);
    EXPECT_EQ(o.Settings.Seed, 18446744073709551615ull);
    EXPECT_EQ(o.Settings.ConcErrorPercent, 1.5);
    EXPECT_TRUE(o.Settings.WeightPerSignal);

    const TAnalyzeArgs defaults = ParseAnalyzeArgs(Args({"analyze"}));
    EXPECT_EQ(defaults.Options.Settings.Models.size(), 3u);
    EXPECT_EQ(defaults.Options.Settings.Replicates, 1000);
    EXPECT_EQ(defaults.Options.P0, 0.01);
    EXPECT_FALSE(defaults.Options.HostColumn);
    EXPECT_FALSE(defaults.Options.Settings.WeightPerSignal);
}

// Both ends of every range are values the option takes: no error in the concentrations, no
// replicates, the largest count, seed 0.
TEST(AnalyzeOptions, TheEndsOfEveryRangeAreTaken) {
    using TSettings = analysis::TAnalysisSettings;
    struct TRow {
        const char* Option;
        const char* Value;
        double (*Read)(const TSettings&);
        double Expected;
    };
    const std::vector<TRow> rows = {
        {"--conc-error", "0", [](const TSettings& s) { return s.ConcErrorPercent; }, 0.0},
        {"--conc-error", "50", [](const TSettings& s) { return s.ConcErrorPercent; }, 50.0},
        {"--mc", "0", [](const TSettings& s) { return double(s.Replicates); }, 0.0},
        {"--mc", "1000000", [](const TSettings& s) { return double(s.Replicates); }, 1e6},
        {"--seed", "0", [](const TSettings& s) { return double(s.Seed); }, 0.0},
    };
    for (const TRow& row : rows) {
        TAnalyzeOptions start;
        start.Settings.ConcErrorPercent = 7.0;
        start.Settings.Replicates = 7;
        start.Settings.Seed = 7;
        const TAnalyzeArgs a = ParseAnalyzeArgs(Args({"analyze", row.Option, row.Value}), start);
        ASSERT_EQ(a.Kind, TAnalyzeArgs::TKind::Run) << a.Error;
        EXPECT_EQ(row.Read(a.Options.Settings), row.Expected) << row.Option << ' ' << row.Value;
    }
}

TEST(AnalyzeOptions, MistakesAreUsageErrorsThatSayWhat) {
    struct TRow {
        std::vector<const char*> Words;
        const char* Error;
    };
    const std::vector<TRow> rows = {
        {{"analyze", "--models", "1:3"},
         "unknown model '1:3' (models: 1:1, 1:2, 1:2nc, 2:1, 2:1/1:1, 2:1/1:1/1:2)"},
        {{"analyze", "--models", "1:1,"},
         "unknown model '' (models: 1:1, 1:2, 1:2nc, 2:1, 2:1/1:1, 2:1/1:1/1:2)"},
        {{"analyze", "--mc", "-1"}, "--mc needs a whole number from 0 to 1000000, not '-1'"},
        {{"analyze", "--mc", "2000000"},
         "--mc needs a whole number from 0 to 1000000, not '2000000'"},
        {{"analyze", "--seed", "1.5"}, "--seed needs a whole number of 0 or more, not '1.5'"},
        {{"analyze", "--conc-error", "-1"},
         "--conc-error needs a percentage from 0 to 50, not '-1'"},
        {{"analyze", "--conc-error", "50.5"},
         "--conc-error needs a percentage from 0 to 50, not '50.5'"},
        {{"analyze", "--fix", "lgK1"}, "--fix needs NAME=VALUE, not 'lgK1'"},
        {{"analyze", "--weight", "all"}, "--weight needs per-signal or none, not 'all'"},
        {{"analyze", "--fix", "=3"}, "--fix needs NAME=VALUE, not '=3'"},
        {{"analyze", "--p0", "abc"}, "--p0 needs a number, not 'abc'"},
        {{"analyze", "--refine"}, "unknown option '--refine' for analyze"},
        {{"analyze", "--json=yes"}, "option '--json' takes no value"},
        {{"analyze", "--mc"}, "option '--mc' needs a value"},
        {{"analyze", "extra"}, "unexpected argument 'extra'"},
    };
    for (const TRow& row : rows) {
        const TAnalyzeArgs a = ParseAnalyzeArgs(Args(row.Words));
        EXPECT_EQ(a.Kind, TAnalyzeArgs::TKind::UsageError) << row.Error;
        EXPECT_EQ(a.Error, row.Error);
    }
    EXPECT_EQ(ParseAnalyzeArgs(Args({"analyze", "--mc", "x", "--help"})).Kind,
              TAnalyzeArgs::TKind::UsageError);
    EXPECT_EQ(ParseAnalyzeArgs(Args({"analyze", "--help"})).Kind, TAnalyzeArgs::TKind::Help);
}

// One parameter in the answer's text and in the windows' table: the same columns, each spelt
// its view's way (a missing number "-" or empty, an interval whole or as its two ends).
TEST(ParamColumns, TheTextAndTheWindowsShowTheSameCells) {
    analysis::TParamResult open{"lgK2",       3.5,
                                0.1,          analysis::TInterval{3.3, 3.7},
                                std::nullopt, analysis::TOpenInterval{3.2, std::nullopt}};
    analysis::TParamResult fixed{"lgK1",       4.0,          std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, true};
    analysis::TParamResult atLimit = open;
    atLimit.AtLimit = true;
    atLimit.Determined = false;
    const struct {
        analysis::TParamResult P;
        std::string Text;
        std::vector<std::string> Row;
    } cases[] = {
        {open,
         "  lgK2            3.5             0.1             [3.3, 3.7]                      > 3.2"
         "                       -\n",
         {"lgK2", "3.5", "0.1", "3.3", "3.7", "3.2", "open", "", ""}},
        {fixed,
         "  lgK1            4               fixed           -                               -"
         "                           -\n",
         {"lgK1", "4", "fixed", "", "", "", "", "", ""}},
        {atLimit,
         "  lgK2            at the limit    undetermined    [3.3, 3.7]                      > 3.2"
         "                       -\n",
         {"lgK2", "at the limit", "undetermined", "3.3", "3.7", "3.2", "open", "", ""}},
    };
    for (const auto& c : cases) {
        std::ostringstream text;
        WriteParamLine(text, c.P);
        EXPECT_EQ(text.str(), c.Text);
        EXPECT_EQ(ParamRow(c.P), c.Row);
        EXPECT_EQ(ParamRow(c.P).size(), ParamTableHeader().size());
    }
}

}  // namespace
}  // namespace kelmora
