#include "util/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/Errors.h"

using namespace kelmora;

namespace {

// Restores "." whatever a test set.
class SeparatorGuard {
  public:
    explicit SeparatorGuard(const char* sep) { SetNumberDecimalSeparator(sep); }
    ~SeparatorGuard() { SetNumberDecimalSeparator("."); }
};

}  // namespace

TEST(FormatGeneral, ShortestFifteenDigitForms) {
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.2, "1.2"},
        {0.1, "0.1"},
        {-1000, "-1000"},
        {0.0001, "0.0001"},
        {0.00009, "9E-5"},
        {-0.000012345, "-1.2345E-5"},
        {20.0 / 99.0, "0.202020202020202"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {9999999999999999.0, "1E16"},
        {0.1 + 0.2, "0.3"},
        {1e-300, "1E-300"},
        {std::numeric_limits<double>::max(), "1.79769313486232E308"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "Inf"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatGeneral(c.x), c.text) << c.x;
    }
}

TEST(FormatGeneral, FewerSignificantDigitsRoundAndMoveTheNotationLimit) {
    const struct {
        double x;
        int digits;
        const char* text;
    } cases[] = {
        {0.0661437827766148, 6, "0.0661438"},
        {std::sqrt(43.87 * 1e-4), 6, "0.0662344"},
        {31.6235, 6, "31.6235"},
        {2.0, 6, "2"},
        {0.5, 1, "0.5"},
        {0.96, 1, "1"},
        {999999.5, 6, "1E6"},
        {123456.4, 6, "123456"},
        {0.00001234567, 6, "1.23457E-5"},
        {1.0 / 3.0, 15, "0.333333333333333"},
        {std::numeric_limits<double>::quiet_NaN(), 6, "NaN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatGeneral(c.x, c.digits), c.text) << c.x << " to " << c.digits;
    }
}

TEST(FormatGeneral, UsesCurrentSeparator) {
    SeparatorGuard sep(",");
    EXPECT_EQ(FormatGeneral(1.25), "1,25");
    EXPECT_EQ(FormatGeneral(2.5e-7), "2,5E-7");
    EXPECT_EQ(FormatGeneral(0.0661437827766148, 6), "0,0661438");
    EXPECT_EQ(FormatFixed(0.0123456789, 6), "0,012346");
}

TEST(FormatFixed, PrintfDecimals) {
    EXPECT_EQ(FormatFixed(0.0123456789, 6), "0.012346");
    EXPECT_EQ(FormatFixed(0.0123456789, 4), "0.0123");
    EXPECT_EQ(FormatFixed(12.5, 4), "12.5000");
}

TEST(ParseFloat, AcceptsStrictSyntax) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1.2", 1.2}, {"  -3.5e2 ", -350}, {"+7", 7},          {".5", 0.5},
        {"5.", 5.0},  {"1E-3", 1e-3},      {"2e+2", 200},      {"\t42\t", 42},
        {"-0", 0.0},  {"1e-400", 0.0},     {"0.0001", 0.0001}, {"1000000000", 1e9},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ParseFloat(c.text), c.value) << c.text;
        ASSERT_TRUE(TryParseFloat(c.text).has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*TryParseFloat(c.text), c.value) << c.text;
    }
}

TEST(ParseFloat, RejectsEverythingElseWithItsMessage) {
    const char* bad[] = {"",     " ",     "abc",   "1,2", "1.2.3", "inf",  "nan",
                         "0x10", "1 000", "1e",    "e5",  ".",     "-",    "1.2x",
                         "--1",  "1e400", "1.5e+", "1 2", "+-1",   "1e5.5"};
    for (const char* text : bad) {
        EXPECT_FALSE(TryParseFloat(text).has_value()) << text;
        try {
            ParseFloat(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

TEST(ParseFloat, OnlyTheCurrentSeparator) {
    SeparatorGuard sep(",");
    EXPECT_DOUBLE_EQ(ParseFloat("0,01"), 0.01);
    EXPECT_THROW(ParseFloat("0.01"), EConvertError);
    SetNumberDecimalSeparator("·");  // a two-byte UTF-8 character works as well
    EXPECT_DOUBLE_EQ(ParseFloat("2·5"), 2.5);
    EXPECT_EQ(FormatGeneral(2.5), "2·5");
}

TEST(ParseInt, RangeAndSyntax) {
    EXPECT_EQ(ParseInt("100"), 100);
    EXPECT_EQ(ParseInt(" -7 "), -7);
    EXPECT_EQ(ParseInt("+2147483647"), 2147483647);
    EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
    const char* bad[] = {"",    "2147483648", "-2147483649",         "1.0", "1e3", "$FF",
                         "0x1", "12a",        "99999999999999999999"};
    for (const char* text : bad) {
        try {
            ParseInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(ParseNumber, ALongBadTextIsQuotedInPartAShortOneWhole) {
    const std::string longCell = std::string(60, '9') + std::string(100'000, 'x');
    const std::string cut = std::string(60, '9') + "\u2026";
    const struct {
        std::string Text;
        bool Integer;
        std::string Message;
    } cases[] = {
        {longCell, false, "'" + cut + "' is not a valid floating point value"},
        {longCell, true, "'" + cut + "' is not a valid integer value"},
        {"1O", false, "'1O' is not a valid floating point value"},
        {" 12a ", true, "' 12a ' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        try {
            c.Integer ? ParseInt(c.Text) : ParseFloat(c.Text);
            ADD_FAILURE() << "accepted " << c.Message;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
}

// Saved data must read back to the last bit in either separator, and no longer than needed.
TEST(FormatShortest, ReadsBackExactlyInTheSeparatorInForce) {
    const struct {
        double x;
        const char* comma;
    } cases[] = {{0.0075, "0,0075"},
                 {0.1 + 0.2, "0,30000000000000004"},
                 {5e-324, "5e-324"},
                 {1.7976931348623157e308, "1,7976931348623157e+308"},
                 {-8.25, "-8,25"}};
    SetNumberDecimalSeparator(",");
    for (const auto& c : cases) {
        const std::string text = FormatShortest(c.x);
        EXPECT_EQ(text, c.comma);
        EXPECT_EQ(ParseFloat(text), c.x) << text;
    }
    SetNumberDecimalSeparator(".");
    EXPECT_EQ(FormatShortest(0.0075), "0.0075");
}

TEST(FormatGeneral, RoundTripsThroughParse) {
    const double values[] = {1.2, 0.202020202020202, -1000, 8.3121, 1.45519e-13, 6.02214076e23};
    for (double v : values) {
        EXPECT_DOUBLE_EQ(ParseFloat(FormatGeneral(v)), v);
    }
}
