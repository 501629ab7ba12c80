#pragma once

// How the analyses' answers write their numbers: six significant digits in the text, what a
// table in a paper shows, and "-" for a value that does not exist; in JSON every digit, and null.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/Analysis.h"

namespace kelmora {

std::string Num(double x);
std::string Num(const std::optional<double>& x);
std::string Range(const std::optional<analysis::TInterval>& i);
// "[2.9, 3.38]", or "> 3.76" / "< 5.93" where the profile stays low up to the search limit.
std::string Profile(const std::optional<analysis::TOpenInterval>& i);

// The parameter table of a model in an answer's text, in the columns every view shows
// (ParamColumns), left-aligned: its header line, and one parameter's line.
void WriteParamHeader(std::ostream& out);
void WriteParamLine(std::ostream& out, const analysis::TParamResult& p);

// kelmora-fit's JSON answers keep their members in the order they are written.
using TJson = nlohmann::ordered_json;

// A number that reads back to the same double; NaN and the infinities have no JSON form and are
// null, as is a value that does not exist.
TJson JsonNumber(double x);
TJson JsonNumber(const std::optional<double>& x);
TJson JsonRange(const std::optional<analysis::TInterval>& i);
TJson JsonOpenRange(const std::optional<analysis::TOpenInterval>& i);
TJson JsonNumbers(const std::vector<double>& values);
TJson JsonMatrix(const std::vector<std::vector<double>>& m);

// What a fit of shifts and a fit of spectra both tell of a model: its name, whether it
// converged and why not, the fit statistics, the solver's stop and the Monte Carlo counts.
template <class TModelResult>
TJson ModelSummaryJson(const std::string& name, const TModelResult& m) {
    return {{"model", name},
            {"converged", m.Converged},
            {"message", m.Message.empty() ? TJson() : TJson(m.Message)},
            {"ss", JsonNumber(m.Ss)},
            {"rms", JsonNumber(m.Rms)},
            {"aic", JsonNumber(m.Aic)},
            {"aicc", JsonNumber(m.Aicc)},
            {"bic", JsonNumber(m.Bic)},
            {"dof", m.Dof},
            {"replicates", m.ReplicatesDone},
            {"stop", std::string(analysis::StopReasonName(m.Fit.Stop))},
            {"iterations", m.Fit.Iterations},
            {"mcUsed", m.McUsed},
            {"mcAtBound", m.McAtBound},
            {"mcFailed", m.McFailed}};
}

// A model's parameters, one object each.
TJson ParamsJson(const std::vector<analysis::TParamResult>& params);

// The F-test of every nested pair, then the verdict: "Comparison" lines and "Verdict: ..." in the
// text, the "comparison" and "verdict" members of the JSON object.
void WriteComparisonText(std::ostream& out, const std::vector<analysis::TComparison>& comparison,
                         const std::string& verdict);
void AddComparisonJson(TJson& doc, const std::vector<analysis::TComparison>& comparison,
                       const std::string& verdict);

// The object and a line end. Names come from the user's files: bytes that are not UTF-8 are
// written as U+FFFD rather than breaking the answer.
void WriteJson(std::ostream& out, const TJson& doc);

}  // namespace kelmora
