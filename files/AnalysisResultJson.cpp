#include "files/AnalysisResultJson.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>

#include "files/KelmoraDocument.h"

namespace kelmora {

namespace {

using namespace analysis;
using TJson = nlohmann::json;
using TOrderedJson = nlohmann::ordered_json;

// One list of fields per struct, the same list for writing and reading: a field added to a
// result struct is one line here. A field that files of the same format version written before
// it existed lack is marked AddedLater: a reader keeps the struct's default for it.
struct TAddedLater {};
constexpr TAddedLater AddedLater;

template <class V>
void Fields(V& v, TInterval& x) {
    v("lo", x.Lo);
    v("hi", x.Hi);
}
template <class V>
void Fields(V& v, TOpenInterval& x) {
    v("lo", x.Lo);
    v("hi", x.Hi);
}
template <class V>
void Fields(V& v, TParamResult& x) {
    v("name", x.Name);
    v("value", x.Value);
    v("se", x.Se);
    v("ci95", x.Ci95);
    v("mc95", x.Mc95);
    v("profile95", x.Profile95);
    v("fixed", x.Fixed);
    v("determined", x.Determined);
    v("atLimit", x.AtLimit);
}
template <class V>
void Fields(V& v, TSpecies& x) {
    v("m", x.M);
    v("n", x.N);
}
template <class V>
void Fields(V& v, TConstant& x) {
    v("name", x.Name);
    v("species", x.Species);
    v("value", x.Value);
    v("ci95", x.Ci95);
    v("mc95", x.Mc95);
    v("profile95", x.Profile95);
    v("determined", x.Determined);
}
template <class V>
void Fields(V& v, TSignalShifts& x) {
    v("guest", x.Guest);
    v("species", x.Species);
    v("k", x.K);
}
template <class V>
void Fields(V& v, TLmSummary& x) {
    v("stop", x.Stop);
    v("iterations", x.Iterations);
    v("gradientNorm", x.GradientNorm);
}
template <class V>
void Fields(V& v, std::pair<std::string, double>& x) {
    v("name", x.first);
    v("value", x.second);
}
template <class V>
void Fields(V& v, TOtherMinimum& x) {
    v("ss", x.Ss);
    v("lgK", x.LgK);
}
template <class V>
void Fields(V& v, TModelValues& x) {
    v("model", x.Model);
    v("lgK", x.LgK);
    v("signals", x.Signals);
}
template <class V>
void Fields(V& v, TModelResult& x) {
    v("model", x.Model);
    v("converged", x.Converged);
    v("message", x.Message);
    v("ss", x.Ss);
    v("rms", x.Rms);
    v("covFit", x.CovFit);
    v("aic", x.Aic);
    v("aicc", x.Aicc);
    v("bic", x.Bic);
    v("dof", x.Dof);
    v("params", x.Params);
    v("constants", x.Constants);
    v("covariance", x.Covariance);
    v("correlation", x.Correlation);
    v("residuals", x.Residuals);
    v("derived", x.Derived);
    v("best", x.Best);
    v("fit", x.Fit, AddedLater);
    v("otherMinima", x.OtherMinima, AddedLater);
    v("replicatesDone", x.ReplicatesDone);
    v("mcAtBound", x.McAtBound);
    v("mcFailed", x.McFailed);
    v("mcUsed", x.McUsed);
    v("mcUnstable", x.McUnstable);
    v("replicateValues", x.ReplicateValues);
}
template <class V>
void Fields(V& v, TComparison& x) {
    v("simpler", x.Simpler);
    v("richer", x.Richer);
    v("f", x.F);
    v("p", x.P);
}
template <class V>
void Fields(V& v, TAnalysisResult& x) {
    v("signalNames", x.SignalNames);
    v("points", x.Points);
    v("seed", x.Seed);
    v("replicatesRequested", x.ReplicatesRequested);
    v("replicatesDone", x.ReplicatesDone);
    v("stopped", x.Stopped);
    v("signalSd", x.SignalSd);
    v("notFitted", x.NotFitted, AddedLater);
    v("models", x.Models);
    v("comparison", x.Comparison);
    v("verdict", x.Verdict);
    v("preferred", x.Preferred);
    v("warnings", x.Warnings);
}
template <class V>
void Fields(V& v, TSpeciesSpectrum& x) {
    v("species", x.Species);
    v("eps", x.Eps);
    v("se", x.Se);
}
template <class V>
void Fields(V& v, TSpectraModelResult& x) {
    v("model", x.Model);
    v("converged", x.Converged);
    v("message", x.Message);
    v("ss", x.Ss);
    v("rms", x.Rms);
    v("aic", x.Aic);
    v("aicc", x.Aicc);
    v("bic", x.Bic);
    v("dof", x.Dof);
    v("params", x.Params);
    v("lgK", x.LgK);
    v("species", x.Species);
    v("residuals", x.Residuals);
    v("fit", x.Fit);
    v("replicatesDone", x.ReplicatesDone);
    v("mcUsed", x.McUsed);
    v("mcFailed", x.McFailed);
    v("mcAtBound", x.McAtBound);
    v("absorbingSpecies", x.AbsorbingSpecies);
}
template <class V>
void Fields(V& v, TFactorAnalysis& x) {
    v("singularValues", x.SingularValues);
    v("species", x.Species);
    v("noiseSd", x.NoiseSd);
}
template <class V>
void Fields(V& v, TSpectraResult& x) {
    v("observable", x.Observable);
    v("wavelengths", x.Wavelengths);
    v("points", x.Points);
    v("factors", x.Factors);
    v("seed", x.Seed);
    v("replicatesRequested", x.ReplicatesRequested);
    v("stopped", x.Stopped);
    v("models", x.Models);
    v("comparison", x.Comparison);
    v("verdict", x.Verdict);
    v("preferred", x.Preferred);
}
template <class V>
void Fields(V& v, TSpectraTitration& x) {
    v("wavelengths", x.Wavelengths);
    v("conc", x.Conc);
    v("host", x.Host);
    v("values", x.Values);
}
template <class V>
void Fields(V& v, TSavedSpectraResults& x) {
    v("stale", x.Stale);
    v("data", x.Data);
    v("analysis", x.Result);
}
template <class V>
void Fields(V& v, TSpectraFile& x) {
    v("wavelengths", x.Wavelengths);
    v("values", x.Values);
}
template <class V>
void Fields(V& v, TSpectraSection& x) {
    v("file", x.SpectraName);
    v("spectra", x.Spectra);
    v("inRows", x.InRows);
    v("points", x.PointCells);
    v("p0", x.P0Text);
    v("from", x.FromText);
    v("to", x.ToText);
    v("step", x.Step);
    v("observable", x.Observable);
    v("models", x.Models);
    v("pathLength", x.PathLengthText);
    v("ligandAbsorbs", x.LigandAbsorbs);
    v("monteCarloReplicates", x.Replicates);
    v("seed", x.Seed);
    v("results", x.Results);
}
template <class V>
void Fields(V& v, TTitration& x) {
    v("conc", x.Conc);
    v("host", x.Host);
    v("signalNames", x.SignalNames);
    v("shifts", x.Shifts);
}

// ---- Writing ----

TOrderedJson ToJson(double x);
TOrderedJson ToJson(bool x) {
    return x;
}
TOrderedJson ToJson(int x) {
    return x;
}
TOrderedJson ToJson(std::uint64_t x) {
    return x;
}
TOrderedJson ToJson(const std::string& x) {
    return x;
}
// A model by its name in the catalogue.
TOrderedJson ToJson(const TModelDef& x) {
    return x.Name;
}
TOrderedJson ToJson(TStopReason x) {
    return std::string(StopReasonName(x));
}
TOrderedJson ToJson(TObservable x) {
    return std::string(ObservableName(x));
}
template <class T>
TOrderedJson ToJson(const std::optional<T>& x);
template <class T>
TOrderedJson ToJson(const std::vector<T>& x);
template <class T>
TOrderedJson ToJson(const T& x);

// JSON has no NaN or infinities; results hold NaN where an entry does not exist.
TOrderedJson ToJson(double x) {
    if (std::isnan(x)) {
        return "NaN";
    }
    if (std::isinf(x)) {
        return x > 0 ? "Inf" : "-Inf";
    }
    return x;
}

template <class T>
TOrderedJson ToJson(const std::optional<T>& x) {
    return x ? ToJson(*x) : TOrderedJson();
}

template <class T>
TOrderedJson ToJson(const std::vector<T>& x) {
    TOrderedJson a = TOrderedJson::array();
    for (const T& item : x) {
        a.push_back(ToJson(item));
    }
    return a;
}

template <class T>
TOrderedJson ToJson(const T& x) {
    TOrderedJson j = TOrderedJson::object();
    auto write = [&j](const char* key, const auto& field, auto... /*added later*/) {
        j[key] = ToJson(field);
    };
    Fields(write, const_cast<T&>(x));  // the list is shared with the reader; nothing changes
    return j;
}

// ---- Reading ----

struct TPlace {
    const std::string& Where;
    const TDamagedField& Damaged;
    [[noreturn]] void Fail(const std::string& what) const {
        Damaged(Where, what);
        std::abort();  // Damaged raises; this only satisfies [[noreturn]]
    }
};

void FromJson(const TJson& j, const TPlace& at, double& x);
void FromJson(const TJson& j, const TPlace& at, bool& x);
void FromJson(const TJson& j, const TPlace& at, int& x);
void FromJson(const TJson& j, const TPlace& at, std::uint64_t& x);
void FromJson(const TJson& j, const TPlace& at, std::string& x);
void FromJson(const TJson& j, const TPlace& at, TModelDef& x);
void FromJson(const TJson& j, const TPlace& at, TStopReason& x);
void FromJson(const TJson& j, const TPlace& at, TObservable& x);
template <class T>
void FromJson(const TJson& j, const TPlace& at, std::optional<T>& x);
template <class T>
void FromJson(const TJson& j, const TPlace& at, std::vector<T>& x);
template <class T>
void FromJson(const TJson& j, const TPlace& at, T& x);

void FromJson(const TJson& j, const TPlace& at, double& x) {
    if (j.is_number()) {
        x = j.get<double>();
    } else if (j == "NaN") {
        x = std::numeric_limits<double>::quiet_NaN();
    } else if (j == "Inf" || j == "-Inf") {
        x = (j == "Inf" ? 1 : -1) * std::numeric_limits<double>::infinity();
    } else {
        at.Fail("should be a number");
    }
}

void FromJson(const TJson& j, const TPlace& at, bool& x) {
    if (!j.is_boolean()) {
        at.Fail("should be true or false");
    }
    x = j.get<bool>();
}

void FromJson(const TJson& j, const TPlace& at, int& x) {
    if (!j.is_number_integer() || j.get<std::int64_t>() < std::numeric_limits<int>::min() ||
        (j.is_number_unsigned() ? j.get<std::uint64_t>() > std::numeric_limits<int>::max()
                                : j.get<std::int64_t>() > std::numeric_limits<int>::max())) {
        at.Fail("should be a whole number of 32 bits");
    }
    x = static_cast<int>(j.get<std::int64_t>());
}

void FromJson(const TJson& j, const TPlace& at, std::uint64_t& x) {
    if (!j.is_number_unsigned()) {
        at.Fail("should be a whole number from 0 up");
    }
    x = j.get<std::uint64_t>();
}

void FromJson(const TJson& j, const TPlace& at, std::string& x) {
    if (!j.is_string()) {
        at.Fail("should be a text");
    }
    x = j.get<std::string>();
}

void FromJson(const TJson& j, const TPlace& at, TModelDef& x) {
    const TModelDef* model = j.is_string() ? FindModel(j.get<std::string>()) : nullptr;
    if (model == nullptr) {
        at.Fail("should name a model");
    }
    x = *model;
}

void FromJson(const TJson& j, const TPlace& at, TStopReason& x) {
    for (TStopReason reason : {TStopReason::Tolerance, TStopReason::IterationLimit,
                               TStopReason::NoProgress, TStopReason::Bound, TStopReason::Stopped}) {
        if (j == StopReasonName(reason)) {
            x = reason;
            return;
        }
    }
    at.Fail("should name why a fit stopped");
}

void FromJson(const TJson& j, const TPlace& at, TObservable& x) {
    const std::optional<TObservable> o =
        j.is_string() ? ObservableFromName(j.get<std::string>()) : std::nullopt;
    if (!o) {
        at.Fail("should be absorbance or fluorescence");
    }
    x = *o;
}

template <class T>
void FromJson(const TJson& j, const TPlace& at, std::optional<T>& x) {
    if (j.is_null()) {
        x.reset();
        return;
    }
    FromJson(j, at, x.emplace());
}

template <class T>
void FromJson(const TJson& j, const TPlace& at, std::vector<T>& x) {
    if (!j.is_array()) {
        at.Fail("should be a list");
    }
    x.clear();
    for (std::size_t k = 0; k < j.size(); ++k) {
        const std::string where = at.Where + "[" + std::to_string(k) + "]";
        FromJson(j[k], TPlace{where, at.Damaged}, x.emplace_back());
    }
}

template <class T>
void FromJson(const TJson& j, const TPlace& at, T& x) {
    if (!j.is_object()) {
        at.Fail("should be an object");
    }
    auto read = [&](const char* key, auto& field, auto... addedLater) {
        const std::string where = at.Where + "." + key;
        const auto it = j.find(key);
        if (it == j.end()) {
            if constexpr (sizeof...(addedLater) > 0) {
                return;
            }
            TPlace{where, at.Damaged}.Fail("is missing");
        }
        FromJson(*it, TPlace{where, at.Damaged}, field);
    };
    Fields(read, x);
}

// Results saved before the models came from the catalogue hold 1:1, 1:2 or 1:2nc with fixed
// fields: lgK1 and lgK2, dP, dPL and dPL2 per signal, k1 and k2. They are read as the
// catalogue's layout has them.
void UpgradeFixedFields(TJson& model) {
    if (!model.is_object() || !model.contains("k1") || !model["best"].is_object()) {
        return;
    }
    TJson& best = model["best"];
    const TJson name = best.value("model", TJson());
    const bool withPl2 = name != "1:1";
    best["lgK"] =
        name == "1:2" ? TJson::array({best["lgK1"], best["lgK2"]}) : TJson::array({best["lgK1"]});
    if (best["signals"].is_array()) {
        for (TJson& signal : best["signals"]) {
            if (!signal.is_object()) {
                continue;
            }
            signal["guest"] = false;
            signal["species"] = withPl2
                                    ? TJson::array({signal["dP"], signal["dPL"], signal["dPL2"]})
                                    : TJson::array({signal["dP"], signal["dPL"]});
        }
    }
    TJson constants = TJson::array();
    const char* const names[2] = {"K1", "K2"};
    const char* const keys[2] = {"k1", "k2"};
    for (int k = 0; k < (withPl2 ? 2 : 1); ++k) {
        TJson c = model[keys[k]];
        if (c.is_object()) {
            c["name"] = names[k];
            c["species"] = {{"m", 1}, {"n", k + 1}};
        }
        constants.push_back(std::move(c));
    }
    model["constants"] = std::move(constants);
}

}  // namespace

nlohmann::ordered_json AnalysisResultJson(const analysis::TAnalysisResult& result) {
    return ToJson(result);
}

nlohmann::ordered_json TitrationJson(const analysis::TTitration& titration) {
    return ToJson(titration);
}

analysis::TAnalysisResult ReadAnalysisResult(const nlohmann::json& j, const std::string& where,
                                             const TDamagedField& damaged) {
    analysis::TAnalysisResult result;
    if (j.is_object() && j.contains("models") && j["models"].is_array()) {
        TJson upgraded = j;
        for (TJson& model : upgraded["models"]) {
            UpgradeFixedFields(model);
        }
        FromJson(upgraded, TPlace{where, damaged}, result);
    } else {
        FromJson(j, TPlace{where, damaged}, result);
    }
    return result;
}

bool operator==(const TSavedResults& a, const TSavedResults& b) {
    return a.Stale == b.Stale && TitrationJson(a.Data) == TitrationJson(b.Data) &&
           AnalysisResultJson(a.Result) == AnalysisResultJson(b.Result);
}

analysis::TTitration ReadTitration(const nlohmann::json& j, const std::string& where,
                                   const TDamagedField& damaged) {
    analysis::TTitration titration;
    FromJson(j, TPlace{where, damaged}, titration);
    return titration;
}

nlohmann::ordered_json SpectraSectionJson(const TSpectraSection& section) {
    return ToJson(section);
}

TSpectraSection ReadSpectraSection(const nlohmann::json& j, const std::string& where,
                                   const TDamagedField& damaged) {
    TSpectraSection section;
    FromJson(j, TPlace{where, damaged}, section);
    return section;
}

bool operator==(const TSavedSpectraResults& a, const TSavedSpectraResults& b) {
    return ToJson(a) == ToJson(b);
}

}  // namespace kelmora
