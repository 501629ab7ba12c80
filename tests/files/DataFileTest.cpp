// Data files as spreadsheets and instruments write them, into the texts of the source-data
// table; and every fault named by line and column.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "files/AtomicFile.h"
#include "files/DataFile.h"
#include "files/TitrationColumns.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

using TCells = std::vector<std::array<std::string, 2>>;

struct TLayoutCase {
    const char* Name;
    std::string Text;
    TColumnSeparator Separator;
    char Mark;
    std::vector<std::string> Header;
    int Columns;
    TCells Cells;  // columns 0 and 1, with "." in force
};

TEST(DataFile, EachLayoutIsRecognisedAndReadAsTheSourceDataTableTakesIt) {
    const TCells two = {{"0.001", "8.1144"}, {"0.002", "8.2218"}};
    const std::vector<TLayoutCase> cases = {
        {"tab, LF", "0.001\t8.1144\n0.002\t8.2218\n", TColumnSeparator::Tab, '.', {}, 2, two},
        {"tab, CR LF, no final break",
         "0.001\t8.1144\r\n0.002\t8.2218",
         TColumnSeparator::Tab,
         '.',
         {},
         2,
         two},
        {"semicolon, decimal comma",
         "0,001;8,1144\r\n0,002;8,2218\r\n",
         TColumnSeparator::Semicolon,
         ',',
         {},
         2,
         two},
        {"comma, decimal point",
         "0.001,8.1144\n0.002,8.2218\n",
         TColumnSeparator::Comma,
         '.',
         {},
         2,
         two},
        {"comma and blank",
         "0.001, 8.1144\n0.002 ,  8.2218\n",
         TColumnSeparator::Comma,
         '.',
         {},
         2,
         two},
        {"comma, quoted decimal commas",
         "\"0,001\",\"8,1144\"\n\"0,002\",\"8,2218\"\n",
         TColumnSeparator::Comma,
         ',',
         {},
         2,
         two},
        {"blanks", "  0.001   8.1144\n0.002 8.2218  \n", TColumnSeparator::Blanks, '.', {}, 2, two},
        {"blanks, decimal comma",
         "0,001 8,1144\n0,002 8,2218\n",
         TColumnSeparator::Blanks,
         ',',
         {},
         2,
         two},
        {"header and byte order mark",
         "\xEF\xBB\xBF"
         "C, mol/l;Shift, ppm\r\n0,001;8,1144\r\n"
         "0,002;8,2218\r\n",
         TColumnSeparator::Semicolon,
         ',',
         {"C, mol/l", "Shift, ppm"},
         2,
         two},
        {"quoted header",
         "\"C\",\"Shift \"\"obs\"\"\"\n0.001,8.1144\n0.002,8.2218\n",
         TColumnSeparator::Comma,
         '.',
         {"C", "Shift \"obs\""},
         2,
         two},
        {"blank lines and trailing separators",
         "\n0.001;8.1144;\n   \n0.002;8.2218;;\n\n",
         TColumnSeparator::Semicolon,
         '.',
         {},
         2,
         two},
        {"signs and exponents",
         "1e-3\t+8.1144\n-2.5E+2\t.5\n",
         TColumnSeparator::Tab,
         '.',
         {},
         2,
         {{"1e-3", "+8.1144"}, {"-2.5E+2", ".5"}}},
        {"a third column",
         "0.001\t8.1144\tA\n0.002\t8.2218\tB\n",
         TColumnSeparator::Tab,
         '.',
         {},
         3,
         two},
    };
    for (const TLayoutCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDataFile file = SplitDataFile(c.Text, "d.csv");
        EXPECT_EQ(file.Separator, c.Separator);
        EXPECT_EQ(file.DecimalMark, c.Mark);
        EXPECT_EQ(file.Header, c.Header);
        EXPECT_EQ(file.ColumnCount, c.Columns);
        EXPECT_EQ(DataColumns(file, 0, 1, "d.csv"), c.Cells);
    }
}

