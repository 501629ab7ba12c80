// Kelmora files: what is saved comes back exactly, and a file that is not a whole Kelmora file
// of this or an older format is refused with a message that says why.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>

#include "files/KelmoraFile.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

// Bit for bit, so that NaN equals NaN and -0 differs from 0.
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameDocument(const TKelmoraDocument& a, const TKelmoraDocument& b) {
    EXPECT_EQ(a.DecimalSeparator, b.DecimalSeparator);
    EXPECT_EQ(a.ParamCells, b.ParamCells);
    for (int i = 0; i < ParamCount; ++i) {
        EXPECT_TRUE(SameBits(a.ParamValues[i], b.ParamValues[i])) << "value " << i;
    }
    EXPECT_EQ(a.DataCells, b.DataCells);
    EXPECT_EQ(a.P0Text, b.P0Text);
    EXPECT_EQ(a.IterCountText, b.IterCountText);
    EXPECT_EQ(a.FinishMinima, b.FinishMinima);
    EXPECT_EQ(a.ChartMode, b.ChartMode);
    ASSERT_EQ(a.Minima.size(), b.Minima.size());
    for (std::size_t k = 0; k < a.Minima.size(); ++k) {
        EXPECT_TRUE(SameBits(a.Minima[k].Q, b.Minima[k].Q)) << "minimum " << k;
        for (int i = 0; i < ParamCount; ++i) {
            EXPECT_TRUE(SameBits(a.Minima[k].Params[i], b.Minima[k].Params[i]));
        }
    }
    EXPECT_TRUE(SameBits(a.BestQ, b.BestQ));
    EXPECT_EQ(a.MinimaDropped, b.MinimaDropped);
    EXPECT_EQ(a.Analysis, b.Analysis);
    EXPECT_EQ(a.Spectra, b.Spectra);
}

// Results in which every field has a value of its own, the hardest ones to keep among them, so
// that a field the file leaves out cannot come back by chance.
analysis::TAnalysisResult FullResult() {
    using namespace analysis;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TModelResult m;
    m.Model = *FindModel("1:2");
    m.Converged = true;
    m.Message = "a note";
    m.Ss = 0.1 + 0.2;
    m.Rms = 1.0 / 3.0;
    m.CovFit = 5e-324;
    m.Aic = -1.5;
    m.Bic = 2.25;
    m.Dof = 7;
    m.Params = {{"lgK1", 3.0000000000000004, 0.01, TInterval{2.9, 3.1}, std::nullopt,
                 TOpenInterval{2.85, std::nullopt}, false, true, true},
                {"dP.Ha", 7.5, std::nullopt, std::nullopt, TInterval{7, 8}, std::nullopt, true,
                 false, false}};
    m.Derived = {{"alpha", 0.25, 0.5, std::nullopt, TInterval{0.1, 0.4},
                  TOpenInterval{std::nullopt, 0.9}, false, false, false}};
    m.Constants = {
        {"K1", {1, 1}, 1000.5, TInterval{900, 1100}, std::nullopt, TOpenInterval{800, 1200}, true},
        {"K21", {2, 1}, 1e6, std::nullopt, TInterval{1e5, 1e7}, std::nullopt, false}};
    m.McAtBound = 1;
    m.McFailed = 2;
    m.McUsed = 3;
    m.McUnstable = {"dP.Ha"};
    m.Covariance = {{1e-4, nan}, {nan, inf}};
    m.Correlation = {{1, -0.0}};
    m.Residuals = {{0.001, -0.002}};
    m.Best = {*FindModel("2:1/1:1"), {3.0, 5.4}, {{true, {7.0, 8.0, 9.0}, 0.5}}};
    m.ReplicatesDone = 2;
    m.ReplicateValues = {{3.01, 7.4}, {2.99, 7.6}};
    m.Fit = {17, 2.5e-9, TStopReason::IterationLimit};
    m.OtherMinima = {{0.75, {{"lgK1", 2.474}, {"lgK2", 5.25}}}};
    TAnalysisResult r;
    r.SignalNames = {"Ha"};
    r.Points = 16;
    r.Seed = std::numeric_limits<std::uint64_t>::max();
    r.ReplicatesRequested = 3;
    r.ReplicatesDone = 2;
    r.Stopped = true;
    r.SignalSd = {0.002};
    r.Models = {m};
    r.NotFitted = {"1:1"};
    r.Comparison = {{"1:1", "1:2", 4.5, std::nullopt}};
    r.Verdict = "1:2 preferred";
    r.Preferred = "1:2";
    return r;
}

