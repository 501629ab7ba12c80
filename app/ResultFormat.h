#pragma once

// How the analyses' answers write their numbers: six significant digits in the text, what a
// table in a paper shows, and "-" for a value that does not exist; in JSON every digit, and null.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/Analysis.h"

namespace kelmora {

std::string Num(double x);
std::string Num(const std::optional<double>& x);
std::string Range(const std::optional<analysis::TInterval>& i);

std::string JsonNumber(const std::optional<double>& x);
std::string JsonRange(const std::optional<analysis::TInterval>& i);
std::string JsonOpenRange(const std::optional<analysis::TOpenInterval>& i);
std::string JsonBool(bool b);

void WriteNumbers(std::ostream& out, const std::vector<double>& values);
// Rows of numbers, a line each.
void WriteMatrix(std::ostream& out, const std::vector<std::vector<double>>& m);

// A model's parameters, one object a line.
void WriteParamsJson(std::ostream& out, const std::vector<analysis::TParamResult>& params);

// The F-test of every nested pair, then the verdict: "Comparison" lines and "Verdict: ..." in the
// text, the "comparison" and "verdict" members of the JSON object.
void WriteComparisonText(std::ostream& out, const std::vector<analysis::TComparison>& comparison,
                         const std::string& verdict);
void WriteComparisonJson(std::ostream& out, const std::vector<analysis::TComparison>& comparison,
                         const std::string& verdict);

}  // namespace kelmora
