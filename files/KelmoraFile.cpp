#include "files/KelmoraFile.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "files/AnalysisResultJson.h"
#include "files/AtomicFile.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

using TJson = nlohmann::json;
using TOrderedJson = nlohmann::ordered_json;

constexpr const char* FormatName = "kelmora";

// JSON has no NaN or infinities; a criterion can be either, so those travel as texts.
TOrderedJson NumberJson(double x) {
    if (std::isnan(x)) {
        return "NaN";
    }
    if (std::isinf(x)) {
        return x > 0 ? "Inf" : "-Inf";
    }
    return x;
}

template <class TRange>
TOrderedJson NumbersJson(const TRange& values) {
    TOrderedJson a = TOrderedJson::array();
    for (const double v : values) {
        a.push_back(NumberJson(v));
    }
    return a;
}

template <class TRows>
TOrderedJson CellsJson(const TRows& rows) {
    TOrderedJson a = TOrderedJson::array();
    for (const auto& row : rows) {
        a.push_back(TOrderedJson(row));
    }
    return a;
}

TOrderedJson AnalysisJson(const TAnalysisSection& a) {
    TOrderedJson j;
    j["data"] = {{"cells", CellsJson(a.DataCells)}, {"p0", a.P0Text}};
    j["models"] = a.Models;
    j["linearTerm"] = a.LinearTerm;
    j["weightPerSignal"] = a.WeightPerSignal;
    j["fixedParameters"] = TOrderedJson::object();
    for (const auto& [name, value] : a.FixedParams) {
        j["fixedParameters"][name] = value;
    }
    j["monteCarloReplicates"] = a.Replicates;
    j["concentrationErrorPercent"] = a.ConcErrorText;
    j["seed"] = a.Seed;
    if (a.Results) {
        j["results"] = {{"stale", a.Results->Stale},
                        {"data", TitrationJson(a.Results->Data)},
                        {"analysis", AnalysisResultJson(a.Results->Result)}};
    }
    if (a.Volumes) {
        const TVolumeTexts& v = *a.Volumes;
        j["volumes"] = {{"hostStock", v.HostStock},
                        {"ligandStock", v.LigandStock},
                        {"hostInLigand", v.HostInLigand},
                        {"startVolume", v.StartVolume},
                        {"added", v.Added},
                        {"runningTotal", v.RunningTotal}};
    }
    return j;
}

// Texts that are not UTF-8 cannot be JSON strings; they are saved with the faulty bytes
// replaced rather than not at all.
std::string Compact(const TOrderedJson& j) {
    return j.dump(-1, ' ', false, TOrderedJson::error_handler_t::replace);
}

// One table row, one minimum, one setting per line: what fits a line is written on one, what
// does not is opened up, so that the file reads like the tables it holds.
void WriteReadable(std::string& out, const TOrderedJson& j, int depth) {
    constexpr std::size_t LineWidth = 96;
    std::string compact = Compact(j);
    if (!j.is_structured() || j.empty() || compact.size() + 2 * depth <= LineWidth) {
        out += compact;
        return;
    }
    const std::string inner(2 * (depth + 1), ' ');
    out += j.is_object() ? "{\n" : "[\n";
    bool first = true;
    for (auto it = j.begin(); it != j.end(); ++it) {
        out += first ? "" : ",\n";
        first = false;
        out += inner;
        if (j.is_object()) {
            out += Compact(it.key()) + ": ";
        }
        WriteReadable(out, *it, depth + 1);
    }
    out += "\n" + std::string(2 * depth, ' ') + (j.is_object() ? "}" : "]");
}

// Every check of the reader, each naming the field it found wanting, so that a damaged file says
// where it is damaged.
class TChecker {
  public:
    explicit TChecker(const std::string& fileName) : fileName_(fileName) {}

    [[noreturn]] void Damaged(const std::string& where, const std::string& what) const {
        throw EKelmoraError("'" + fileName_ + "' is damaged: " + where + " " + what + ".");
    }

    const TJson& Field(const TJson& object, const char* key, const std::string& where) const {
        const std::string path = where.empty() ? key : where + "." + key;
        const auto it = object.find(key);
        if (it == object.end()) {
            Damaged(path, "is missing");
        }
        return *it;
    }

    const TJson& Object(const TJson& j, const std::string& where) const {
        if (!j.is_object()) {
            Damaged(where, "should be an object");
        }
        return j;
    }