// The Spectra window's work, every field with a value of its own, results included.
TSpectraSection FullSpectra() {
    using namespace analysis;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TSpectraModelResult m;
    m.Model = "1:2";
    m.Converged = true;
    m.Message = "lacks PL2";
    m.Ss = 0.1 + 0.2;
    m.Rms = 1.0 / 3.0;
    m.Aic = -3.5;
    m.Bic = 7.25;
    m.Dof = 11;
    m.Params = 9;
    m.LgK = {{"lgK1", 4.3, 0.02, TInterval{4.26, 4.34}, TInterval{4.25, 4.35},
              TOpenInterval{4.2, std::nullopt}, false, true, false}};
    m.Species = {{"P", {5e5, 1e3}, {12.5, nan}}, {"PL2", {-0.0, 5e-324}, {1, 2}}};
    m.Residuals = {{0.001, -0.002}, {nan, 0.0}};
    m.Fit = {23, 1e-12, TStopReason::NoProgress};
    m.ReplicatesDone = 40;
    m.McUsed = 37;
    m.McFailed = 2;
    m.McAtBound = 1;
    m.AbsorbingSpecies = 3;
    TSpectraResult r;
    r.Observable = TObservable::Fluorescence;
    r.Wavelengths = {420, 421.5};
    r.Points = 2;
    r.Factors = {{3.5, 0.25, 1e-3}, 2, 0.002};
    r.Seed = std::numeric_limits<std::uint64_t>::max();
    r.ReplicatesRequested = 50;
    r.Stopped = true;
    r.Models = {m};
    r.Comparison = {{"1:1", "1:2", 12.5, 1e-310}};
    r.Verdict = "1:2 preferred";
    r.Preferred = "1:2";
    TSpectraSection s;
    s.SpectraName = "Zn·TPP.csv";
    s.Spectra = {{400, 400.5, 401}, {{0.1, 0.2, -0.0}, {1e-300, 2, 3}}};
    s.InRows = true;
    s.PointCells = {{"C", "P0"}, {"0", "2·0e-6"}, {"", "x"}};
    s.P0Text = "3e-6";
    s.FromText = "400·5";
    s.ToText = "401";
    s.Step = 7;
    s.Observable = "fluorescence";
    s.Models = {"1:2", "2:1"};
    s.PathLengthText = "0·5";
    s.LigandAbsorbs = true;
    s.Replicates = 50;
    s.Seed = 12345678901234567890u;
    s.Results =
        TSavedSpectraResults{{{420, 421.5}, {0, 1e-3}, {2e-6}, {{0.1, 0.2}, {0.3, 0.4}}}, r, true};
    return s;
}

// A document that uses every field, with the values that are hardest to keep.
TKelmoraDocument FullDocument() {
    TKelmoraDocument doc;
    doc.DecimalSeparator = "·";
    for (int i = 0; i < ParamCount; ++i) {
        for (int c = 0; c < ParamCellColumns; ++c) {
            doc.ParamCells[i][c] = std::to_string(i) + "·" + std::to_string(c);
        }
    }
    doc.ParamCells[2][3] = "";
    doc.ParamCells[4][3] = " y\t\"quoted\" \\ ";
    doc.ParamValues = {0.1 + 0.2, 1.0 / 3.0, -0.0, 5e-324, 1.7976931348623157e308, -1000};
    doc.DataCells = {{"0·001", "8·1144"}, {"", ""}, {"x", "Ünïcødé"}, {"0·003", ""}};
    doc.P0Text = "0·01";
    doc.IterCountText = "12 sweeps";
    doc.FinishMinima = true;
    doc.ChartMode = -7;
    doc.Minima = {{{1, 2, 3, 4, 5, 6}, 0.125},
                  {{0.1, -0.2, 1e300, -1e-300, 7, 8}, std::numeric_limits<double>::quiet_NaN()},
                  {{0, 0, 0, 0, 0, 0}, std::numeric_limits<double>::infinity()}};
    doc.BestQ = -std::numeric_limits<double>::infinity();
    doc.MinimaDropped = 17;
    TAnalysisSection a;
    a.DataCells = {{"0·001", "8·11", "extra"}, {}, {"0·002"}};
    a.P0Text = "0·02";
    a.Models = {"1:1", "1:2nc"};
    a.LinearTerm = true;
    a.WeightPerSignal = true;
    a.FixedParams = {{"lgK1", "2·5"}, {"δPL", ""}};
    a.Replicates = 2000;
    a.ConcErrorText = "1·5";
    a.Seed = std::numeric_limits<std::uint64_t>::max();
    a.Volumes = TVolumeTexts{"0·003", "0·05", true, "500", {"0", "10", "", "2e1"}, true};
    a.Results = TSavedResults{{{0, 1e-3}, {0.01}, {"Ha"}, {{7.1}, {7.2}}}, FullResult(), true};
    doc.Analysis = a;
    doc.Spectra = FullSpectra();
    return doc;
}

