#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/DataCells.h"
#include "grid/GridCore.h"
#include "util/Errors.h"

using namespace kelmora;
using Cells = std::vector<std::string>;

namespace {

class TFakeClipboard : public IClipboard {
  public:
    std::string text;
    bool broken = false;
    int writes = 0;
    std::string GetText() override {
        if (broken) {
            throw EKelmoraError("Cannot open clipboard");
        }
        return text;
    }
    void SetText(const std::string& t) override {
        if (broken) {
            throw EKelmoraError("Cannot open clipboard");
        }
        text = t;
        ++writes;
    }
};

// A grid of cols x rows whose cell (c, r) holds "c,r", with the given fixed counts.
TGridCore Numbered(int cols, int rows, int fixedCols, int fixedRows) {
    TGridCore g;
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetFixedCols(fixedCols);
    g.SetFixedRows(fixedRows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            g.SetCell(c, r, std::to_string(c) + "," + std::to_string(r));
        }
    }
    return g;
}

std::string Pad(const std::string& s) {
    return s + std::string(15 - s.size(), ' ');
}

// A long file's data come back in one change of the table, shaped as the dialog starts.
TEST(DataCells, RoundTripInOneChange) {
    TGridCore grid;
    grid.SetColCount(2);
    grid.SetRowCount(300);
    grid.SetCell(0, 1, "0.1");
    grid.SetCell(1, 1, "8");
    grid.SetCell(1, 3, "lone shift");
    grid.SetCell(0, 250, "far down");
    EXPECT_EQ(DataCellsOf(grid).size(), 250u);
    const TDataCells cells = {{"0.1", "8"}, {"", "lone shift"}};
    RestoreDataCells(cells, grid);
    EXPECT_EQ(grid.RowCount(), DataGridRows);  // shaped as the dialog starts
    EXPECT_EQ(DataCellsOf(grid), cells);
    // A view over the table recounts the points at each change it hears of: one change for the
    // whole table keeps a long file's opening linear.
    struct TCountingObserver : IGridObserver {
        int Changes = 0;
        void GridReshaping() override {}
        void GridReshaped() override {}
        void RowsAppending(int, int) override {}
        void RowsAppended() override {}
        void CellsChanged(TGridRect) override { ++Changes; }
        void SelectionChanged() override {}
        void LayoutChanged() override {}
    } observer;
    grid.SetObserver(&observer);
    TDataCells many(150, {"1", "2"});
    RestoreDataCells(many, grid);
    grid.SetObserver(nullptr);
    EXPECT_EQ(observer.Changes, 1);
    EXPECT_EQ(grid.RowCount(), 151);
    EXPECT_EQ(DataCellsOf(grid), many);
}

}  // namespace

