// The data sheet of the Analysis window: what a fit takes from it, how its cells become numbers,
// and how a first line of names pastes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analysisview/AnalysisSheet.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

// Rows of cell texts below the default header; an empty text is a blank cell.
TStringTable Sheet(const std::vector<std::vector<std::string>>& rows) {
    TStringTable sheet(SheetColCount, static_cast<int>(rows.size()) + 1);
    ResetSheetHeader(sheet);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            sheet.SetCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
        }
    }
    return sheet;
}

TEST(AnalysisSheet, HeaderNamesEveryColumn) {
    TStringTable sheet(SheetColCount, 2);
    ResetSheetHeader(sheet);
    const std::vector<std::string> expected = {"C",  "P0", "s1", "s2", "s3",
                                               "s4", "s5", "s6", "s7", "s8"};
    for (int col = 0; col < SheetColCount; ++col) {
        EXPECT_EQ(sheet.Cell(col, 0), expected[std::size_t(col)]);
    }
}

TEST(AnalysisSheet, ExtentCountsRowsToTheFirstBlankCAndTheColumnsInUse) {
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> rows;
        int points;
        std::vector<int> signalCols;
        bool hostColumn;
        const char* text;
    } cases[] = {
        {"empty sheet", {}, 0, {}, false, "0 points, 0 signals"},
        {"one point, one signal", {{"0.1", "", "7.1"}}, 1, {2}, false, "1 point, 1 signal"},
        {"blank C ends the data",
         {{"0", "", "7", "8"}, {"1", "", "7.5", "8.2"}, {"", "", "9", "9"}, {"3", "", "1", "1"}},
         2,
         {2, 3},
         false,
         "2 points, 2 signals"},
        {"blank C cell of blanks only ends too",
         {{"0", "", "7"}, {"  ", "", "7"}},
         1,
         {2},
         false,
         "1 point, 1 signal"},
        {"gap between shift columns",
         {{"0", "0.01", "7", "", "", "1"}, {"1", "0.009", "", "", "", "2"}},
         2,
         {2, 5},
         true,
         "2 points, 2 signals"},
        {"shifts below the data do not count",
         {{"0", "", "7"}, {"", "", "", "5"}},
         1,
         {2},
         false,
         "1 point, 1 signal"},
    };
    for (const auto& c : cases) {
        const TSheetExtent extent = MeasureSheet(Sheet(c.rows));
        EXPECT_EQ(extent.Points, c.points) << c.name;
        EXPECT_EQ(extent.SignalCols, c.signalCols) << c.name;
        EXPECT_EQ(extent.HostColumn, c.hostColumn) << c.name;
        EXPECT_EQ(ExtentText(extent), c.text) << c.name;
    }
}

TEST(AnalysisSheet, ReadsNumbersWithOneP0OrAHostPerPoint) {
    const analysis::TTitration constant =
        ReadSheet(Sheet({{"0", "", "7", "", "8"}, {"1e-3", "", "7.5", "", "8.5"}}), "0.002");
    EXPECT_EQ(constant.Conc, (std::vector<double>{0.0, 1e-3}));
    EXPECT_EQ(constant.Host, (std::vector<double>{0.002}));
    // Each signal is named by its column's title, as the header shows it.
    EXPECT_EQ(constant.SignalNames, (std::vector<std::string>{"s1", "s3"}));
    EXPECT_EQ(constant.Shifts, (std::vector<std::vector<double>>{{7.0, 8.0}, {7.5, 8.5}}));

    // With a host column the P0 field is not read at all.
    const analysis::TTitration diluted =
        ReadSheet(Sheet({{"0", "0.01", "7"}, {"1", "0.009", "7.5"}}), "junk");
    EXPECT_EQ(diluted.Host, (std::vector<double>{0.01, 0.009}));
}