TEST(KelmoraFile, EveryFieldComesBackExactly) {
    const TKelmoraDocument full = FullDocument();
    ExpectSameDocument(ParseKelmoraFile(KelmoraFileText(full), "full.kelmora"), full);

    const TKelmoraDocument fresh;  // the defaults, without an analysis
    const TKelmoraDocument back = ParseKelmoraFile(KelmoraFileText(fresh), "fresh.kelmora");
    ExpectSameDocument(back, fresh);
    EXPECT_FALSE(back.Analysis.has_value());
    EXPECT_FALSE(back.Spectra.has_value());
}

// The equality of saved results goes through the file's own field lists, so it cannot see a
// field that both sides leave out: these are checked one by one.
TEST(KelmoraFile, SavedSpectraResultsComeBackFieldByField) {
    const TKelmoraDocument back = ParseKelmoraFile(KelmoraFileText(FullDocument()), "s.kelmora");
    ASSERT_TRUE(back.Spectra && back.Spectra->Results);
    EXPECT_TRUE(back.Spectra->Results->Stale);
    const TSpectraSection want = FullSpectra();
    const analysis::TSpectraResult& r = back.Spectra->Results->Result;
    const analysis::TSpectraResult& w = want.Results->Result;
    EXPECT_EQ(r.Observable, analysis::TObservable::Fluorescence);
    EXPECT_EQ(r.Wavelengths, w.Wavelengths);
    EXPECT_EQ(r.Points, 2);
    EXPECT_EQ(r.Factors.SingularValues, w.Factors.SingularValues);
    EXPECT_EQ(r.Factors.Species, 2);
    EXPECT_EQ(r.Factors.NoiseSd, 0.002);
    EXPECT_EQ(r.Seed, w.Seed);
    EXPECT_EQ(r.ReplicatesRequested, 50);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Verdict, w.Verdict);
    EXPECT_EQ(r.Preferred, "1:2");
    ASSERT_EQ(r.Comparison.size(), 1u);
    EXPECT_EQ(r.Comparison[0].P, 1e-310);
    ASSERT_EQ(r.Models.size(), 1u);
    const analysis::TSpectraModelResult& m = r.Models[0];
    const analysis::TSpectraModelResult& wm = w.Models[0];
    EXPECT_EQ(m.Model, "1:2");
    EXPECT_TRUE(m.Converged);
    EXPECT_EQ(m.Message, wm.Message);
    EXPECT_EQ(m.Ss, wm.Ss);
    EXPECT_EQ(m.Rms, wm.Rms);
    EXPECT_EQ(m.Aic, wm.Aic);
    EXPECT_FALSE(m.Aicc.has_value());
    EXPECT_EQ(m.Bic, wm.Bic);
    EXPECT_EQ(m.Dof, 11);
    EXPECT_EQ(m.Params, 9);
    ASSERT_EQ(m.LgK.size(), 1u);
    EXPECT_EQ(m.LgK[0].Name, "lgK1");
    EXPECT_EQ(m.LgK[0].Mc95->Hi, 4.35);
    ASSERT_EQ(m.Species.size(), 2u);
    EXPECT_EQ(m.Species[1].Species, "PL2");
    EXPECT_TRUE(SameBits(m.Species[1].Eps[0], -0.0));
    EXPECT_TRUE(SameBits(m.Species[1].Eps[1], 5e-324));
    EXPECT_TRUE(std::isnan(m.Species[0].Se[1]));
    EXPECT_TRUE(std::isnan(m.Residuals[1][0]));
    EXPECT_EQ(m.Fit.Iterations, 23);
    EXPECT_EQ(m.Fit.Stop, analysis::TStopReason::NoProgress);
    EXPECT_EQ(m.Fit.GradientNorm, 1e-12);
    EXPECT_EQ(m.ReplicatesDone, 40);
    EXPECT_EQ(m.McUsed, 37);
    EXPECT_EQ(m.McFailed, 2);
    EXPECT_EQ(m.McAtBound, 1);
    EXPECT_EQ(m.AbsorbingSpecies, 3);
    const analysis::TSpectraTitration& d = back.Spectra->Results->Data;
    EXPECT_EQ(d.Wavelengths, want.Results->Data.Wavelengths);
    EXPECT_EQ(d.Conc, want.Results->Data.Conc);
    EXPECT_EQ(d.Host, want.Results->Data.Host);
    EXPECT_EQ(d.Values, want.Results->Data.Values);
}