TEST(SplitCells, RunsAboveBlankAreCellsExceptBetweenTabs) {
    struct Case {
        std::string line;
        Cells cells;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {" \x01\x1F ", {}},
        {" \t \x01\x1F ", {"", ""}},
        {"1\t\t3", {"1", "", "3"}},
        {"\t1", {"", "1"}},
        {" 1 \t 2 3 \t", {"1", "2 3", ""}},
        {"  1 2   3  ", {"1", "2", "3"}},
        {"0,01;8.3", {"0,01;8.3"}},
        {std::string("a\0b", 3), {"a", "b"}},  // NUL is a separator like any control character
        {"\x7F\x80\xFF x", {"\x7F\x80\xFF", "x"}},
        {"\xD0\x9A\xD0\xB8\t\xC2\xB5", {"\xD0\x9A\xD0\xB8", "\xC2\xB5"}},
        {"a\r\nb", {"a", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitCells(c.line), c.cells) << "line: " << c.line;
    }
}

TEST(SplitCells, VeryLongLine) {
    std::string line;
    for (int i = 0; i < 100000; ++i) {
        line += "v" + std::to_string(i) + (i % 2 ? " \r" : "  ");
    }
    const Cells cells = SplitCells(line);
    ASSERT_EQ(cells.size(), 100000u);
    EXPECT_EQ(cells.front(), "v0");
    EXPECT_EQ(cells.back(), "v99999");
    const std::string one(1 << 20, 'x');
    EXPECT_EQ(SplitCells(" " + one + " "), Cells{one});
    EXPECT_EQ(SplitCells(one + "\t\t").size(), 3u);
}

TEST(SplitLines, BreaksAndTrailingBreak) {
    struct Case {
        std::string text;
        Cells lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\n\r", {"a", ""}},  // LF then lone CR: two breaks, not one
        {"a\r\r\n", {"a", ""}},
        {"x\ty\r\n\r\nz\r\n", {"x\ty", "", "z"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitLines(c.text), c.lines) << "text: " << c.text;
        EXPECT_EQ(CountLines(c.text), static_cast<int>(c.lines.size()));
    }
}

TEST(GridShape, CountsAndFixedCountsFollowTheBaseGridRules) {
    TGridCore g;
    EXPECT_EQ(g.AnchorCol(), -1);
    EXPECT_FALSE(g.Editing());
    EXPECT_TRUE(g.Options() & goDrawFocusSelected);
    EXPECT_EQ(g.LeftCol(), g.FixedCols());

    g.SetColCount(4);
    g.SetRowCount(3);
    g.SetFixedCols(2);
    g.SetFixedRows(2);
    g.SetRowCount(2);  // reaches the fixed rows, which give way
    EXPECT_EQ(g.FixedRows(), 1);
    g.SetColCount(-5);
    EXPECT_EQ(g.ColCount(), 1);
    EXPECT_EQ(g.FixedCols(), 0);

    g.ClearGrid();
    EXPECT_EQ(g.ColCount(), 1);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedCols(), 0);
    EXPECT_EQ(g.FixedRows(), 0);
}

TEST(GridShape, FixedCountNotBelowCountRaisesAndChangesNothing) {
    struct Case {
        bool rows;
        int value;
        const char* message;
    };
    const std::vector<Case> cases = {
        {true, 1, "Fixed row count must be less than row count"},
        {true, 7, "Fixed row count must be less than row count"},
        {false, 4, "Fixed column count must be less than column count"},
    };
    for (const Case& c : cases) {
        TGridCore g;
        g.ClearGrid();
        g.SetColCount(4);
        g.SetFixedCols(0);
        try {
            c.rows ? g.SetFixedRows(c.value) : g.SetFixedCols(c.value);
            ADD_FAILURE() << "no error for " << c.value;
        } catch (const EKelmoraError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(g.ColCount(), 4);
        EXPECT_EQ(g.RowCount(), 1);
        EXPECT_EQ(g.FixedRows(), 0);
        EXPECT_EQ(g.FixedCols(), 0);
    }
}

TEST(GridShape, CellsSurviveInsideBothSizesOnly) {
    TGridCore g = Numbered(3, 3, 0, 0);
    g.SetColCount(5);
    EXPECT_EQ(g.Cell(2, 2), "2,2");
    EXPECT_EQ(g.Cell(4, 2), "");
    g.SetColCount(2);
    g.SetColCount(3);
    EXPECT_EQ(g.Cell(1, 1), "1,1");
    EXPECT_EQ(g.Cell(2, 1), "");
    g.SetCell(7, 0, "dropped");
    g.SetCell(-1, 0, "dropped");
    EXPECT_EQ(g.Cell(7, 0), "");
    EXPECT_EQ(g.Cell(0, -1), "");
    EXPECT_EQ(g.ColCount(), 3);
}

TEST(GridShape, SelectionIsNormalisedAndClamped) {
    TGridCore g = Numbered(4, 5, 1, 1);
    g.SetSelection({3, 4, 1, 2});
    EXPECT_EQ(g.Selection(), (TGridRect{1, 2, 3, 4}));
    EXPECT_EQ(g.CurrentCol(), 3);
    EXPECT_EQ(g.CurrentRow(), 4);
    g.SetSelection({-3, 0, 10, 99});
    EXPECT_EQ(g.Selection(), (TGridRect{0, 0, 3, 4}));
    g.SetRowCount(3);
    EXPECT_EQ(g.Selection(), (TGridRect{0, 0, 3, 2}));
}

TEST(GridOptions, EditingSetsTheEditingFlagEveryTime) {
    TGridCore g;
    g.SetOptions(goVertLine);
    g.SetEditing(false);
    EXPECT_EQ(g.Options(), goVertLine);
    g.SetEditing(true);
    EXPECT_TRUE(g.Editing());
    EXPECT_EQ(g.Options(), goVertLine | goEditing);
    g.SetOptions(goVertLine);  // the flag dropped behind the field's back is restored
    g.SetEditing(true);
    EXPECT_EQ(g.Options(), goVertLine | goEditing);
}

TEST(CopySelection, TextOfTheSelectedNonFixedBlock) {
    struct Case {
        const char* name;
        TGridRect selection;
        std::string text;
    };
    // Grid 4 x 4, one fixed column and row, cell (c, r) holds "c,r".
    const std::vector<Case> cases = {
        {"one cell", {1, 1, 1, 1}, Pad("1,1") + "\r\n"},
        {"block",
         {2, 2, 3, 3},
         Pad("2,2") + "\t" + Pad("3,2") + "\r\n" + Pad("2,3") + "\t" + Pad("3,3") + "\r\n"},
        {"whole column with header",
         {2, 0, 2, 3},
         Pad("2,1") + "\r\n" + Pad("2,2") + "\r\n" + Pad("2,3") + "\r\n"},
        {"header only", {1, 0, 3, 0}, ""},
        {"fixed column only", {0, 1, 0, 2}, "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        TGridCore g = Numbered(4, 4, 1, 1);
        g.SetSelection(c.selection);
        EXPECT_EQ(g.CopyText(), c.text) << c.name;
    }
}

TEST(CopySelection, PaddingCountsCharactersAndNeverCuts) {
    struct Case {
        std::string cell;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"abc", "abc" + std::string(12, ' ') + "\r\n"},
        {"0.01", "0.01" + std::string(11, ' ') + "\r\n"},
        {"123456789012345", "123456789012345\r\n"},
        {"12345678901234567890", "12345678901234567890\r\n"},
        {"", std::string(15, ' ') + "\r\n"},
        {"\xD0\x9A", "\xD0\x9A" + std::string(14, ' ') + "\r\n"},  // one Cyrillic letter
    };
    for (const Case& c : cases) {
        TGridCore g = Numbered(2, 2, 1, 1);
        g.SetCell(1, 1, c.cell);
        g.SetSelection({1, 1, 1, 1});
        EXPECT_EQ(g.CopyText(), c.line);
    }
    TGridCore g = Numbered(3, 2, 1, 1);
    g.SetCell(1, 1, "0.01");
    g.SetCell(2, 1, "8.3121");
    g.SetSelection({1, 1, 2, 1});
    EXPECT_EQ(g.CopyText(),
              "0.01" + std::string(11, ' ') + "\t8.3121" + std::string(9, ' ') + "\r\n");
}

TEST(CopySelection, SelectAllCopiesEverythingBelowTheHeader) {
    TGridCore g = Numbered(2, 3, 0, 1);
    TFakeClipboard clip;
    g.SelectAllAndCopy(clip);
    EXPECT_EQ(g.Selection(), (TGridRect{0, 1, 1, 2}));
    EXPECT_EQ(clip.text,
              Pad("0,1") + "\t" + Pad("1,1") + "\r\n" + Pad("0,2") + "\t" + Pad("1,2") + "\r\n");

    g.SetSelection({0, 0, 1, 0});
    g.CopySelection(clip);  // the empty text still replaces the clipboard
    EXPECT_EQ(clip.text, "");
    EXPECT_EQ(clip.writes, 2);
}

TEST(ClearSelection, EmptiesTheNonFixedBlockOnly) {
    TGridCore g = Numbered(3, 4, 1, 1);
    g.SetSelection({0, 0, 1, 3});
    g.ClearSelection();
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(g.Cell(0, r), "0," + std::to_string(r));
        EXPECT_EQ(g.Cell(2, r), "2," + std::to_string(r));
        EXPECT_EQ(g.Cell(1, r), r == 0 ? "1,0" : "");
    }
}

TEST(PasteText, FillsSelectedColumnsFromTheTopLeftAndGrowsRows) {
    struct Case {
        const char* name;
        int cols, rows, fixedCols, fixedRows;
        TGridRect selection;
        std::string text;
        int rowCount;
        std::vector<std::tuple<int, int, std::string>> expect;  // col, row, text
    };
    const std::vector<Case> cases = {
        {"one cell takes the first value",
         3,
         4,
         0,
         1,
         {0, 1, 0, 1},
         "1 2 3\r\n",
         4,
         {{0, 1, "1"}, {1, 1, "1,1"}}},
        {"two cells, third value dropped",
         3,
         4,
         0,
         1,
         {0, 2, 1, 2},
         "1 2 3",
         4,
         {{0, 2, "1"}, {1, 2, "2"}, {2, 2, "2,2"}}},
        {"trailing break adds no row",
         2,
         3,
         0,
         1,
         {0, 2, 1, 2},
         "a\r\nb\r\n",
         4,
         {{0, 2, "a"}, {0, 3, "b"}, {1, 3, ""}}},
        {"empty line keeps its row",
         2,
         5,
         0,
         1,
         {0, 1, 0, 1},
         "a\n\nb",
         5,
         {{0, 1, "a"}, {0, 2, "0,2"}, {0, 3, "b"}}},
        {"whole column 1, no fixed column",
         2,
         4,
         0,
         1,
         {1, 0, 1, 3},
         "x y\ny z",
         4,
         {{1, 1, "x"}, {1, 2, "y"}, {0, 1, "0,1"}, {0, 2, "0,2"}}},
        {"two header-selected columns",
         3,
         3,
         1,
         1,
         {1, 0, 2, 2},
         "p q r\r\ns\r\n",
         3,
         {{1, 1, "p"}, {2, 1, "q"}, {1, 2, "s"}, {2, 2, ""}, {0, 2, "0,2"}}},
        {"header-selected columns are emptied below the pasted block",
         3,
         6,
         0,
         1,
         {0, 0, 1, 5},
         "1 2\n\n3 4\n",
         6,
         {{0, 1, "1"},
          {1, 1, "2"},
          {0, 2, ""},
          {1, 2, ""},
          {0, 3, "3"},
          {0, 4, ""},
          {1, 5, ""},
          {2, 4, "2,4"},
          {0, 0, "0,0"}}},
        {"an ordinary block below the header keeps the rows under it",
         2,
         6,
         0,
         1,
         {0, 1, 1, 5},
         "1 2\n",
         6,
         {{0, 1, "1"}, {0, 2, "0,2"}, {1, 5, "1,5"}}},
        {"a whole column grows with a long paste and keeps nothing old",
         2,
         3,
         0,
         1,
         {1, 0, 1, 2},
         "a\nb\nc\n",
         4,
         {{1, 1, "a"}, {1, 3, "c"}, {0, 2, "0,2"}}},
        {"selection in the fixed corner grows rows but fills nothing",
         2,
         2,
         1,
         1,
         {0, 0, 0, 0},
         "v w\nx",
         3,
         {{1, 1, "1,1"}, {0, 1, "0,1"}, {1, 2, ""}}},
        {"short line keeps cells to its right",
         3,
         2,
         0,
         0,
         {0, 0, 2, 0},
         " 5 ",
         2,
         {{0, 0, "5"}, {1, 0, "1,0"}}},
        {"nothing to paste", 2, 2, 0, 0, {0, 0, 1, 1}, "", 2, {{0, 0, "0,0"}}},
        {"a line of one TAB empties two cells, a blank line still grows",
         2,
         2,
         0,
         0,
         {0, 1, 1, 1},
         "\t\r\n \r\n",
         3,
         {{0, 1, ""}, {1, 1, ""}, {0, 2, ""}}},
    };
    for (const Case& c : cases) {
        TGridCore g = Numbered(c.cols, c.rows, c.fixedCols, c.fixedRows);
        g.SetSelection(c.selection);
        const TGridRect before = g.Selection();
        g.PasteText(c.text);
        EXPECT_EQ(g.RowCount(), c.rowCount) << c.name;
        EXPECT_EQ(g.ColCount(), c.cols) << c.name;
        EXPECT_EQ(g.Selection(), before) << c.name;
        for (const auto& [col, row, text] : c.expect) {
            EXPECT_EQ(g.Cell(col, row), text) << c.name << " at " << col << "," << row;
        }
    }
}

TEST(PasteText, FiveLinesFromRow98OfAHundred) {
    TGridCore g = Numbered(2, 100, 0, 1);
    g.SetSelection({0, 98, 0, 98});
    g.PasteText("1\n2\n3\n4\n5\n");
    EXPECT_EQ(g.RowCount(), 103);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(g.Cell(0, 98 + k), std::to_string(k + 1));
    }
    EXPECT_EQ(g.Cell(1, 98), "1,98");
}