TEST(AnalysisSheet, FixedParametersAreNamedRowsWithTheirValues) {
    TStringTable table(2, 5);
    table.SetCell(0, 1, " lgK2 ");
    table.SetCell(1, 1, "4.5");
    table.SetCell(1, 2, "7");  // a value without a name is not a fixed parameter
    table.SetCell(0, 3, "dP.s1");
    table.SetCell(1, 3, "-1e-2");
    const std::vector<analysis::TFixedParam> fixed = ReadFixedParams(table);
    ASSERT_EQ(fixed.size(), 2u);
    EXPECT_EQ(fixed[0].Name, "lgK2");
    EXPECT_EQ(fixed[0].Value, 4.5);
    EXPECT_EQ(fixed[1].Name, "dP.s1");
    EXPECT_EQ(fixed[1].Value, -1e-2);

    table.SetCell(0, 0, "Parameter");
    table.SetCell(1, 0, "Value");
    table.SetCell(0, 4, "lgK1");
    try {
        ReadFixedParams(table);
        ADD_FAILURE() << "a fixed parameter without a value was accepted";
    } catch (const ESheetCellError& e) {
        EXPECT_EQ(e.Col, 1);
        EXPECT_EQ(e.Row, 4);
        EXPECT_EQ(std::string(e.what()), "Row 4, column \"Value\": the cell is empty");
    }
}

TEST(AnalysisSheet, NamedHeadersNameTheirSignals) {
    TStringTable sheet = Sheet({{"0", "", "7", "8", "9"}});
    sheet.SetCell(3, 0, "H-beta");
    const analysis::TTitration data = ReadSheet(sheet, "0.01");
    EXPECT_EQ(data.SignalNames, (std::vector<std::string>{"s1", "H-beta", "s3"}));
}

TEST(AnalysisSheet, ABadCellIsNamedAndLocated) {
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> rows;
        int col, row;
        const char* message;
    } cases[] = {
        {"letters in a shift",
         {{"0", "", "7"}, {"1", "", "7x"}},
         2,
         2,
         "Row 2, column \"s1\": '7x' is not a number"},
        {"hole in a signal",
         {{"0", "", "7", "8"}, {"1", "", "7.5", ""}},
         3,
         2,
         "Row 2, column \"s2\": the cell is empty"},
        {"hole in the host column",
         {{"0", "0.01", "7"}, {"1", "", "7.5"}},
         1,
         2,
         "Row 2, column \"P0\": the cell is empty"},
        {"comma under the point separator",
         {{"0,5", "", "7"}},
         0,
         1,
         "Row 1, column \"C\": '0,5' is not a number"},
    };
    for (const auto& c : cases) {
        try {
            ReadSheet(Sheet(c.rows), "0.01");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const ESheetCellError& e) {
            EXPECT_EQ(e.Col, c.col) << c.name;
            EXPECT_EQ(e.Row, c.row) << c.name;
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
    }
}

TEST(AnalysisSheet, NumbersTheAnalysisRefusesAreLocated) {
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> rows;
        const char* p0;
        std::optional<TGridRect> cells;
    } cases[] = {
        {"all good", {{"0", "0.01", "7"}, {"1", "0.009", "8"}}, "0.01", std::nullopt},
        {"negative C",
         {{"0", "", "7"}, {"-1", "", "8"}, {"-2", "", "9"}},
         "0.01",
         TGridRect{0, 2, 0, 2}},
        {"host of zero in the column",
         {{"0", "0.01", "7"}, {"1", "0", "8"}},
         "0.01",
         TGridRect{1, 2, 1, 2}},
        {"P0 field of zero is not in the sheet",
         {{"0", "", "7"}, {"1", "", "8"}},
         "0",
         std::nullopt},
        {"flat second signal",
         {{"0", "", "7", "", "5"}, {"1", "", "8", "", "5"}},
         "0.01",
         TGridRect{4, 1, 4, 2}},
    };
    for (const auto& c : cases) {
        const TStringTable sheet = Sheet(c.rows);
        EXPECT_EQ(RejectedCells(sheet, ReadSheet(sheet, c.p0)), c.cells) << c.name;
    }
}

