#include "util/NumberText.h"

#include <locale.h>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "util/Errors.h"
#include "util/TextUtil.h"

namespace kelmora {

namespace {

std::string& SeparatorStorage() {
    static std::string separator = ".";
    return separator;
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}
bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string WithSeparator(std::string text) {
    const std::string& sep = NumberDecimalSeparator();
    return sep == "." ? text : ReplaceChar(text, ".", sep);
}

// strtod of the C locale, whatever locale the process runs in.
double StrtodC(const char* text, bool& outOfRange) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    errno = 0;
    const double v = strtod_l(text, nullptr, cLocale);
    outOfRange = std::isinf(v);
    return v;
}

}  // namespace

void SetNumberDecimalSeparator(std::string_view ch) {
    SeparatorStorage() = std::string(ch);
}

const std::string& NumberDecimalSeparator() {
    return SeparatorStorage();
}

bool IsUsableDecimalSeparator(std::string_view ch) {
    return !ch.empty() && !IsBlankChar(ch.front());
}

std::string FormatGeneral(double x) {
    return FormatGeneral(x, 15);
}

std::string FormatGeneral(double x, int significantDigits) {
    if (std::isnan(x)) {
        return "NaN";
    }
    if (std::isinf(x)) {
        return x > 0 ? "Inf" : "-Inf";
    }
    if (x == 0.0) {
        return "0";
    }
    // Round to the significant digits first; the notation follows the rounded exponent.
    significantDigits = std::clamp(significantDigits, 1, 17);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significantDigits - 1, x);
    char* e = std::strchr(buf, 'e');
    const int exponent = std::atoi(e + 1);
    *e = '\0';
    std::string digits;
    for (const char* p = buf; *p; ++p) {
        if (IsDigit(*p)) {
            digits += *p;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out = x < 0 ? "-" : "";
    const int n = static_cast<int>(digits.size());
    if (exponent >= -4 && exponent < significantDigits) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else if (n <= exponent + 1) {
            out += digits;
            out.append(static_cast<std::size_t>(exponent + 1 - n), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(exponent) + 1);
            out += '.';
            out += digits.substr(static_cast<std::size_t>(exponent) + 1);
        }
    } else {
        out += digits[0];
        if (n > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return WithSeparator(out);
}

std::string FormatFixed(double x, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    // snprintf follows LC_NUMERIC; normalise to "." before putting in ours.
    std::string text = buf;
    const char* lcSep = std::localeconv()->decimal_point;
    if (lcSep != nullptr && std::strcmp(lcSep, ".") != 0) {
        text = ReplaceChar(text, lcSep, ".");
    }
    return WithSeparator(text);
}

std::string FormatShortest(double x) {
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    return WithSeparator(std::string(buf, r.ptr));
}

std::optional<double> TryParseFloat(std::string_view text, std::string_view separator) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsSpace(text[i])) {
        ++i;
    }
    std::string normal;  // the number in C syntax
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        normal += text[i++];
    }
    bool anyDigit = false;
    bool seenSep = false;
    while (i < n) {
        if (!seenSep && !separator.empty() && text.substr(i, separator.size()) == separator) {
            seenSep = true;
            normal += '.';
            i += separator.size();
        } else if (IsDigit(text[i])) {
            anyDigit = true;
            normal += text[i++];
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            normal += text[i++];
        }
        bool expDigit = false;
        while (i < n && IsDigit(text[i])) {
            expDigit = true;
            normal += text[i++];
        }
        if (!expDigit) {
            return std::nullopt;
        }
    }
    while (i < n && IsSpace(text[i])) {
        ++i;
    }
    if (i != n) {
        return std::nullopt;
    }
    bool outOfRange = false;
    const double v = StrtodC(normal.c_str(), outOfRange);
    if (outOfRange) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> TryParseFloat(std::string_view text) {
    return TryParseFloat(text, NumberDecimalSeparator());
}

double ParseFloat(std::string_view text) {
    if (const std::optional<double> v = TryParseFloat(text)) {
        return *v;
    }
    throw EConvertError("'" + MessageExcerpt(text) + "' is not a valid floating point value");
}

std::int32_t ParseInt(std::string_view text) {
    const auto fail = [&]() -> std::int32_t {
        throw EConvertError("'" + MessageExcerpt(text) + "' is not a valid integer value");
    };
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    std::int64_t value = 0;
    bool anyDigit = false;
    while (i < n && IsDigit(text[i])) {
        anyDigit = true;
        value = value * 10 + (text[i++] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            return fail();
        }
    }
    while (i < n && IsSpace(text[i])) {
        ++i;
    }
    if (!anyDigit || i != n) {
        return fail();
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return fail();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace kelmora