TEST(PasteText, ArbitraryBytesAndLongLinesAreStoredAsTheyCome) {
    TGridCore g = Numbered(3, 2, 0, 0);
    g.SetSelection({0, 0, 2, 0});
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    g.PasteText(bytes);
    // CR and LF cut the bytes into three lines; the first holds a TAB between blanks, so two
    // empty cells, the second only blanks.
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.Cell(0, 0), "");
    EXPECT_EQ(g.Cell(2, 0), "2,0");
    EXPECT_EQ(g.Cell(0, 1), "0,1");
    EXPECT_EQ(g.Cell(0, 2), bytes.substr(33));

    const std::string huge(1 << 20, 'q');
    g.SetSelection({1, 2, 1, 2});
    g.PasteText(huge + "\t1\r\n");
    EXPECT_EQ(g.Cell(1, 2), huge);
    EXPECT_EQ(g.Cell(2, 2), "");
}

TEST(Clipboard, BrokenClipboardLeavesGridAndClipboardUnchanged) {
    TGridCore g = Numbered(2, 3, 0, 1);
    TFakeClipboard clip;
    clip.text = "1\n2\n3\n4\n";
    clip.broken = true;
    g.SetSelection({0, 1, 0, 1});
    EXPECT_THROW(
        {
            try {
                g.PasteFromClipboard(clip);
            } catch (const EKelmoraError& e) {
                EXPECT_STREQ(e.what(), "Cannot open clipboard");
                throw;
            }
        },
        EKelmoraError);
    EXPECT_THROW(g.CopySelection(clip), EKelmoraError);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.Cell(0, 1), "0,1");
    EXPECT_EQ(clip.text, "1\n2\n3\n4\n");

    clip.broken = false;
    g.PasteFromClipboard(clip);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.Cell(0, 4), "4");
}