TEST(AnalysisSheet, BadP0TextRaisesTheConversionError) {
    EXPECT_THROW(ReadSheet(Sheet({{"0", "", "7"}}), "0.0x"), EConvertError);
}

TEST(AnalysisSheet, ReadsInTheDecimalSeparatorInForce) {
    SetNumberDecimalSeparator(",");
    const analysis::TTitration data = ReadSheet(Sheet({{"0,5", "", "7,25"}}), "0,01");
    SetNumberDecimalSeparator(".");
    EXPECT_EQ(data.Conc, (std::vector<double>{0.5}));
    EXPECT_EQ(data.Host, (std::vector<double>{0.01}));
    EXPECT_EQ(data.Shifts, (std::vector<std::vector<double>>{{7.25}}));
}

TEST(AnalysisSheet, NamesLineIsOneWithoutAnyNumber) {
    const struct {
        const char* line;
        bool names;
    } cases[] = {
        {"C\tP0\tHa\tHb", true}, {"Ha Hb", true}, {"0\t7.1", false},
        {"C\t7.1", false},       {"", false},     {" \t ", false},
        {"0.1x\t7", false},      {"1H", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsNamesLine(c.line), c.names) << '"' << c.line << '"';
    }
}

TGridCore SheetCore(int rows) {
    TGridCore core;
    core.SetColCount(SheetColCount);
    core.SetRowCount(rows);
    core.SetFixedCols(0);
    core.SetFixedRows(1);
    core.SetEditing(true);
    ResetSheetHeader(core);
    return core;
}

TEST(AnalysisSheet, PastedNamesLineNamesTheShiftColumnsItLandsOn) {
    const struct {
        const char* name;
        TGridRect selection;
        const char* text;
        std::vector<std::string> header;
        std::vector<std::vector<std::string>> rows;  // first three rows, all columns
    } cases[] = {
        {"whole sheet with C, P0 and two names",
         {0, 0, SheetColCount - 1, 9},
         "C\tP0\tHa\tHb\r\n0\t0.01\t7\t8\r\n1\t0.009\t7.5\t8.5\r\n",
         {"C", "P0", "Ha", "Hb", "s3"},
         {{"0", "0.01", "7", "8", ""}, {"1", "0.009", "7.5", "8.5", ""}, {"", "", "", "", ""}}},
        {"names over shift columns only, lone LF",
         {3, 0, 4, 9},
         "Hb Hc\n1 2\n",
         {"C", "P0", "s1", "Hb", "Hc"},
         {{"", "", "", "1", "2"}, {"", "", "", "", ""}, {"", "", "", "", ""}}},
        {"numbers paste as usual",
         {0, 0, 2, 9},
         "0 0.01 7\n",
         {"C", "P0", "s1", "s2", "s3"},
         {{"0", "0.01", "7", "", ""}, {"", "", "", "", ""}, {"", "", "", "", ""}}},
        {"names alone, no data",
         {2, 0, 2, 9},
         "Ha",
         {"C", "P0", "Ha", "s2", "s3"},
         {{"", "", "", "", ""}, {"", "", "", "", ""}, {"", "", "", "", ""}}},
    };
    for (const auto& c : cases) {
        TGridCore core = SheetCore(10);
        core.SetSelection(c.selection);
        PasteIntoSheet(core, c.text);
        for (std::size_t col = 0; col < c.header.size(); ++col) {
            EXPECT_EQ(core.Cell(int(col), 0), c.header[col]) << c.name << " header " << col;
        }
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            for (std::size_t col = 0; col < c.rows[r].size(); ++col) {
                EXPECT_EQ(core.Cell(int(col), int(r) + 1), c.rows[r][col])
                    << c.name << " cell " << col << "," << r + 1;
            }
        }
    }
}