    const TJson& Array(const TJson& j, const std::string& where) const {
        if (!j.is_array()) {
            Damaged(where, "should be a list");
        }
        return j;
    }

    const TJson& Array(const TJson& j, const std::string& where, std::size_t size) const {
        if (Array(j, where).size() != size) {
            Damaged(where, "should hold " + std::to_string(size) + " entries");
        }
        return j;
    }

    std::string Text(const TJson& j, const std::string& where) const {
        if (!j.is_string()) {
            Damaged(where, "should be a text");
        }
        return j.get<std::string>();
    }

    bool Bool(const TJson& j, const std::string& where) const {
        if (!j.is_boolean()) {
            Damaged(where, "should be true or false");
        }
        return j.get<bool>();
    }

    std::int32_t Int32(const TJson& j, const std::string& where) const {
        constexpr std::int64_t Lowest = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t Highest = std::numeric_limits<std::int32_t>::max();
        if (j.is_number_unsigned() && j.get<std::uint64_t>() <= std::uint64_t{Highest}) {
            return static_cast<std::int32_t>(j.get<std::uint64_t>());
        }
        if (j.is_number_integer() && !j.is_number_unsigned() && j.get<std::int64_t>() >= Lowest) {
            return static_cast<std::int32_t>(j.get<std::int64_t>());
        }
        Damaged(where, "should be a whole number of 32 bits");
    }

    std::uint64_t UInt64(const TJson& j, const std::string& where) const {
        if (!j.is_number_unsigned()) {
            Damaged(where, "should be a whole number from 0 up");
        }
        return j.get<std::uint64_t>();
    }

    double Number(const TJson& j, const std::string& where) const {
        if (j.is_number()) {
            return j.get<double>();
        }
        if (j.is_string()) {
            const std::string& s = j.get_ref<const std::string&>();
            if (s == "NaN") {
                return std::numeric_limits<double>::quiet_NaN();
            }
            if (s == "Inf" || s == "-Inf") {
                return s == "Inf" ? std::numeric_limits<double>::infinity()
                                  : -std::numeric_limits<double>::infinity();
            }
        }
        Damaged(where, "should be a number");
    }

    template <std::size_t N>
    std::array<std::string, N> TextRow(const TJson& j, const std::string& where) const {
        Array(j, where, N);
        std::array<std::string, N> row;
        for (std::size_t k = 0; k < N; ++k) {
            row[k] = Text(j[k], where + "[" + std::to_string(k) + "]");
        }
        return row;
    }

    std::vector<std::string> Texts(const TJson& j, const std::string& where) const {
        std::vector<std::string> texts;
        for (std::size_t k = 0; k < Array(j, where).size(); ++k) {
            texts.push_back(Text(j[k], where + "[" + std::to_string(k) + "]"));
        }
        return texts;
    }

    TParamVector Params(const TJson& j, const std::string& where) const {
        Array(j, where, ParamCount);
        TParamVector v{};
        for (std::size_t k = 0; k < v.size(); ++k) {
            v[k] = Number(j[k], where + "[" + std::to_string(k) + "]");
        }
        return v;
    }

  private:
    const std::string& fileName_;
};

std::string Indexed(const std::string& where, std::size_t k) {
    return where + "[" + std::to_string(k) + "]";
}

void ReadParameters(const TChecker& check, const TJson& root, TKelmoraDocument& doc) {
    const TJson& params = check.Object(check.Field(root, "parameters", ""), "parameters");
    const TJson& cells =
        check.Array(check.Field(params, "cells", "parameters"), "parameters.cells", ParamCount);
    for (std::size_t i = 0; i < doc.ParamCells.size(); ++i) {
        doc.ParamCells[i] =
            check.TextRow<ParamCellColumns>(cells[i], Indexed("parameters.cells", i));
    }
    doc.ParamValues =
        check.Params(check.Field(params, "values", "parameters"), "parameters.values");
}

void ReadData(const TChecker& check, const TJson& root, TKelmoraDocument& doc) {
    const TJson& data = check.Object(check.Field(root, "data", ""), "data");
    const TJson& cells = check.Array(check.Field(data, "cells", "data"), "data.cells");
    for (std::size_t r = 0; r < cells.size(); ++r) {
        doc.DataCells.push_back(check.TextRow<2>(cells[r], Indexed("data.cells", r)));
    }
    doc.P0Text = check.Text(check.Field(data, "p0", "data"), "data.p0");
}