TEST(ColumnAt, SumsWidthsFromTheFirstVisibleColumnMinusFixed) {
    TGridCore g;
    g.SetColCount(5);
    g.SetFixedCols(1);
    g.SetDefaultColWidth(10);
    g.SetColWidth(2, 30);
    struct Case {
        int leftCol, x, col;
    };
    const std::vector<Case> cases = {
        {1, 0, 0},  {1, 9, 0},  {1, 10, 1},  {1, 19, 1}, {1, 20, 2}, {1, 49, 2},
        {1, 50, 3}, {1, 69, 4}, {1, 70, -1}, {3, 0, 2},  {3, 29, 2}, {3, 30, 3},
        {4, 0, 3},  {4, 19, 4}, {4, 20, -1}, {1, -5, 0},
    };
    for (const Case& c : cases) {
        g.SetLeftCol(c.leftCol);
        EXPECT_EQ(g.ColumnAt(c.x), c.col) << "left " << c.leftCol << " x " << c.x;
    }
}

TEST(HeaderMouse, PressAndDragSelectWholeColumns) {
    TGridCore g = Numbered(5, 10, 1, 1);  // columns 64 pixels wide, rows 24 high
    const int y = 5;
    auto x = [](int col) { return col * 64 + 10; };

    EXPECT_TRUE(g.MousePress(x(3), y));
    EXPECT_EQ(g.AnchorCol(), 3);
    EXPECT_EQ(g.Selection(), (TGridRect{3, 0, 3, 9}));
    EXPECT_TRUE(g.MouseMove(x(1), y));
    EXPECT_EQ(g.Selection(), (TGridRect{1, 0, 3, 9}));
    EXPECT_FALSE(g.MouseMove(x(4), 30));  // below the header row: selection stays
    EXPECT_FALSE(g.MouseMove(x(0), y));   // over the fixed column: selection stays
    EXPECT_EQ(g.Selection(), (TGridRect{1, 0, 3, 9}));
    EXPECT_TRUE(g.MouseMove(x(3), y));
    EXPECT_EQ(g.Selection(), (TGridRect{3, 0, 3, 9}));
    g.MouseRelease();
    EXPECT_EQ(g.AnchorCol(), -1);
    EXPECT_FALSE(g.MouseMove(x(1), y));
    EXPECT_EQ(g.Selection(), (TGridRect{3, 0, 3, 9}));
}