// Files from before the Spectra window have no section of it, and open as they were.
TEST(KelmoraFile, AFileWithoutSpectraOpensWithout) {
    TKelmoraDocument doc = FullDocument();
    nlohmann::json j = nlohmann::json::parse(KelmoraFileText(doc));
    ASSERT_TRUE(j.contains("spectra"));
    j.erase("spectra");
    doc.Spectra.reset();
    ExpectSameDocument(ParseKelmoraFile(j.dump(), "old.kelmora"), doc);
}

TEST(KelmoraFile, SavedResultsComeBackToTheLastBit) {
    const TKelmoraDocument full = FullDocument();
    const TKelmoraDocument back = ParseKelmoraFile(KelmoraFileText(full), "r.kelmora");
    ASSERT_TRUE(back.Analysis && back.Analysis->Results);
    const TSavedResults& saved = *back.Analysis->Results;
    EXPECT_TRUE(saved.Stale);
    EXPECT_EQ(saved.Data.Conc, (std::vector<double>{0, 1e-3}));
    EXPECT_EQ(saved.Data.Shifts, (std::vector<std::vector<double>>{{7.1}, {7.2}}));
    const analysis::TAnalysisResult& r = saved.Result;
    const analysis::TAnalysisResult want = FullResult();
    EXPECT_EQ(r.SignalNames, want.SignalNames);
    EXPECT_EQ(r.Points, 16);
    EXPECT_EQ(r.Seed, want.Seed);
    EXPECT_EQ(r.ReplicatesRequested, 3);
    EXPECT_EQ(r.ReplicatesDone, 2);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Verdict, want.Verdict);
    EXPECT_EQ(r.Preferred, "1:2");
    ASSERT_EQ(r.Comparison.size(), 1u);
    EXPECT_EQ(r.Comparison[0].Richer, "1:2");
    EXPECT_EQ(r.Comparison[0].F, 4.5);
    EXPECT_FALSE(r.Comparison[0].P);
    ASSERT_EQ(r.Models.size(), 1u);
    const analysis::TModelResult& m = r.Models[0];
    const analysis::TModelResult& w = want.Models[0];
    EXPECT_EQ(m.Model.Name, w.Model.Name);
    EXPECT_TRUE(m.Converged);
    EXPECT_EQ(m.Message, w.Message);
    for (const auto& [got, expected] : {std::pair{m.Ss, w.Ss},
                                        {m.Rms, w.Rms},
                                        {m.CovFit, w.CovFit},
                                        {*m.Aic, *w.Aic},
                                        {*m.Bic, *w.Bic}}) {
        EXPECT_TRUE(SameBits(got, expected)) << got;
    }
    EXPECT_FALSE(m.Aicc);
    EXPECT_EQ(m.Dof, 7);
    ASSERT_EQ(m.Params.size(), 2u);
    EXPECT_EQ(m.Params[0].Name, "lgK1");
    EXPECT_TRUE(SameBits(m.Params[0].Value, w.Params[0].Value));
    EXPECT_EQ(m.Params[0].Se, 0.01);
    EXPECT_EQ(m.Params[0].Ci95->Hi, 3.1);
    EXPECT_FALSE(m.Params[0].Mc95);
    EXPECT_EQ(m.Params[1].Mc95->Lo, 7);
    EXPECT_TRUE(m.Params[1].Fixed);
    EXPECT_FALSE(m.Params[1].Determined);
    EXPECT_EQ(m.Constants[0].Ci95->Lo, 900);
    EXPECT_EQ(m.Constants[1].Mc95->Hi, 1e7);
    EXPECT_EQ(m.Constants[1].Name, "K21");
    EXPECT_EQ(m.Constants[1].Species, (analysis::TSpecies{2, 1}));
    EXPECT_TRUE(std::isnan(m.Covariance[0][1]));
    EXPECT_TRUE(std::isinf(m.Covariance[1][1]));
    EXPECT_TRUE(SameBits(m.Correlation[0][1], -0.0));
    EXPECT_EQ(m.Residuals, w.Residuals);
    EXPECT_EQ(m.Best.Model.Name, "2:1/1:1");
    EXPECT_EQ(m.Best.LgK, (std::vector<double>{3.0, 5.4}));
    EXPECT_EQ(m.Best.Signals[0].K, 0.5);
    EXPECT_TRUE(m.Best.Signals[0].Guest);
    EXPECT_EQ(m.Best.Signals[0].Species, (std::vector<double>{7.0, 8.0, 9.0}));
    EXPECT_EQ(m.ReplicatesDone, 2);
    EXPECT_EQ(m.ReplicateValues, w.ReplicateValues);
    // What says how far the numbers can be trusted comes back with them.
    EXPECT_EQ(m.Params[0].Profile95->Lo, 2.85);
    EXPECT_FALSE(m.Params[0].Profile95->Hi);
    EXPECT_TRUE(m.Params[0].AtLimit);
    EXPECT_FALSE(m.Params[1].Profile95);
    ASSERT_EQ(m.Derived.size(), 1u);
    EXPECT_EQ(m.Derived[0].Name, "alpha");
    EXPECT_EQ(m.Derived[0].Profile95->Hi, 0.9);
    EXPECT_EQ(m.Constants[0].Profile95->Hi, 1200);
    EXPECT_FALSE(m.Constants[1].Determined);
    EXPECT_EQ((std::vector<int>{m.McAtBound, m.McFailed, m.McUsed}), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(m.McUnstable, w.McUnstable);
    EXPECT_EQ(r.SignalSd, want.SignalSd);
    EXPECT_EQ(m.Fit.Stop, analysis::TStopReason::IterationLimit);
    EXPECT_EQ(m.Fit.Iterations, 17);
    EXPECT_EQ(m.Fit.GradientNorm, 2.5e-9);
    ASSERT_EQ(m.OtherMinima.size(), 1u);
    EXPECT_EQ(m.OtherMinima[0].Ss, 0.75);
    EXPECT_EQ(m.OtherMinima[0].LgK, w.OtherMinima[0].LgK);
    EXPECT_EQ(r.NotFitted, want.NotFitted);
}

