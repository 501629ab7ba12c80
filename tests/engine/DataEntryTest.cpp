#include "engine/DataEntry.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/FitState.h"
#include "util/NumberText.h"

using namespace kelmora;

namespace {

struct TRow {
    const char* C;
    const char* Shift;
};

TStringTable DataTable(const std::vector<TRow>& rows, int rowCount = 100) {
    TStringTable t(2, rowCount);
    t.SetCell(0, 0, DataColumnC);
    t.SetCell(1, 0, DataColumnShift);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        t.SetCell(0, static_cast<int>(r) + 1, rows[r].C);
        t.SetCell(1, static_cast<int>(r) + 1, rows[r].Shift);
    }
    return t;
}

}  // namespace

TEST(DataRowCount, PointsEndAtTheFirstRowWithoutCAndFilledRowsBelowAreCounted) {
    const struct {
        const char* name;
        std::vector<TRow> rows;
        int points;
        int leftOut;
        const char* text;
    } cases[] = {
        {"empty table", {}, 0, 0, "0 points"},
        {"one point", {{"0.1", "8"}}, 1, 0, "1 point"},
        {"shift without C ends the data",
         {{"0.1", "8"}, {"", "9"}},
         1,
         1,
         "1 point\nNot taken: 1 filled row from row 2 on"},
        {"blank line in the middle",
         {{"0.1", "8"}, {"0.2", "8.1"}, {"", ""}, {"0.4", "8.3"}, {"0.5", ""}, {"", ""}, {"", "7"}},
         2,
         3,
         "2 points\nNot taken: 3 filled rows from row 3 on"},
        {"blank cells are not filled", {{"0.1", "8"}, {" ", "\t"}, {"", " "}}, 1, 0, "1 point"},
        {"first row blank",
         {{"", ""}, {"0.2", "8.1"}},
         0,
         1,
         "0 points\nNot taken: 1 filled row from row 1 on"},
    };
    for (const auto& c : cases) {
        const TDataRowCount count = CountDataRows(DataTable(c.rows));
        EXPECT_EQ(count.Points, c.points) << c.name;
        EXPECT_EQ(count.RowsLeftOut, c.leftOut) << c.name;
        EXPECT_EQ(DataRowCountText(count), c.text) << c.name;
    }
}

TEST(DataRowCount, AFullTableCountsEveryRowAndNothingPastIt) {
    std::vector<TRow> rows(99, TRow{"1", "2"});
    const TDataRowCount count = CountDataRows(DataTable(rows));
    EXPECT_EQ(count.Points, 99);
    EXPECT_EQ(count.RowsLeftOut, 0);
}

// Every refusal names its place, in the message and in the error's fields, so the dialog can
// select the cell.
TEST(DataEntry, RefusalsNameTheirPlace) {
    const struct {
        std::vector<TRow> rows;
        const char* p0;
        int col;
        int row;
        const char* message;
    } cases[] = {
        {{{"0.1", "8"}, {"0.2", "8,1"}},
         "0.01",
         1,
         2,
         "'8,1' is not a valid floating point value\nRow 2, column Shift"},
        {{{"-0.1", "x"}},
         "0.01",
         0,
         1,
         "Concentrations cannot be negative: '-0.1'\nRow 1, column C"},
        {{{"0.1", "8"}, {"0.2", "8"}, {"-3E-5", "8"}},
         "-1",
         0,
         3,
         "Concentrations cannot be negative: '-3E-5'\nRow 3, column C"},
        {{{"0.1", "8"}},
         " -0.01 ",
         -1,
         -1,
         "Concentrations cannot be negative: ' -0.01 '\nPorphyrin concentration (P0)"},
        {{{"0.1", "8"}},
         "",
         -1,
         -1,
         "'' is not a valid floating point value\nPorphyrin concentration (P0)"},
    };
    for (const auto& c : cases) {
        try {
            ReadDataEntry(DataTable(c.rows), c.p0);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const EDataEntryError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
            EXPECT_EQ(e.Col(), c.col) << c.message;
            EXPECT_EQ(e.Row(), c.row) << c.message;
            EXPECT_EQ(e.InP0(), c.row < 0) << c.message;
        }
    }
}

TEST(DataEntry, ZeroAndMinusZeroConcentrationsAreTaken) {
    const TDataEntry entry =
        ReadDataEntry(DataTable({{"0", "8"}, {"-0", "8.5"}, {"0.3", "9"}}), "0");
    ASSERT_EQ(entry.Conc.size(), 3u);
    EXPECT_EQ(entry.Conc[0], 0.0);
    EXPECT_EQ(entry.Conc[1], 0.0);
    EXPECT_EQ(entry.Shift[2], 9.0);
    EXPECT_EQ(entry.P0, 0.0);
    EXPECT_EQ(entry.Weight, 10000.0 / 3);
}

TEST(DataEntry, ANegativeConcentrationLeavesTheDataSetAsItWas) {
    TFitState s;
    s.LoadDataSet(DataTable({{"0.1", "5"}, {"0.2", "6"}}), "0.03");
    EXPECT_THROW(s.LoadDataSet(DataTable({{"0.1", "5"}, {"0.2", "6"}, {"-0.3", "7"}}), "0.03"),
                 EDataEntryError);
    EXPECT_THROW(s.LoadDataSet(DataTable({{"0.5", "5"}}), "-0.03"), EDataEntryError);
    ASSERT_EQ(s.PointCount, 2);
    EXPECT_EQ(s.Points[1].Conc, 0.2);
    EXPECT_EQ(s.PorphyrinConc, 0.03);
    EXPECT_EQ(s.Weight, 5000.0);
}