void ReadMinima(const TChecker& check, const TJson& root, TKelmoraDocument& doc) {
    const TJson& minima = check.Object(check.Field(root, "minima", ""), "minima");
    const TJson& list = check.Array(check.Field(minima, "list", "minima"), "minima.list");
    if (list.size() > static_cast<std::size_t>(TMinimaStore::MaxMinima)) {
        check.Damaged("minima.list",
                      "holds more than " + std::to_string(TMinimaStore::MaxMinima) + " minima");
    }
    for (std::size_t k = 0; k < list.size(); ++k) {
        const std::string where = Indexed("minima.list", k);
        const TJson& entry = check.Object(list[k], where);
        TFoundMinimum m;
        m.Params = check.Params(check.Field(entry, "values", where), where + ".values");
        m.Q = check.Number(check.Field(entry, "q", where), where + ".q");
        doc.Minima.push_back(m);
    }
    doc.BestQ = check.Number(check.Field(minima, "bestQ", "minima"), "minima.bestQ");
    doc.MinimaDropped = check.Int32(check.Field(minima, "notStored", "minima"), "minima.notStored");
    if (doc.MinimaDropped < 0) {
        check.Damaged("minima.notStored", "should not be negative");
    }
}

TAnalysisSection ReadAnalysis(const TChecker& check, const TJson& j) {
    const std::string w = "analysis";
    check.Object(j, w);
    TAnalysisSection a;
    const TJson& data = check.Object(check.Field(j, "data", w), w + ".data");
    const TJson& cells = check.Array(check.Field(data, "cells", w + ".data"), w + ".data.cells");
    for (std::size_t r = 0; r < cells.size(); ++r) {
        a.DataCells.push_back(check.Texts(cells[r], Indexed(w + ".data.cells", r)));
    }
    a.P0Text = check.Text(check.Field(data, "p0", w + ".data"), w + ".data.p0");
    a.Models = check.Texts(check.Field(j, "models", w), w + ".models");
    a.LinearTerm = check.Bool(check.Field(j, "linearTerm", w), w + ".linearTerm");
    // Files written before weights existed have none.
    if (j.contains("weightPerSignal")) {
        a.WeightPerSignal = check.Bool(j["weightPerSignal"], w + ".weightPerSignal");
    }
    const TJson& fixed = check.Object(check.Field(j, "fixedParameters", w), w + ".fixedParameters");
    for (const auto& [name, value] : fixed.items()) {
        a.FixedParams[name] = check.Text(value, w + ".fixedParameters." + name);
    }
    a.Replicates =
        check.Int32(check.Field(j, "monteCarloReplicates", w), w + ".monteCarloReplicates");
    a.ConcErrorText = check.Text(check.Field(j, "concentrationErrorPercent", w),
                                 w + ".concentrationErrorPercent");
    a.Seed = check.UInt64(check.Field(j, "seed", w), w + ".seed");
    if (j.contains("results")) {  // files of format 1 have none
        const std::string wr = w + ".results";
        const TJson& r = check.Object(j["results"], wr);
        const TDamagedField damaged = [&check](const std::string& where, const std::string& what) {
            check.Damaged(where, what);
        };
        a.Results = TSavedResults{
            ReadTitration(check.Field(r, "data", wr), wr + ".data", damaged),
            ReadAnalysisResult(check.Field(r, "analysis", wr), wr + ".analysis", damaged),
            check.Bool(check.Field(r, "stale", wr), wr + ".stale")};
    }
    if (j.contains("volumes")) {  // files of format 1 have none
        const std::string wv = w + ".volumes";
        const TJson& v = check.Object(j["volumes"], wv);
        const auto text = [&](const char* key) {
            return check.Text(check.Field(v, key, wv), wv + "." + key);
        };
        const auto flag = [&](const char* key) {
            return check.Bool(check.Field(v, key, wv), wv + "." + key);
        };
        a.Volumes = TVolumeTexts{text("hostStock"),
                                 text("ligandStock"),
                                 flag("hostInLigand"),
                                 text("startVolume"),
                                 check.Texts(check.Field(v, "added", wv), wv + ".added"),
                                 flag("runningTotal")};
    }
    return a;
}

// Whether a text that JSON cannot read still meant to be a Kelmora file, truncated or mangled:
// every Kelmora file starts with an object.
bool LooksLikeJsonObject(std::string_view text) {
    for (const char ch : text) {
        if (!IsBlankChar(ch)) {
            return ch == '{';
        }
    }
    return false;
}

}  // namespace

