#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelmora {

// The decimal separator every conversion between numbers and text uses, one UTF-8 character.
// It starts as "." and changes only where the user sets it.
void SetNumberDecimalSeparator(std::string_view ch);
const std::string& NumberDecimalSeparator();
// Whether ch (one character) can be the decimal separator: blanks and control characters (NUL,
// TAB, line ends) part or end a cell, so a number written with one could never be read back.
bool IsUsableDecimalSeparator(std::string_view ch);

// General format: at most 15 significant digits, no trailing zeros; plain notation for
// 1e-4 <= |x| < 1e15 (judged after rounding) and for 0, otherwise mantissa, "E" and the
// exponent without plus sign or leading zeros. Not-a-number and infinities print as
// "NaN", "Inf" and "-Inf".
std::string FormatGeneral(double x);
// The same with fewer (or more) significant digits; plain notation up to 10^significantDigits.
std::string FormatGeneral(double x, int significantDigits);

// The shortest text that reads back as exactly x ("0.0075", "1e-05"), in the separator in force.
std::string FormatShortest(double x);

// Fixed point with the given number of decimals, as printf's "%.*f" with the current separator.
std::string FormatFixed(double x, int decimals);

// Strict number syntax: optional blanks, optional sign, digits with at most one current decimal
// separator, optional exponent (E or e, optional sign, digits), optional blanks. Anything else,
// or a value beyond the double range, raises "'<text>' is not a valid floating point value"
// (a long text quoted as MessageExcerpt cuts it).
double ParseFloat(std::string_view text);
// The same syntax without the error: no value when the text is not a number.
std::optional<double> TryParseFloat(std::string_view text);
// The same with a given decimal separator, for texts that do not follow the one in force.
std::optional<double> TryParseFloat(std::string_view text, std::string_view separator);

// Optional blanks, optional sign, decimal digits, optional blanks, within 32 bits; anything
// else raises "'<text>' is not a valid integer value" (quoted the same way).
std::int32_t ParseInt(std::string_view text);

}  // namespace kelmora
