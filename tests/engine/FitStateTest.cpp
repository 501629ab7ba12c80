#include "engine/FitState.h"

#include <gtest/gtest.h>

#include <functional>

#include "util/Errors.h"
#include "util/NumberText.h"

using namespace kelmora;

namespace {

// The parameter table as the user first sees it: defaults with "." as separator.
TStringTable StartupTable() {
    TStringTable t(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(t);
    return t;
}

TStringTable DataTable(std::initializer_list<std::pair<const char*, const char*>> rows) {
    TStringTable t(2, 100);
    t.SetCell(0, 0, "C");
    t.SetCell(1, 0, "Shift");
    int r = 1;
    for (const auto& [c, shift] : rows) {
        t.SetCell(0, r, c);
        t.SetCell(1, r, shift);
        ++r;
    }
    return t;
}

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EKelmoraError& e) {
        return e.what();
    }
    return "";
}

// The exact values stand in for the table's Value cells only while a cell still shows them.
TEST(ParamsTable, ExactValuesReplaceOnlyTheCellsThatStillShowThem) {
    const TParamVector saved = {1.5941406249999988, -1000, 7.8408203124999982,
                                11.325390625000013, 10,    0};
    TStringTable table(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(table);
    for (int i = 0; i < ParamCount; ++i) {
        table.SetCell(1, i + 1, FormatGeneral(saved[i]));
    }
    table.SetCell(1, 4, "11.3254");  // edited after the save
    TFitState state;
    state.ReadParamsTable(table, TFitSettings{});
    RestoreExactValues(saved, table, state);
    EXPECT_EQ(state.FitParams[0].Value, 1.5941406249999988);
    EXPECT_NE(ParseFloat(table.Cell(1, 1)), 1.5941406249999988);  // what the cell alone gives
    EXPECT_EQ(state.FitParams[2].Value, 7.8408203124999982);
    EXPECT_EQ(state.FitParams[3].Value, 11.3254);
    EXPECT_EQ(state.FitParams[1].Value, -1000);
}

TEST(ParamsTable, CellsRoundTripAndTheHeadersStayTheTables) {
    TStringTable table(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(table);
    table.SetCell(4, 2, "y");
    const TParamCells cells = ParamCellsOf(table);
    EXPECT_EQ(cells[1][3], "y");

    TStringTable other(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(other);  // the headers are the table's own
    for (int c = 1; c < ParamsGridCols; ++c) {
        for (int r = 1; r < ParamsGridRows; ++r) {
            other.SetCell(c, r, "junk");
        }
    }
    RestoreParamCells(cells, other);
    for (int c = 0; c < ParamsGridCols; ++c) {
        for (int r = 0; r < ParamsGridRows; ++r) {
            EXPECT_EQ(other.Cell(c, r), table.Cell(c, r)) << c << ", " << r;
        }
    }
}

}  // namespace

TEST(ParamsTable, StartupTextsAndDefaultRecords) {
    TStringTable t = StartupTable();
    EXPECT_EQ(t.Cell(0, 0), "Param");
    EXPECT_EQ(t.Cell(7, 0), "Steps count");
    EXPECT_EQ(t.Cell(0, 5), "C.Shift (PL2)");
    EXPECT_EQ(t.Cell(1, 1), "1.2");
    EXPECT_EQ(t.Cell(2, 1), "0.10");
    EXPECT_EQ(t.Cell(2, 3), "0.100");
    EXPECT_EQ(t.Cell(3, 6), "0.0001");

    TFitState s;
    s.ReadParamsTable(t, {DefaultIterCountText, false});
    const double values[] = {1.2, -1000, 8, 9, 10, 0};
    const double minVals[] = {-10, -10, 0, 0, 0, -10};
    const double maxVals[] = {10, 10, 20, 20, 20, 10};
    const bool marked[] = {true, false, true, true, false, false};
    for (int i = 0; i < ParamCount; ++i) {
        const TFitParam& p = s.FitParams[i];
        EXPECT_EQ(p.Value, values[i]);
        EXPECT_EQ(p.MaxStep, 0.1);
        EXPECT_EQ(p.MinStep, 0.0001);
        EXPECT_EQ(p.Optimize, marked[i]);
        EXPECT_EQ(p.ScanFlag, marked[i]);
        EXPECT_EQ(p.MinVal, minVals[i]);
        EXPECT_EQ(p.MaxVal, maxVals[i]);
        EXPECT_EQ(p.StepsCount, 100);
        EXPECT_EQ(p.ScanStep, (maxVals[i] - minVals[i]) / 99.0);
    }
    EXPECT_EQ(s.IterLeft, 1000000000);
    EXPECT_FALSE(s.FinishMinima);

    // One write gives the shortest forms.
    s.WriteParamsTable(t);
    EXPECT_EQ(t.Cell(2, 1), "0.1");
    EXPECT_EQ(t.Cell(2, 3), "0.1");
    EXPECT_EQ(t.Cell(1, 1), "1.2");
    EXPECT_EQ(t.Cell(1, 2), "-1000");
    EXPECT_EQ(t.Cell(3, 1), "0.0001");
    EXPECT_EQ(t.Cell(4, 2), "");
    EXPECT_EQ(t.Cell(4, 3), "y");
}

TEST(ParamsTable, OptimizeMarkIsAnyVisibleText) {
    const struct {
        const char* text;
        bool marked;
    } cases[] = {{"-", true}, {"n", true}, {"   y", true}, {"   ", false}, {"", false}};
    for (const auto& c : cases) {
        TStringTable t = StartupTable();
        t.SetCell(4, 2, c.text);
        TFitState s;
        s.ReadParamsTable(t, {"5", true});
        EXPECT_EQ(s.FitParams[1].Optimize, c.marked) << "'" << c.text << "'";
        s.WriteParamsTable(t);
        EXPECT_EQ(t.Cell(4, 2), c.marked ? "y" : "");
    }
}

TEST(ParamsTable, FaultyCellsStopWhereTheyAre) {
    struct Case {
        int col, row;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {6, 3, "x", "'x' is not a valid floating point value"},
        {7, 3, "1.5", "'1.5' is not a valid integer value"},
        {7, 3, "1", "Floating point division by zero"},
        {1, 3, "", "'' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        TStringTable t = StartupTable();
        t.SetCell(c.col, c.row, c.text);
        TFitState s;
        s.IterLeft = 7;
        EXPECT_EQ(MessageOf([&] { s.ReadParamsTable(t, {"100", true}); }), c.message);
        EXPECT_EQ(s.FitParams[1].Value, -1000);  // rows above are read
        EXPECT_EQ(s.FitParams[3].Value, 0.0);    // rows below are not
        EXPECT_EQ(s.IterLeft, 7);
        EXPECT_FALSE(s.FinishMinima);
    }
    // StepsCount 1 with equal bounds is 0/0; StepsCount 0 just gives a negative spacing.
    TStringTable t = StartupTable();
    t.SetCell(5, 1, "10");
    t.SetCell(7, 1, "1");
    TFitState s;
    EXPECT_EQ(MessageOf([&] {
                  s.ReadParamsTable(t, {"1", false});
              }),
              "Invalid floating point operation");
    t.SetCell(7, 1, "0");
    s.ReadParamsTable(t, {"1", false});
    EXPECT_EQ(s.FitParams[0].ScanStep, 0.0);
    t.SetCell(5, 1, "-10");
    s.ReadParamsTable(t, {"1", false});
    EXPECT_EQ(s.FitParams[0].ScanStep, -20.0);
    // Bounds whose span exceeds the double range: the spacing still counts if it fits.
    t.SetCell(5, 1, "-1e308");
    t.SetCell(6, 1, "1e308");
    t.SetCell(7, 1, "3");
    s.ReadParamsTable(t, {"1", false});
    EXPECT_EQ(s.FitParams[0].ScanStep, 1e308);
    t.SetCell(7, 1, "2");
    EXPECT_EQ(MessageOf([&] { s.ReadParamsTable(t, {"1", false}); }), "Floating point overflow");
    t.SetCell(7, 1, "1");
    EXPECT_EQ(MessageOf([&] {
                  s.ReadParamsTable(t, {"1", false});
              }),
              "Floating point division by zero");
    t.SetCell(5, 1, "-10");
    t.SetCell(6, 1, "10");
    t.SetCell(7, 1, "100");
    EXPECT_EQ(MessageOf([&] {
                  s.ReadParamsTable(t, {"1e9", false});
              }),
              "'1e9' is not a valid integer value");
}

TEST(ParamsTable, SeparatorRewriteTouchesOnlyParameterCells) {
    TStringTable t = StartupTable();
    t.SetCell(0, 1, "a.b");  // a label is never rewritten
    ConvertParamsTableSeparator(t, ",");
    EXPECT_EQ(t.Cell(3, 1), "0,0001");
    EXPECT_EQ(t.Cell(1, 1), "1,2");
    EXPECT_EQ(t.Cell(0, 1), "a.b");
    EXPECT_EQ(t.Cell(2, 0), "Max. step");
    ConvertParamsTableSeparator(t, ";");
    EXPECT_EQ(t.Cell(1, 1), "1;2");
    EXPECT_EQ(OtherSeparator(","), ".");
    EXPECT_EQ(OtherSeparator("."), ",");
}

TEST(DecimalSeparator, UpdateConvertsTheDefaultsTheP0AndOnlyThose) {
    TStringTable table(8, 7);
    std::string p0 = "0.01";
    FillStartupParamsTable(table);
    EXPECT_EQ(table.Cell(1, 1), "1.2");
    EXPECT_EQ(table.Cell(2, 3), "0.100");
    ApplyDecimalSeparator(",", p0, table);
    EXPECT_EQ(p0, "0,01");
    EXPECT_EQ(table.Cell(1, 1), "1,2");
    // Any other character takes the commas' place; only the first character counts.
    ApplyDecimalSeparator(";x", p0, table);
    EXPECT_EQ(NumberDecimalSeparator(), ";");
    EXPECT_EQ(p0, "0;01");
    EXPECT_EQ(table.Cell(1, 1), "1;2");
    EXPECT_EQ(table.Cell(3, 6), "0;0001");
    EXPECT_EQ(table.Cell(0, 1), "Lg(K1)");
    EXPECT_EQ(table.Cell(3, 0), "Min. step");
    ApplyDecimalSeparator("", p0, table);  // nothing to take: nothing changes
    EXPECT_EQ(NumberDecimalSeparator(), ";");
    EXPECT_EQ(p0, "0;01");
    ApplyDecimalSeparator(".", p0, table);  // "." swaps commas only; the ";" texts stay
    EXPECT_EQ(NumberDecimalSeparator(), ".");
    EXPECT_EQ(p0, "0;01");
    SetNumberDecimalSeparator(".");
}

TEST(DecimalSeparator, BlanksAndControlCharactersAreRefusedAndChangeNothing) {
    for (const std::string& bad : {std::string(1, '\0'), std::string("\t,"), std::string("\n"),
                                   std::string("\r"), std::string(" ")}) {
        TStringTable table(8, 7);
        std::string p0 = "0.01";
        FillStartupParamsTable(table);
        EXPECT_THROW(ApplyDecimalSeparator(bad, p0, table), EKelmoraError) << int(bad[0]);
        EXPECT_EQ(NumberDecimalSeparator(), ".");
        EXPECT_EQ(p0, "0.01");
        EXPECT_EQ(table.Cell(1, 1), "1.2");
    }
    // The lowest and highest codes that are not blank still serve.
    for (const char* good : {"!", "\xC2\xB7"}) {
        EXPECT_TRUE(IsUsableDecimalSeparator(good)) << good;
    }
}

TEST(DataSet, RowsUpToTheFirstBlankC) {
    TFitState s;
    TStringTable t = DataTable({{"0.01", "8.1"},
                                {"0.02", "8.2"},
                                {"0.03", "8.3"},
                                {"0.04", "8.4"},
                                {"0.05", "8.5"},
                                {"", "9"},
                                {"0.07", "8.7"}});
    s.LoadDataSet(t, "0.01");
    EXPECT_EQ(s.PointCount, 5);
    EXPECT_EQ(s.Weight, 2000.0);
    EXPECT_EQ(s.Points[4].Conc, 0.05);
    EXPECT_EQ(s.Points[4].ExpShift, 8.5);
    EXPECT_EQ(s.PorphyrinConc, 0.01);

    TStringTable full(2, 100);
    for (int r = 1; r < 100; ++r) {
        full.SetCell(0, r, std::to_string(r));
        full.SetCell(1, r, "1");
    }
    s.LoadDataSet(full, "0.02");
    EXPECT_EQ(s.PointCount, 99);
}

TEST(DataSet, ResizeKeepsComputedColumnsOfSurvivingPoints) {
    TFitState s;
    s.LoadDataSet(DataTable({{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}, {"5", "5"}}), "0.01");
    for (int j = 0; j < 5; ++j) {
        s.Points[j].TheorShift = 10 + j;
        s.Points[j].Alpha1 = 0.1 * j;
        s.Points[j].SolvedConc = j + 1;
    }
    s.LoadDataSet(DataTable({{"7", "70"}, {"8", "80"}, {"9", "90"}}), "0.01");
    ASSERT_EQ(s.PointCount, 3);
    EXPECT_EQ(s.Points[2].Conc, 9);
    EXPECT_EQ(s.Points[2].ExpShift, 90);
    EXPECT_EQ(s.Points[2].TheorShift, 12);
    EXPECT_EQ(s.Points[2].Alpha1, 0.1 * 2);
    EXPECT_EQ(s.Points[2].SolvedConc, 3);
    s.SetPointCount(4);
    EXPECT_EQ(s.Points[3].TheorShift, 0.0);
    EXPECT_EQ(s.Points[3].SolvedConc, 0.0);
}

// A failed data entry reports the same message but leaves the data set exactly as it was.
TEST(DataSet, FailedEntryChangesNothing) {
    const struct {
        std::initializer_list<std::pair<const char*, const char*>> rows;
        const char* p0;
        const char* message;
    } cases[] = {
        {{{"1", "2"}, {"x", "3"}},
         "0.01",
         "'x' is not a valid floating point value\nRow 2, column C"},
        {{{"1", "2"}, {"2", ""}},
         "0.01",
         "'' is not a valid floating point value\nRow 2, column Shift"},
        {{{"1", "2"}},
         "abc",
         "'abc' is not a valid floating point value\nPorphyrin concentration (P0)"},
        {{{"", "2"}}, "0.05", "Floating point division by zero"},
        {{{"1,5", "2"}}, "0.01", "'1,5' is not a valid floating point value\nRow 1, column C"},
        {{{"1", "2"}, {"-0.5", "3"}},
         "0.01",
         "Concentrations cannot be negative: '-0.5'\nRow 2, column C"},
        {{{"1", "2"}},
         "-1E-3",
         "Concentrations cannot be negative: '-1E-3'\nPorphyrin concentration (P0)"},
    };
    for (const auto& c : cases) {
        TFitState s;
        s.LoadDataSet(DataTable({{"0.1", "5"}, {"0.2", "6"}}), "0.03");
        s.Points[0].TheorShift = 4.5;
        EXPECT_EQ(MessageOf([&] { s.LoadDataSet(DataTable(c.rows), c.p0); }), c.message);
        ASSERT_EQ(s.PointCount, 2);
        ASSERT_EQ(s.Points.size(), 2u);
        EXPECT_EQ(s.Points[0].Conc, 0.1);
        EXPECT_EQ(s.Points[1].ExpShift, 6);
        EXPECT_EQ(s.Points[0].TheorShift, 4.5);
        EXPECT_EQ(s.PorphyrinConc, 0.03);
        EXPECT_EQ(s.Weight, 5000);
    }
}