TEST(DataFile, LinesKeepTheirNumbersInTheFile) {
    const TDataFile file = SplitDataFile("C;S\n\n1;2\r\n\r\n3;4\n", "d.csv");
    ASSERT_EQ(file.Rows.size(), 2u);
    EXPECT_EQ(file.Rows[0].Line, 3);
    EXPECT_EQ(file.Rows[1].Line, 5);
}

TEST(DataFile, ChosenColumnsAreTakenInTheSeparatorInForce) {
    const TDataFile file =
        SplitDataFile("t;C;x;Shift\n1;0,001;a;8,1144\n2;0,002;b;8,2218\n", "d.csv");
    EXPECT_EQ(file.ColumnCount, 4);
    EXPECT_EQ(file.Separator, TColumnSeparator::Semicolon);
    const TCells expected = {{"0.001", "8.1144"}, {"0.002", "8.2218"}};
    EXPECT_EQ(DataColumns(file, 1, 3, "d.csv"), expected);

    SetNumberDecimalSeparator(",");
    const TCells commas = DataColumns(file, 3, 1, "d.csv");
    SetNumberDecimalSeparator(".");
    const TCells swapped = {{"8,1144", "0,001"}, {"8,2218", "0,002"}};
    EXPECT_EQ(commas, swapped);
}

TEST(DataFile, TheExampleTitrationsReadInFull) {
    for (const char* name : {"titration-1to1.txt", "titration-1to2.txt"}) {
        const std::string path = std::string(KELMORA_EXAMPLES_DIR) + "/" + name;
        const std::string text = ReadWholeFile(path);
        const TCells cells = DataColumns(SplitDataFile(text, path), 0, 1, path);
        std::istringstream lines(text);
        std::string c, shift;
        std::size_t k = 0;
        while (lines >> c >> shift) {
            ASSERT_LT(k, cells.size());
            EXPECT_EQ(cells[k][0], c);
            EXPECT_EQ(cells[k][1], shift);
            ++k;
        }
        EXPECT_EQ(k, cells.size());
        EXPECT_EQ(k, 30u);
    }
}

TEST(DataFile, TheHeaderSuggestsWhichColumnsAreCAndShift) {
    struct TCase {
        std::string Text;
        std::array<int, 2> Columns;
    };
    const std::vector<TCase> cases = {
        {"1\t2\t3\n4\t5\t6\n", {0, 1}},
        {"t;C;Shift\n1;2;3\n", {1, 2}},
        {"Chemical shift, ppm;Conc\n1;2\n", {1, 0}},
        {"n;\xCE\xB4obs;x\n1;2;3\n", {0, 1}},
        {"n;x;\xCE\xB4obs\n1;2;3\n", {0, 2}},
        {"n;x;y;CONCENTRATION\n1;2;3;4\n", {3, 0}},
        {"n;x;y;c\n1;2;3;4\n", {3, 0}},
        {"A\t0.1\t7\nB\t0.2\t8\n", {1, 2}},  // sample names are never C
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(GuessDataColumns(SplitDataFile(c.Text, "d.csv")), c.Columns) << c.Text;
    }
}

TEST(DataFile, LoneCrEndsLinesAndQuotedFieldsHoldLineEnds) {
    const TDataFile cr = SplitDataFile("C\tS\r0.001\t8.1\r\r0.002\t8.2", "d.csv");
    ASSERT_EQ(cr.Rows.size(), 2u);
    EXPECT_EQ(cr.Rows[1].Line, 4);
    EXPECT_EQ(cr.Rows[1].Fields, (std::vector<std::string>{"0.002", "8.2"}));

    const TDataFile quoted =
        SplitDataFile("\"C,\nmol/l\",\"Shift\r\n\"\"obs\"\"\"\n0.001,8.1\n", "d.csv");
    EXPECT_EQ(quoted.Header, (std::vector<std::string>{"C,\nmol/l", "Shift\r\n\"obs\""}));
    ASSERT_EQ(quoted.Rows.size(), 1u);
    EXPECT_EQ(quoted.Rows[0].Line, 4);
}

