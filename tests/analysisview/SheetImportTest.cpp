// A data file's chosen columns as the Analysis sheet's cells.
#include <gtest/gtest.h>

#include "analysisview/AnalysisSheet.h"
#include "analysisview/SheetImport.h"
#include "util/Errors.h"
#include "util/NumberText.h"

namespace kelmora {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TEST(SheetImport, ChosenColumnsFillTheSheetWithNamesAndEmptyCellsKept) {
    const TDataFile file =
        SplitDataFile("Sample;P0;C;Ha;Hb\nA;0,01;0;7,1;8\nB;0,01;0,001;;8,1\n", "t.csv");
    const struct {
        const char* name;
        TTitrationColumns columns;
        const char* separator;
        TRows cells;
    } cases[] = {
        {"host column, two signals, decimal point in force",
         {2, 1, {3, 4}},
         ".",
         {{"C", "P0", "Ha", "Hb"}, {"0", "0.01", "7.1", "8"}, {"0.001", "0.01", "", "8.1"}}},
        {"one P0, the second signal alone, decimal comma in force",
         {2, -1, {4}},
         ",",
         {{"C", "P0", "Hb"}, {"0", "", "8"}, {"0,001", "", "8,1"}}},
    };
    for (const auto& c : cases) {
        SetNumberDecimalSeparator(c.separator);
        const TRows cells = ImportedSheetCells(file, c.columns, "t.csv");
        SetNumberDecimalSeparator(".");
        EXPECT_EQ(cells, c.cells) << c.name;
    }
}

TEST(SheetImport, ChoicesThatCannotMakeATitrationAreRefused) {
    const TDataFile file = SplitDataFile("Sample\tC\tHa\nA\t0\t7\nB\tx\t8\n", "t.tsv");
    const struct {
        TTitrationColumns columns;
        const char* message;
    } cases[] = {
        {{1, -1, {}}, "'t.tsv': choose at least one signal column."},
        {{1, -1, {0, 1, 2, 0, 1, 2, 0, 1, 2}}, "'t.tsv': the sheet takes 8 signals at most."},
        {{1, 1, {2}}, "'t.tsv': each of C, the host and the signals needs a column of its own."},
        {{-1, -1, {2}}, "'t.tsv': each of C, the host and the signals needs a column of its own."},
        {{2, -1, {0}}, "'t.tsv': line 2, column 1: 'A' is not a number."},
        {{1, -1, {2}}, "'t.tsv': line 3, column 2: 'x' is not a number."},
    };
    for (const auto& c : cases) {
        try {
            ImportedSheetCells(file, c.columns, "t.tsv");
            ADD_FAILURE() << c.message << ": accepted";
        } catch (const EKelmoraError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

}  // namespace
}  // namespace kelmora
