#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/TextTable.h"
#include "util/TextUtil.h"

using namespace kelmora;

TEST(HasNonBlank, VisibleCharactersOnly) {
    EXPECT_FALSE(HasNonBlank(""));
    EXPECT_FALSE(HasNonBlank("  \t\r\n\x01"));
    EXPECT_TRUE(HasNonBlank("   y"));
    EXPECT_TRUE(HasNonBlank("-"));
    EXPECT_TRUE(HasNonBlank("\xC3\xA9"));  // bytes from 128 up count
    EXPECT_TRUE(HasNonBlank(" \x80 "));
}

TEST(ReplaceChar, EveryOccurrenceAndNothingElse) {
    EXPECT_EQ(ReplaceChar("0,10", ",", "."), "0.10");
    EXPECT_EQ(ReplaceChar("1,2,3", ",", ";"), "1;2;3");
    EXPECT_EQ(ReplaceChar("1.2", ",", "."), "1.2");
    EXPECT_EQ(ReplaceChar("", ",", "."), "");
    EXPECT_EQ(ReplaceChar("0,5", ",", "·"), "0·5");
    EXPECT_EQ(ReplaceChar("0·5", "·", ","), "0,5");
    EXPECT_EQ(FirstChar("·x"), "·");
    EXPECT_EQ(FirstChar(".,"), ".");
    EXPECT_EQ(FirstChar(""), "");
}

TEST(MessageExcerpt, ShortTextsWholeLongOnesCutToSixtyCharactersAndAnEllipsis) {
    const std::string sixty(60, '7');
    const std::string accents60 = [] {
        std::string s;
        for (int i = 0; i < 60; ++i) {
            s += "\xC3\xA9";  // é, two bytes, one character
        }
        return s;
    }();
    const struct {
        const char* Name;
        std::string Text;
        std::string Quoted;
    } cases[] = {
        {"empty", "", ""},
        {"short", "1..2", "1..2"},
        {"exactly sixty", sixty, sixty},
        {"sixty-one", sixty + "8", sixty + "\u2026"},
        {"ten megabytes", sixty + std::string(10'000'000, 'x'), sixty + "\u2026"},
        {"sixty two-byte characters", accents60, accents60},
        {"cut between characters, not inside one", accents60 + "\xC3\xA9", accents60 + "\u2026"},
        {"a four-byte character at the cut stays whole",
         std::string(59, 'a') + "\xF0\x9F\x98\x80"
                                "b",
         std::string(59, 'a') + "\xF0\x9F\x98\x80\u2026"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageExcerpt(c.Text), c.Quoted) << c.Name;
    }
}

TEST(StringTable, GrowsAndReadsEmptyOutside) {
    TStringTable t(2, 3);
    EXPECT_EQ(t.Cell(1, 2), "");
    EXPECT_EQ(t.Cell(5, 5), "");
    t.SetCell(1, 1, "a");
    t.SetCell(3, 4, "b");
    EXPECT_EQ(t.ColCount(), 4);
    EXPECT_EQ(t.RowCount(), 5);
    EXPECT_EQ(t.Cell(1, 1), "a");
    EXPECT_EQ(t.Cell(3, 4), "b");
    t.Resize(2, 2);
    EXPECT_EQ(t.Cell(1, 1), "a");
    EXPECT_EQ(t.Cell(3, 4), "");
}

TEST(IsPlainText, WellFormedUtf8WithoutControlCharactersOtherThanTabAndLineEnds) {
    struct TCase {
        std::string Text;
        bool Plain;
    };
    const std::vector<TCase> cases = {
        {"C\tShift\r\n0.1 \xCE\xB4 \xE2\x82\xAC \xF0\x9F\x98\x80\n", true},
        {"\xEF\xBF\xBD\xF4\x8F\xBF\xBF\xED\x9F\xBF", true},  // U+FFFD, U+10FFFF, U+D7FF
        {std::string("a\0b", 3), false},
        {"a\x1b[0m", false},
        {"a\x7f", false},
        {"\xB0", false},              // Latin-1 degree sign
        {"\xC0\xAF", false},          // overlong '/'
        {"\xE0\x9F\xBF", false},      // overlong three-byte form
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE2\x82", false},          // cut short
        {"\xE2\x82\x41", false},      // not a continuation
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsPlainText(c.Text), c.Plain) << c.Text;
    }
}