// Results saved before the fit's stop reason, its other minima and the models a stop left
// unfitted were kept open with those empty; a field that was always there is still required.
TEST(KelmoraFile, ResultsSavedBeforeTheStopReasonWasKeptStillOpen) {
    nlohmann::json j = nlohmann::json::parse(KelmoraFileText(FullDocument()));
    nlohmann::json& result = j.at("analysis").at("results").at("analysis");
    result.erase("notFitted");
    result.at("models").at(0).erase("fit");
    result.at("models").at(0).erase("otherMinima");
    const TKelmoraDocument back = ParseKelmoraFile(j.dump(), "v2.kelmora");
    const analysis::TModelResult& m = back.Analysis->Results->Result.Models.at(0);
    EXPECT_EQ(m.Fit.Stop, analysis::TStopReason::Tolerance);
    EXPECT_TRUE(m.OtherMinima.empty());
    EXPECT_EQ(m.Ss, FullResult().Models[0].Ss);

    result.at("models").at(0).erase("ss");
    EXPECT_THROW(ParseKelmoraFile(j.dump(), "v2.kelmora"), EKelmoraError);
}

// A file of the first format, before the analysis kept its volumes, opens as it was.
TEST(KelmoraFile, AFileOfTheFirstFormatStillOpens) {
    TKelmoraDocument doc = FullDocument();
    doc.Analysis->Volumes.reset();
    doc.Analysis->Results.reset();
    nlohmann::json j = nlohmann::json::parse(KelmoraFileText(doc));
    ASSERT_FALSE(j.at("analysis").contains("volumes"));
    j["version"] = 1;
    ExpectSameDocument(ParseKelmoraFile(j.dump(), "old.kelmora"), doc);
}

