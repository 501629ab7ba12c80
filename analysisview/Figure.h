#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "analysisview/AnalysisCurves.h"

namespace kelmora {

// A figure as data, drawn the same way on the screen, in an exported file and in a report:
// panels stacked top to bottom that share the x axis, each with its own y axis.
struct TFigureSeries {
    // A band is a shaded area: its points run along the upper edge and back along the lower.
    enum class TStyle { Markers, Line, DashedLine, Band };
    std::string Name;
    TCurve Points;
    TStyle Style = TStyle::Line;
    std::uint32_t Rgb = 0;  // 0xRRGGBB
    bool InLegend = true;
};

struct TFigureRange {
    double Lo = 0.0;
    double Hi = 0.0;
};

struct TFigurePanel {
    std::string YTitle;
    std::vector<TFigureSeries> Series;
    double Height = 1.0;                 // share of the figure's height
    bool SymmetricY = false;             // about zero, for residuals
    std::optional<TFigureRange> FixedY;  // instead of the data's range
};

struct TFigure {
    std::string Title;
    std::string XTitle;
    bool LogX = false;
    std::vector<TFigurePanel> Panels;
    // Legend lines that explain the styles rather than a series, e.g. "markers: observed".
    std::vector<TFigureSeries> Key;
};

// Signal k's colour in every figure and chart: distinct in print and for the common colour
// blindnesses (Okabe and Ito), repeating after eight.
std::uint32_t SignalRgb(std::size_t k);

// Observed shifts as markers and the model as lines, each signal its colour, with the
// residuals in a panel under them.
TFigure FitFigure(const TAnalysisCurves& curves, const std::vector<std::string>& signalNames,
                  const std::string& modelName);
TFigure SpeciesFigure(const TAnalysisCurves& curves, const std::string& modelName);
// Δδ = δ − δ(C = 0) against equivalents C/P0; δ(C = 0) is the fitted shift of free host, or
// without a fit the shift observed at the lowest C. A log x axis leaves out C = 0.
TFigure DeltaFigure(const analysis::TModelResult& model, const analysis::TTitration& titration,
                    const std::vector<std::string>& signalNames, bool logX, int samples = 200);

// The x and y extent of a panel's finite points (log x: positive x only); empty when none.
std::optional<TFigureRange> XExtent(const TFigure& figure);
std::optional<TFigureRange> YExtent(const TFigurePanel& panel);

}  // namespace kelmora
