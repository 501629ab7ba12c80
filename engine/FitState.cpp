#include "engine/FitState.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/DataEntry.h"
#include "util/Errors.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

const std::array<const char*, 8> ParamColumnHeaders = {
    "Param", "Value", "Max. step", "Min. step", "Optimize?", "Min. val", "Max. val", "Steps count"};

const std::array<std::array<const char*, 7>, ParamCount> DefaultParamCells = {{
    {"1,2", "0,10", "0,0001", "y", "-10", "10", "100"},
    {"-1000", "0,10", "0,0001", "", "-10", "10", "100"},
    {"8", "0,100", "0,0001", "y", "0", "20", "100"},
    {"9", "0,100", "0,0001", "y", "0", "20", "100"},
    {"10", "0,100", "0,0001", "", "0", "20", "100"},
    {"0", "0,100", "0,0001", "", "-10", "10", "100"},
}};

void FillDefaultParamsTable(ITextTable& table) {
    for (int c = 0; c < ParamsGridCols; ++c) {
        table.SetCell(c, 0, ParamColumnHeaders[c]);
    }
    for (int i = 0; i < ParamCount; ++i) {
        table.SetCell(0, i + 1, ParamRowLabels[i]);
        for (int c = 1; c < ParamsGridCols; ++c) {
            table.SetCell(c, i + 1, DefaultParamCells[i][c - 1]);
        }
    }
}

std::string OtherSeparator(const std::string& newSep) {
    return newSep == "," ? "." : ",";
}

void ConvertParamsTableSeparator(ITextTable& table, const std::string& newSep) {
    const std::string other = OtherSeparator(newSep);
    for (int c = 1; c < table.ColCount(); ++c) {
        for (int r = 1; r < table.RowCount(); ++r) {
            table.SetCell(c, r, ReplaceChar(table.Cell(c, r), other, newSep));
        }
    }
}

void ApplyDecimalSeparator(std::string_view separatorText, std::string& p0Text,
                           ITextTable& paramsTable) {
    if (separatorText.empty()) {
        return;
    }
    const std::string ch(FirstChar(separatorText));
    if (!IsUsableDecimalSeparator(ch)) {
        throw EKelmoraError(
            "A blank, a TAB, a line end or another control character cannot be the decimal "
            "separator");
    }
    SetNumberDecimalSeparator(ch);
    p0Text = ReplaceChar(p0Text, OtherSeparator(ch), ch);
    ConvertParamsTableSeparator(paramsTable, ch);
}

void FillStartupParamsTable(ITextTable& table) {
    FillDefaultParamsTable(table);
    ConvertParamsTableSeparator(table, ".");
}

TParamCells ParamCellsOf(const ITextTable& table) {
    // Default-initialised, each cell an empty string: clang 14 crashes on "{}" here under the
    // sanitizers of the fuzz build.
    TParamCells cells;
    for (int i = 0; i < ParamCount; ++i) {
        for (int c = 0; c < ParamCellColumns; ++c) {
            cells[i][c] = table.Cell(c + 1, i + 1);
        }
    }
    return cells;
}

void RestoreParamCells(const TParamCells& cells, ITextTable& table) {
    for (int i = 0; i < ParamCount; ++i) {
        for (int c = 0; c < ParamCellColumns; ++c) {
            table.SetCell(c + 1, i + 1, cells[i][c]);
        }
    }
}

void RestoreExactValues(const TParamVector& saved, const ITextTable& table, TFitState& state) {
    for (int i = 0; i < ParamCount; ++i) {
        if (table.Cell(1, i + 1) == FormatGeneral(saved[i])) {
            state.FitParams[i].Value = saved[i];
        }
    }
}

namespace {

// (MaxVal - MinVal) / (StepsCount - 1). Bounds such as -1e308 and 1e308 have a span beyond the
// double range although the spacing itself fits; the span is then formed in extended precision,
// as the arithmetic this program's numbers are defined by allows.
double LatticeSpacing(double maxVal, double minVal, double divisor) {
    const double span = maxVal - minVal;
    if (!std::isinf(span)) {
        return CheckedDivide(span, divisor);
    }
    if (divisor == 0.0) {
        RaiseZeroDivide();
    }
    const long double spacing = (static_cast<long double>(maxVal) - minVal) / divisor;
    if (std::fabs(spacing) > std::numeric_limits<double>::max()) {
        RaiseOverflow();
    }
    return static_cast<double>(spacing);
}

}  // namespace

TFitState::TFitState() {
    System.SetReactionCount(2);
}

void TFitState::ReadParamsTable(const ITextTable& table, const TFitSettings& settings) {
    OptimizeEnded = false;
    for (int i = 0; i < ParamCount; ++i) {
        const int r = i + 1;
        TFitParam& p = FitParams[i];
        p.Value = ParseFloat(table.Cell(1, r));
        p.MaxStep = ParseFloat(table.Cell(2, r));
        p.MinStep = ParseFloat(table.Cell(3, r));
        p.Optimize = HasNonBlank(table.Cell(4, r));
        p.MinVal = ParseFloat(table.Cell(5, r));
        p.MaxVal = ParseFloat(table.Cell(6, r));
        p.StepsCount = ParseInt(table.Cell(7, r));
        // 64 bits, so that StepsCount at the bottom of the 32-bit range cannot wrap.
        const double divisor = static_cast<double>(std::int64_t{p.StepsCount} - 1);
        p.ScanStep = LatticeSpacing(p.MaxVal, p.MinVal, divisor);
        p.ScanFlag = p.Optimize;
    }
    IterLeft = ParseInt(settings.IterCountText);
    FinishMinima = settings.FinishMinima;
}

void TFitState::WriteParamsTable(ITextTable& table) const {
    for (int i = 0; i < ParamCount; ++i) {
        const int r = i + 1;
        const TFitParam& p = FitParams[i];
        table.SetCell(1, r, FormatGeneral(p.Value));
        table.SetCell(2, r, FormatGeneral(p.MaxStep));
        table.SetCell(3, r, FormatGeneral(p.MinStep));
        table.SetCell(4, r, p.Optimize ? "y" : "");
        table.SetCell(5, r, FormatGeneral(p.MinVal));
        table.SetCell(6, r, FormatGeneral(p.MaxVal));
        table.SetCell(7, r, std::to_string(p.StepsCount));
    }
}

void TFitState::SetPointCount(std::int32_t n) {
    n = std::max(n, 0);
    PointCount = n;
    Points.resize(static_cast<std::size_t>(n));
    theorBackup_.resize(static_cast<std::size_t>(n));
    fractions_.Resize(static_cast<std::size_t>(n));
}

void TFitState::LoadDataSet(const ITextTable& data, const std::string& p0Text) {
    const TDataEntry entry = ReadDataEntry(data, p0Text);
    const int n = static_cast<int>(entry.Conc.size());
    SetPointCount(n);
    for (int j = 0; j < n; ++j) {
        Points[j].Conc = entry.Conc[j];
        Points[j].ExpShift = entry.Shift[j];
    }
    PorphyrinConc = entry.P0;
    Weight = entry.Weight;
}

TParamVector TFitState::GetParamVector() const {
    TParamVector v{};
    for (int i = 0; i < ParamCount; ++i) {
        v[i] = FitParams[i].Value;
    }
    return v;
}

void TFitState::SetParamValues(const TParamVector& v) {
    OptimizeEnded = false;
    for (int i = 0; i < ParamCount; ++i) {
        FitParams[i].Value = v[i];
    }
}

}  // namespace kelmora