// Results saved while the models had fixed fields (lgK1, lgK2; dP, dPL, dPL2; k1, k2) open
// in the catalogue's layout.
TEST(KelmoraFile, ResultsOfFixedModelFieldsOpenInTheCatalogueLayout) {
    using J = nlohmann::json;
    J j = J::parse(KelmoraFileText(FullDocument()));
    J& model = j["analysis"]["results"]["analysis"]["models"][0];
    model.erase("constants");
    model["k1"] = {{"value", 1000.5},
                   {"ci95", {{"lo", 900}, {"hi", 1100}}},
                   {"mc95", J()},
                   {"profile95", J()},
                   {"determined", true}};
    model["k2"] = {{"value", 1e6},
                   {"ci95", J()},
                   {"mc95", {{"lo", 1e5}, {"hi", 1e7}}},
                   {"profile95", J()},
                   {"determined", false}};
    model["best"] = {{"model", "1:2"},
                     {"lgK1", 3.0},
                     {"lgK2", 5.4},
                     {"signals", {{{"dP", 7.0}, {"dPL", 8.0}, {"dPL2", 9.0}, {"k", 0.5}}}}};
    const TKelmoraDocument back = ParseKelmoraFile(j.dump(), "old.kelmora");
    const analysis::TModelResult& m = back.Analysis->Results->Result.Models.at(0);
    ASSERT_EQ(m.Constants.size(), 2u);
    EXPECT_EQ(m.Constants[0].Name, "K1");
    EXPECT_EQ(m.Constants[0].Ci95->Hi, 1100);
    EXPECT_EQ(m.Constants[1].Species, (analysis::TSpecies{1, 2}));
    EXPECT_EQ(m.Constants[1].Mc95->Lo, 1e5);
    EXPECT_EQ(m.Best.LgK, (std::vector<double>{3.0, 5.4}));
    ASSERT_EQ(m.Best.Signals.size(), 1u);
    EXPECT_FALSE(m.Best.Signals[0].Guest);
    EXPECT_EQ(m.Best.Signals[0].Species, (std::vector<double>{7.0, 8.0, 9.0}));
    EXPECT_EQ(m.Best.Signals[0].K, 0.5);
}

TEST(KelmoraFile, TheTextNamesItsFormatAndVersionAndKeepsTextsAsTexts) {
    TKelmoraDocument doc;
    doc.ParamCells[0][0] = "1.50";
    doc.DataCells = {{"0.0010", "8.1"}};
    const nlohmann::json j = nlohmann::json::parse(KelmoraFileText(doc));
    EXPECT_EQ(j.at("format"), "kelmora");
    EXPECT_EQ(j.at("version"), KelmoraFormatVersion);
    EXPECT_EQ(j.at("parameters").at("cells").at(0).at(0), "1.50");
    EXPECT_EQ(j.at("data").at("cells").at(0).at(0), "0.0010");
    EXPECT_FALSE(j.contains("analysis"));
}

TEST(KelmoraFile, TextsThatAreNotUtf8AreSavedWithTheFaultyBytesReplaced) {
    TKelmoraDocument doc;
    doc.DataCells = {{"0.1\xff", "8"}};
    const TKelmoraDocument back = ParseKelmoraFile(KelmoraFileText(doc), "f");
    EXPECT_EQ(back.DataCells[0][0], "0.1\xEF\xBF\xBD");
}