TEST(HeaderMouse, PressesThatSelectNothing) {
    struct Case {
        const char* name;
        int x, y;
    };
    const std::vector<Case> cases = {
        {"fixed column header", 10, 5},          {"below the header row", 3 * 64 + 10, 24},
        {"right of the last column", 5 * 64, 5}, {"left of the grid", -1, 5},
        {"above the grid", 3 * 64 + 10, -1},
    };
    for (const Case& c : cases) {
        TGridCore g = Numbered(5, 10, 1, 1);
        g.SetSelection({2, 2, 2, 2});
        EXPECT_FALSE(g.MousePress(c.x, c.y)) << c.name;
        EXPECT_EQ(g.AnchorCol(), -1) << c.name;
        EXPECT_EQ(g.Selection(), (TGridRect{2, 2, 2, 2})) << c.name;
    }
}

TEST(HeaderMouse, RowZeroIsTheHeaderWithoutFixedRows) {
    TGridCore g = Numbered(3, 4, 0, 0);
    EXPECT_TRUE(g.MousePress(70, 0));
    EXPECT_EQ(g.Selection(), (TGridRect{1, 0, 1, 3}));
    EXPECT_TRUE(g.MouseMove(0, 23));
    EXPECT_EQ(g.Selection(), (TGridRect{0, 0, 1, 3}));
}
