#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysisview/AnalysisSheet.h"
#include "tests/support/FuzzRequire.h"
#include "util/NumberText.h"

using namespace kelmora;
using kelmora::fuzz::Require;

// The first byte chooses the selected columns, the rest is the clipboard text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    TGridCore sheet;
    sheet.SetColCount(SheetColCount);
    sheet.SetRowCount(8);
    sheet.SetFixedCols(0);
    sheet.SetFixedRows(1);
    ResetSheetHeader(sheet);
    const int left = data[0] % SheetColCount;
    const int right = left + (data[0] >> 4) % (SheetColCount - left);
    sheet.SetSelection({left, 0, right, sheet.RowCount() - 1});

    PasteIntoSheet(sheet, text);

    Require(sheet.ColCount() == SheetColCount, "column count changed");
    Require(sheet.Cell(SheetColC, 0) == "C" && sheet.Cell(SheetColP0, 0) == "P0",
            "a names line renamed C or P0");
    const TSheetExtent extent = MeasureSheet(sheet);
    Require(extent.Points >= 0 && extent.Points < sheet.RowCount(), "points beyond the sheet");
    try {
        const analysis::TTitration t = ReadSheet(sheet, "0.01");
        Require(static_cast<int>(t.Conc.size()) == extent.Points, "points lost");
        Require(t.Shifts.size() == t.Conc.size(), "a point without its shifts");
        for (const auto& shifts : t.Shifts) {
            Require(static_cast<int>(shifts.size()) == extent.Signals(), "signals lost");
        }
        Require(static_cast<int>(t.SignalNames.size()) == extent.Signals(), "names lost");
    } catch (const ESheetCellError& e) {
        Require(e.Row >= 1 && e.Row <= extent.Points, "bad cell outside the data rows");
        Require(e.Col >= 0 && e.Col < SheetColCount, "bad cell outside the columns");
        Require(!TryParseFloat(sheet.Cell(e.Col, e.Row)).has_value(), "a number was called bad");
    }
    return 0;
}