std::string KelmoraFileText(const TKelmoraDocument& doc) {
    TOrderedJson j;
    j["format"] = FormatName;
    j["version"] = KelmoraFormatVersion;
    j["decimalSeparator"] = doc.DecimalSeparator;
    j["parameters"] = {{"cells", CellsJson(doc.ParamCells)},
                       {"values", NumbersJson(doc.ParamValues)}};
    j["data"] = {{"cells", CellsJson(doc.DataCells)}, {"p0", doc.P0Text}};
    j["iterations"] = doc.IterCountText;
    j["refine"] = doc.FinishMinima;
    j["chartMode"] = doc.ChartMode;
    TOrderedJson list = TOrderedJson::array();
    for (const TFoundMinimum& m : doc.Minima) {
        list.push_back({{"values", NumbersJson(m.Params)}, {"q", NumberJson(m.Q)}});
    }
    j["minima"] = {
        {"list", list}, {"bestQ", NumberJson(doc.BestQ)}, {"notStored", doc.MinimaDropped}};
    if (doc.Analysis) {
        j["analysis"] = AnalysisJson(*doc.Analysis);
    }
    if (doc.Spectra) {
        j["spectra"] = SpectraSectionJson(*doc.Spectra);
    }
    std::string text;
    WriteReadable(text, j, 0);
    return text + "\n";
}

TKelmoraDocument ParseKelmoraFile(std::string_view text, const std::string& fileName) {
    TJson root;
    try {
        root = TJson::parse(text);
    } catch (const TJson::parse_error& e) {
        if (!LooksLikeJsonObject(text)) {
            throw EKelmoraError("'" + fileName + "' is not a Kelmora file.");
        }
        throw EKelmoraError("'" + fileName + "' is damaged: it cannot be read past byte " +
                            std::to_string(e.byte) + ".");
    } catch (const TJson::out_of_range&) {
        throw EKelmoraError("'" + fileName +
                            "' is damaged: it holds a number beyond the range "
                            "of numbers.");
    }
    const auto format = root.is_object() ? root.find("format") : root.end();
    if (!root.is_object() || format == root.end() || *format != FormatName) {
        throw EKelmoraError("'" + fileName + "' is not a Kelmora file.");
    }
    const TChecker check(fileName);
    const TJson& version = check.Field(root, "version", "");
    // nlohmann keeps every whole number from 0 up as unsigned.
    if (!version.is_number_unsigned() || version.get<std::uint64_t>() == 0) {
        check.Damaged("version", "should be a whole number from 1 up");
    }
    if (version.get<std::uint64_t>() > KelmoraFormatVersion) {
        throw EKelmoraError("'" + fileName +
                            "' was saved by a newer version of Kelmora (file format " +
                            version.dump() + "); this version reads file format " +
                            std::to_string(KelmoraFormatVersion) + ".");
    }

    TKelmoraDocument doc;
    doc.DecimalSeparator =
        check.Text(check.Field(root, "decimalSeparator", ""), "decimalSeparator");
    if (FirstChar(doc.DecimalSeparator) != doc.DecimalSeparator ||
        !IsUsableDecimalSeparator(doc.DecimalSeparator)) {
        check.Damaged("decimalSeparator", "should be one visible character");
    }
    ReadParameters(check, root, doc);
    ReadData(check, root, doc);
    doc.IterCountText = check.Text(check.Field(root, "iterations", ""), "iterations");
    doc.FinishMinima = check.Bool(check.Field(root, "refine", ""), "refine");
    doc.ChartMode = check.Int32(check.Field(root, "chartMode", ""), "chartMode");
    ReadMinima(check, root, doc);
    if (const auto analysis = root.find("analysis"); analysis != root.end()) {
        doc.Analysis = ReadAnalysis(check, *analysis);
    }
    if (const auto spectra = root.find("spectra"); spectra != root.end()) {
        doc.Spectra = ReadSpectraSection(
            *spectra, "spectra", [&check](const std::string& where, const std::string& what) {
                check.Damaged(where, what);
            });
    }
    return doc;
}

TKelmoraDocument ReadKelmoraFile(const std::string& path) {
    return ParseKelmoraFile(ReadWholeFile(path), path);
}

void WriteKelmoraFile(const std::string& path, const TKelmoraDocument& doc) {
    WriteFileAtomically(path, KelmoraFileText(doc));
}

}  // namespace kelmora