std::string MessageOf(std::string_view text) {
    try {
        ParseKelmoraFile(text, "f.kelmora");
    } catch (const EKelmoraError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(KelmoraFile, ATextThatIsNoKelmoraFileIsRefusedAsSuch) {
    const std::string notKelmora = "'f.kelmora' is not a Kelmora file.";
    for (const std::string_view text :
         {std::string_view(""), std::string_view("   \n"), std::string_view("hello"),
          std::string_view("\x00\x01\xff\xfe binary", 12), std::string_view("[1, 2]"),
          std::string_view("42"), std::string_view("{}"), std::string_view("{\"format\": 1}"),
          std::string_view("{\"format\": \"spreadsheet\", \"version\": 1}"),
          std::string_view("\"kelmora\"")}) {
        EXPECT_EQ(MessageOf(text), notKelmora) << text;
    }
}

TEST(KelmoraFile, EveryTruncationIsDamage) {
    const std::string text = KelmoraFileText(FullDocument());
    // Only the final line break may go: the object ends just before it.
    for (std::size_t n = 1; n + 1 < text.size(); ++n) {
        const std::string message = MessageOf(text.substr(0, n));
        ASSERT_EQ(message.rfind("'f.kelmora' is damaged: ", 0), 0u) << n << ": " << message;
    }
    EXPECT_EQ(MessageOf(text.substr(0, text.size() - 1)), "(accepted)");
}

// One change to a good file and the message it must give.
struct TDamage {
    const char* Pointer;   // JSON pointer of the field
    nlohmann::json Value;  // its new value; null with Remove
    bool Remove;
    std::string Message;  // after "'f.kelmora' "
};

TEST(KelmoraFile, EveryDamageIsRefusedNamingTheField) {
    using J = nlohmann::json;
    const std::vector<TDamage> cases = {
        {"/version", 3, false,
         "was saved by a newer version of Kelmora (file format 3); this version reads file "
         "format 2."},
        {"/version", 0, false, "is damaged: version should be a whole number from 1 up."},
        {"/version", "1", false, "is damaged: version should be a whole number from 1 up."},
        {"/version", 1.5, false, "is damaged: version should be a whole number from 1 up."},
        {"/version", J(), true, "is damaged: version is missing."},
        {"/decimalSeparator", "", false,
         "is damaged: decimalSeparator should be one visible character."},
        {"/decimalSeparator", ".,", false,
         "is damaged: decimalSeparator should be one visible character."},
        {"/decimalSeparator", std::string(1, '\0'), false,
         "is damaged: decimalSeparator should be one visible character."},
        {"/decimalSeparator", "\t", false,
         "is damaged: decimalSeparator should be one visible character."},
        {"/decimalSeparator", 46, false, "is damaged: decimalSeparator should be a text."},
        {"/parameters", J(), true, "is damaged: parameters is missing."},
        {"/parameters", J::array(), false, "is damaged: parameters should be an object."},
        {"/parameters/cells/5", J(), true, "is damaged: parameters.cells should hold 6 entries."},
        {"/parameters/cells/2/6", J(), true,
         "is damaged: parameters.cells[2] should hold 7 entries."},
        {"/parameters/cells/2/3", 1.5, false,
         "is damaged: parameters.cells[2][3] should be a text."},
        {"/parameters/values/4", "abc", false,
         "is damaged: parameters.values[4] should be a number."},
        {"/parameters/values/4", J(), false,
         "is damaged: parameters.values[4] should be a number."},
        {"/parameters/values", J::object(), false,
         "is damaged: parameters.values should be a list."},
        {"/data/cells/1", J::array({"1"}), false,
         "is damaged: data.cells[1] should hold 2 entries."},
        {"/data/cells/0/1", false, false, "is damaged: data.cells[0][1] should be a text."},
        {"/data/p0", J(), true, "is damaged: data.p0 is missing."},
        {"/iterations", 1000, false, "is damaged: iterations should be a text."},
        {"/refine", "yes", false, "is damaged: refine should be true or false."},
        {"/chartMode", 4294967296LL, false,
         "is damaged: chartMode should be a whole number of 32 bits."},
        {"/chartMode", -2147483649LL, false,
         "is damaged: chartMode should be a whole number of 32 bits."},
        {"/chartMode", 1.0, false, "is damaged: chartMode should be a whole number of 32 bits."},
        {"/minima/list/1/q", J(), true, "is damaged: minima.list[1].q is missing."},
        {"/minima/list/0/values/6", 7, false,
         "is damaged: minima.list[0].values should hold 6 entries."},
        {"/minima/list/2", J::array(), false, "is damaged: minima.list[2] should be an object."},
        {"/minima/bestQ", "-inf", false, "is damaged: minima.bestQ should be a number."},
        {"/minima/notStored", -1, false, "is damaged: minima.notStored should not be negative."},
        {"/analysis", 1, false, "is damaged: analysis should be an object."},
        {"/analysis/seed", -1, false,
         "is damaged: analysis.seed should be a whole number from 0 up."},
        {"/analysis/fixedParameters/lgK1", 2.5, false,
         "is damaged: analysis.fixedParameters.lgK1 should be a text."},
        {"/analysis/data/cells/0/1", 8.11, false,
         "is damaged: analysis.data.cells[0][1] should be a text."},
        {"/analysis/models", "1:1", false, "is damaged: analysis.models should be a list."},
        {"/analysis/linearTerm", J(), true, "is damaged: analysis.linearTerm is missing."},
        {"/analysis/volumes/added/1", 10, false,
         "is damaged: analysis.volumes.added[1] should be a text."},
        {"/analysis/results/analysis/models/0/params/1/mc95/lo", "x", false,
         "is damaged: analysis.results.analysis.models[0].params[1].mc95.lo should be a number."},
        {"/analysis/results/analysis/models/0/best/model", "1:3", false,
         "is damaged: analysis.results.analysis.models[0].best.model should name a model."},
        {"/analysis/results/data/conc", J(), true,
         "is damaged: analysis.results.data.conc is missing."},
        {"/analysis/volumes/hostInLigand", J(), true,
         "is damaged: analysis.volumes.hostInLigand is missing."},
        {"/analysis/monteCarloReplicates", "2000", false,
         "is damaged: analysis.monteCarloReplicates should be a whole number of 32 bits."},
        {"/spectra", J::array(), false, "is damaged: spectra should be an object."},
        {"/spectra/spectra/values/1/0", "x", false,
         "is damaged: spectra.spectra.values[1][0] should be a number."},
        {"/spectra/points/1/1", 2e-6, false, "is damaged: spectra.points[1][1] should be a text."},
        {"/spectra/step", J(), true, "is damaged: spectra.step is missing."},
        {"/spectra/results/analysis/observable", "uv", false,
         "is damaged: spectra.results.analysis.observable should be absorbance or fluorescence."},
        {"/spectra/results/analysis/models/0/species/1/se", 1, false,
         "is damaged: spectra.results.analysis.models[0].species[1].se should be a list."},
        {"/spectra/results/data/values", J(), true,
         "is damaged: spectra.results.data.values is missing."},
    };
    const J good = J::parse(KelmoraFileText(FullDocument()));
    for (const TDamage& d : cases) {
        J damaged = good;
        const J::json_pointer at(d.Pointer);
        if (d.Remove) {
            J& parent = damaged.at(at.parent_pointer());
            if (parent.is_array()) {
                parent.erase(std::stoul(at.back()));
            } else {
                parent.erase(at.back());
            }
        } else {
            damaged[at] = d.Value;
        }
        EXPECT_EQ(MessageOf(damaged.dump()), "'f.kelmora' " + d.Message) << d.Pointer;
    }
}

TEST(KelmoraFile, ANumberBeyondTheDoubleRangeIsDamage) {
    nlohmann::json j = nlohmann::json::parse(KelmoraFileText(TKelmoraDocument()));
    j["minima"]["bestQ"] = "HUGE";
    std::string text = j.dump();
    text.replace(text.find("\"HUGE\""), 6, "1e520");
    EXPECT_EQ(MessageOf(text),
              "'f.kelmora' is damaged: it holds a number beyond the range of numbers.");
}

TEST(KelmoraFile, AFullListOfMinimaIsTheMostAFileMayHold) {
    TKelmoraDocument doc;
    doc.Minima.resize(TMinimaStore::MaxMinima);
    EXPECT_EQ(ParseKelmoraFile(KelmoraFileText(doc), "f").Minima.size(),
              static_cast<std::size_t>(TMinimaStore::MaxMinima));
    doc.Minima.emplace_back();
    EXPECT_EQ(MessageOf(KelmoraFileText(doc)),
              "'f.kelmora' is damaged: minima.list holds more than 4000 minima.");
}

TEST(KelmoraDocument, SameWorkSeesEveryEditButNotTheExactValues) {
    const TKelmoraDocument base = FullDocument();
    EXPECT_TRUE(SameWork(base, base));  // NaN minima included
    TKelmoraDocument values = base;
    values.ParamValues[0] += 1;
    EXPECT_TRUE(SameWork(base, values));

    const std::vector<std::pair<const char*, std::function<void(TKelmoraDocument&)>>> edits = {
        {"separator", [](TKelmoraDocument& d) { d.DecimalSeparator = ","; }},
        {"table cell", [](TKelmoraDocument& d) { d.ParamCells[5][6] += "0"; }},
        {"data cell", [](TKelmoraDocument& d) { d.DataCells[3][1] = "9"; }},
        {"data row",
         [](TKelmoraDocument& d) {
             d.DataCells.push_back({"1", "2"});
         }},
        {"P0", [](TKelmoraDocument& d) { d.P0Text = "0.02"; }},
        {"iterations", [](TKelmoraDocument& d) { d.IterCountText = "5"; }},
        {"refine", [](TKelmoraDocument& d) { d.FinishMinima = false; }},
        {"chart mode", [](TKelmoraDocument& d) { d.ChartMode = 0; }},
        {"minimum", [](TKelmoraDocument& d) { d.Minima[0].Params[5] = 0; }},
        {"minimum Q", [](TKelmoraDocument& d) { d.Minima[1].Q = 1; }},
        {"minima filtered", [](TKelmoraDocument& d) { d.Minima.pop_back(); }},
        {"best Q", [](TKelmoraDocument& d) { d.BestQ = 0; }},
        {"dropped", [](TKelmoraDocument& d) { d.MinimaDropped = 0; }},
        {"analysis", [](TKelmoraDocument& d) { d.Analysis->Seed = 1; }},
        {"no analysis", [](TKelmoraDocument& d) { d.Analysis.reset(); }},
        {"spectra step", [](TKelmoraDocument& d) { d.Spectra->Step = 1; }},
        {"spectra value", [](TKelmoraDocument& d) { d.Spectra->Spectra.Values[1][2] = 4; }},
        {"spectra result",
         [](TKelmoraDocument& d) { d.Spectra->Results->Result.Models[0].Species[0].Se[0] = 1; }},
        {"no spectra", [](TKelmoraDocument& d) { d.Spectra.reset(); }},
    };
    for (const auto& [name, edit] : edits) {
        TKelmoraDocument edited = base;
        edit(edited);
        EXPECT_FALSE(SameWork(base, edited)) << name;
    }
}

}  // namespace
}  // namespace kelmora