TEST(DataFile, EachColumnHasItsOwnDecimalMark) {
    const TDataFile file = SplitDataFile("0,001\t8.1\t7\n0,002\t8.2\t7\n0.003\t8.3\t7\n", "d.csv");
    EXPECT_EQ(file.DecimalMarks, (std::vector<char>{',', '.', '.'}));
    EXPECT_EQ(DataColumns(file, 1, 2, "d.csv"), (TCells{{"8.1", "7"}, {"8.2", "7"}, {"8.3", "7"}}));
}

TEST(DataFile, TitrationColumnsAreGuessedFromTheNamesAmongNumberColumnsOnly) {
    struct TCase {
        std::string Text;
        TTitrationColumns Columns;
    };
    const std::vector<TCase> cases = {
        {"Sample;C;P0;H1;H2\nA;0;0,01;7,1;8\nB;0,001;0,01;7,2;8,1\n", {1, 2, {3, 4}}},
        {"[Host] M\t[Guest] M\tdelta Ha\n0.01\t0\t7\n", {1, 0, {2}}},
        {"t\tguest\tshift NH\tshift CH\tremark\n1\t0\t7\t8\tok\n2\t0.1\t7.1\t8\t\n",
         {1, -1, {2, 3}}},
        {"x\t0.1\t7\ny\t0.2\t8\n", {1, -1, {2}}},
        {"1 2\n3 4\n", {0, -1, {1}}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(GuessTitrationColumns(SplitDataFile(c.Text, "d.csv")), c.Columns) << c.Text;
    }
}

struct TFaultCase {
    std::string Text;
    int CColumn;
    int ShiftColumn;
    std::string Message;
};

TEST(DataFile, EveryFaultIsNamedByLineAndColumn) {
    const std::vector<TFaultCase> cases = {
        {"", 0, 1, "'d.csv' holds no data."},
        {"\r\n  \n\t\n", 0, 1, "'d.csv' holds no data."},
        {"C;Shift\r\n", 0, 1, "'d.csv' holds no data below its header."},
        {"0.1\n0.2\n", 0, 1, "'d.csv' has one column only; C and Shift need two."},
        {std::string("0.1\t8\0\n", 7), 0, 1, "'d.csv' is not a text file."},
        {"0.1\t8\n0.2\tx\n", 0, 1, "'d.csv', line 2, column 2: 'x' is not a number."},
        {"0.1;8\n\n0.2\n", 0, 1, "'d.csv', line 3, column 2: the value is missing."},
        {"0.1;;8\n", 0, 1, "'d.csv', line 1, column 2: the value is missing."},
        {"C;S\n1,5;2,5\n1.5;2.5\n", 0, 1, "'d.csv', line 3, column 1: '1.5' is not a number."},
        {"1\t2\t3\n4\t5\n", 0, 2, "'d.csv', line 2, column 3: the value is missing."},
        {"name;0,1;8\nname;0,2;9\n", 0, 1, "'d.csv', line 1, column 1: 'name' is not a number."},
        {"1e999\t2\n", 0, 1, "'d.csv', line 1, column 1: '1e999' is not a number."},
        {"C;S\n0.001;8.1\n0,002;8.2\n0.003;8.3\n", 0, 1,
         "'d.csv', line 3, column 1: '0,002' is not a number."},
        {"0.001\t8.1\n0.002\t1.234,5\n0.003\t8.3\n", 0, 1,
         "'d.csv', line 2, column 2: '1.234,5' is not a number."},
        {"0.001,\"8.1\n0.002,8.2\n", 0, 1,
         "'d.csv', line 1: the quote opened here is never closed."},
        {"0.001\t8.1\n\x01\x7f\t\x02\n", 0, 1, "'d.csv' is not a text file."},
        {"0.001\t8.1\xB0\n", 0, 1, "'d.csv' is not a text file."},
    };
    for (const TFaultCase& c : cases) {
        try {
            DataColumns(SplitDataFile(c.Text, "d.csv"), c.CColumn, c.ShiftColumn, "d.csv");
            ADD_FAILURE() << "accepted: " << c.Text;
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message) << c.Text;
        }
    }
}

}  // namespace
}  // namespace kelmora