// A sheet holding an earlier titration: C in rows 1..rows, no P0, seven signals named H1..H7.
TGridCore FilledSheet(int rows) {
    TGridCore core = SheetCore(20);
    for (int col = SheetFirstShiftCol; col < SheetFirstShiftCol + 7; ++col) {
        core.SetCell(col, 0, "H" + std::to_string(col - 1));
    }
    for (int row = 1; row <= rows; ++row) {
        core.SetCell(0, row, "0.00" + std::to_string(row));
        for (int col = SheetFirstShiftCol; col < SheetFirstShiftCol + 7; ++col) {
            core.SetCell(col, row, "9" + std::to_string(col));
        }
    }
    return core;
}

// The ways a second titration pasted over a first could mix with it: each ends either in the
// pasted data alone or in a warning that names the cells left over, and clearing those leaves
// exactly the pasted data.
TEST(AnalysisSheet, PasteOverEarlierDataNeverMixesUnseen) {
    const struct {
        const char* name;
        TGridRect selection;
        std::string text;
        bool leftOver;
        std::vector<std::string> header;  // C .. s8 after the paste
        analysis::TTitration expected;    // read with P0 text 0.01 once the rest is cleared
    } cases[] = {
        {"six columns into five selected by their headers",
         {0, 0, 4, 19},
         "0.1\t0.01\t1\t2\t3\t4\r\n0.2\t0.01\t5\t6\t7\t8\r\n",
         true,
         {"C", "P0", "s1", "s2", "s3", "s4", "H5", "H6", "H7", "s8"},
         {{0.1, 0.2}, {0.01, 0.01}, {"s1", "s2", "s3", "s4"}, {{1, 2, 3, 4}, {5, 6, 7, 8}}}},
        {"an empty P0 column between TABs keeps the shifts in their columns",
         {0, 0, SheetColCount - 1, 19},
         "C\tP0\tHa\tHb\tHc\n0.001\t\t7.1\t7.2\t7.3\n0.002\t\t7.4\t7.5\t7.6\n",
         false,
         {"C", "P0", "Ha", "Hb", "Hc", "s4", "s5", "s6", "s7", "s8"},
         {{0.001, 0.002}, {0.01}, {"Ha", "Hb", "Hc"}, {{7.1, 7.2, 7.3}, {7.4, 7.5, 7.6}}}},
        {"fewer rows from a single cell leave rows below",
         {0, 1, 0, 1},
         "0.5 0.02 6\n0.6 0.02 6.5\n",
         true,
         {"C", "P0", "s1", "H2", "H3", "H4", "H5", "H6", "H7", "s8"},
         {{0.5, 0.6}, {0.02, 0.02}, {"s1"}, {{6}, {6.5}}}},
    };
    for (const auto& c : cases) {
        TGridCore core = FilledSheet(3);
        core.SetSelection(c.selection);
        const TGridRect block = PasteIntoSheet(core, c.text);
        for (int col = 0; col < SheetColCount; ++col) {
            EXPECT_EQ(core.Cell(col, 0), c.header[std::size_t(col)]) << c.name << " col " << col;
        }
        EXPECT_EQ(DataOutside(core, block), c.leftOver) << c.name;
        const std::string count = CountText(core, block);
        EXPECT_EQ(count.find(DataOutsideWarning) != std::string::npos, c.leftOver)
            << c.name << ": " << count;
        ClearOutside(core, block);
        EXPECT_FALSE(DataOutside(core, block)) << c.name;
        const analysis::TTitration data = ReadSheet(core, "0.01");
        EXPECT_EQ(data.Conc, c.expected.Conc) << c.name;
        EXPECT_EQ(data.Host, c.expected.Host) << c.name;
        EXPECT_EQ(data.Shifts, c.expected.Shifts) << c.name;
        EXPECT_EQ(data.SignalNames, c.expected.SignalNames) << c.name;
    }
}

TEST(AnalysisSheet, ClearSheetEmptiesEveryCellAndResetsTheNames) {
    TGridCore core = FilledSheet(3);
    ClearSheet(core);
    EXPECT_EQ(core.RowCount(), 20);
    EXPECT_EQ(CountText(core, std::nullopt), "0 points, 0 signals");
    EXPECT_EQ(SheetCells(core).size(), 1u);
    EXPECT_EQ(core.Cell(SheetFirstShiftCol, 0), "s1");
}

TEST(AnalysisSheet, CellsForAFileRoundTripWithTheSignalNames) {
    TGridCore sheet = SheetCore(12);
    sheet.SetCell(3, 0, "Hb");
    sheet.SetCell(0, 1, "0");
    sheet.SetCell(3, 1, "7.5");
    sheet.SetCell(1, 4, "0.009");  // the last row with anything
    const std::vector<std::vector<std::string>> cells = SheetCells(sheet);
    ASSERT_EQ(cells.size(), 5u);
    for (const auto& row : cells) {
        EXPECT_EQ(row.size(), std::size_t(SheetColCount));
    }
    EXPECT_EQ(cells[0][3], "Hb");
    EXPECT_EQ(cells[0][2], "s1");
    EXPECT_EQ(cells[4][1], "0.009");

    const struct {
        const char* name;
        int rowsBefore;
        int minRows;
        int rowsAfter;
    } cases[] = {
        {"into a larger sheet, which takes the fresh size", 40, 20, 20},
        {"into a small sheet, which grows to the minimum", 2, 20, 20},
        {"into a sheet too small for the rows", 2, 3, 5},
    };
    for (const auto& c : cases) {
        TGridCore other = SheetCore(c.rowsBefore);
        other.SetCell(4, 0, "Old name");
        other.SetCell(5, c.rowsBefore - 1, "old");
        RestoreSheetCells(cells, other, c.minRows);
        EXPECT_EQ(other.RowCount(), c.rowsAfter) << c.name;
        EXPECT_EQ(SheetCells(other), cells) << c.name;
        EXPECT_EQ(other.Cell(4, 0), "s3") << c.name;
    }
}

TEST(AnalysisSheet, FixedCellsForAFileRoundTripByName) {
    const struct {
        const char* name;
        int rowsBefore;
        int minRows;
        int rowsAfter;
    } cases[] = {
        {"fits the table", 6, 6, 6},
        {"a small table grows to the minimum", 2, 6, 6},
        {"more names than rows", 3, 3, 4},
    };
    const std::map<std::string, std::string> cells = {
        {"lgK2", "4,5"}, {"dP.Ha", "8"}, {"k.Ha", ""}};
    for (const auto& c : cases) {
        TGridCore table;
        table.SetColCount(2);
        table.SetRowCount(c.rowsBefore);
        table.SetFixedCols(0);
        table.SetFixedRows(1);
        table.SetCell(0, 0, "Fixed parameter");
        table.SetCell(0, c.rowsBefore - 1, "old");
        table.SetCell(1, c.rowsBefore - 1, "1");
        RestoreFixedCells(cells, table, c.minRows);
        EXPECT_EQ(table.RowCount(), c.rowsAfter) << c.name;
        EXPECT_EQ(table.Cell(0, 0), "Fixed parameter") << c.name;
        EXPECT_EQ(table.Cell(0, 1), "dP.Ha") << c.name;
        EXPECT_EQ(table.Cell(1, 1), "8") << c.name;
        EXPECT_EQ(table.Cell(0, 3), "lgK2") << c.name;
        EXPECT_EQ(FixedCells(table), cells) << c.name;
    }
    TStringTable typed(2, 4);
    typed.SetCell(0, 1, "  lgK1 ");
    typed.SetCell(1, 1, "3");
    typed.SetCell(1, 2, "5");  // no name: not kept
    EXPECT_EQ(FixedCells(typed), (std::map<std::string, std::string>{{"lgK1", "3"}}));
}

}  // namespace
}  // namespace kelmora
